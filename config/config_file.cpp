#include "config/config_file.h"

#include <windows.h>

#include <stdexcept>

#include "config/config_int.h"

namespace lzg {
namespace {
constexpr DWORD kValueBuffer = 2048;  // longer values arrive cut to 2047 units
}  // namespace

void ConfigFile::ReadSection() {
  std::vector<wchar_t> buf(32768);
  DWORD n;
  // A full buffer comes back with size - 2 units: read again, larger.
  while ((n = GetPrivateProfileSectionW(kConfigSection, buf.data(), static_cast<DWORD>(buf.size()), path_.c_str())) +
                 2 >=
             buf.size() &&
         buf.size() < (1u << 26))
    buf.resize(buf.size() * 2);
  entries_.clear();
  for (const wchar_t* p = buf.data(); p < buf.data() + n && *p; p += wcslen(p) + 1) {
    const std::wstring line(p);
    const size_t eq = line.find(L'=');
    // An entry without "=" has no value: a read of it gives the default, and hides later ones of its name.
    if (eq == std::wstring::npos)
      entries_.push_back({Lower(line), std::wstring(), false});
    else
      entries_.push_back({Lower(line.substr(0, eq)), line.substr(eq + 1), true});
  }
  section_read_ = true;
}

std::wstring ConfigFile::ReadString(const std::wstring& key, const std::wstring& def) const {
  if (section_read_) {
    const Entry* e = Find(key);
    if (e && e->has_value) return Unquoted(e->raw);
    // The platform drops a default's trailing blanks.
    std::wstring d = def.substr(0, def.find_last_not_of(L' ') + 1);
    return d.substr(0, kValueBuffer - 1);
  }
  std::vector<wchar_t> buf(kValueBuffer);
  DWORD n = GetPrivateProfileStringW(kConfigSection, key.c_str(), def.c_str(), buf.data(), kValueBuffer,
                                     path_.c_str());
  return std::wstring(buf.data(), n < kValueBuffer ? n : kValueBuffer - 1);
}

std::int32_t ConfigFile::ReadInteger(const std::wstring& key, std::int32_t def) const {
  return ConfigIntOr(ReadString(key, L""), def);
}

void ConfigFile::WriteString(const std::wstring& key, const std::wstring& value) {
  Entry* e = section_read_ ? Find(key) : nullptr;
  if (e && e->has_value && e->raw == value) return;
  if (!WritePrivateProfileStringW(kConfigSection, key.c_str(), value.c_str(), path_.c_str())) {
    throw std::runtime_error("unable to write the configuration file");
  }
  if (e)
    *e = {e->key, value, true};
  else if (section_read_)
    entries_.push_back({Lower(key), value, true});
}

void ConfigFile::WriteInteger(const std::wstring& key, std::int32_t value) { WriteString(key, std::to_wstring(value)); }

std::wstring ConfigFile::Lower(std::wstring s) {
  if (!s.empty()) CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

// The first entry of that name, as the platform finds it.
ConfigFile::Entry* ConfigFile::Find(const std::wstring& key) {
  const std::wstring k = Lower(key);
  for (Entry& e : entries_)
    if (e.key == k) return &e;
  return nullptr;
}

const ConfigFile::Entry* ConfigFile::Find(const std::wstring& key) const {
  return const_cast<ConfigFile*>(this)->Find(key);
}

// What a read of the entry into the 2048-unit buffer gives: a value enclosed in a pair of the same quote loses
// them, and the copy is cut to 2047 units (the closing quote goes only when it fitted).
std::wstring ConfigFile::Unquoted(const std::wstring& raw) {
  std::wstring v = raw;
  bool quoted = false;
  if (v.size() > 1 && (v[0] == L'"' || v[0] == L'\'') && v.back() == v[0]) {
    quoted = true;
    v.erase(0, 1);
  }
  const size_t whole = v.size();
  if (v.size() > kValueBuffer - 1) v.resize(kValueBuffer - 1);
  if (quoted && kValueBuffer >= whole && !v.empty()) v.pop_back();
  return v;
}

}  // namespace lzg
