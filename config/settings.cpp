#include "config/settings.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

#include "base/files.h"
#include "base/guarded.h"
#include "base/log.h"
#include "base/text.h"
#include "config/des.h"
#include "config/config_int.h"
#include "config/side_file.h"

std::wstring g_ParamStr_1;

std::wstring g_sPath;
std::uint16_t g_GamePort;
std::wstring g_UserId;
std::wstring g_Password;
std::wstring g_loginUrl;
std::wstring g_title;
std::wstring g_gameUrl;
std::int32_t g_isTest;
std::int32_t g_isDecodePwd;
std::wstring g_step;
std::int32_t g_Width, g_Height;
std::int32_t g_Width_Last, g_Height_Last;
std::uint8_t g_SizeIndex;
std::uint8_t g_LastSizeIndex;
std::wstring g_SkinName;
std::uint8_t g_btIsTui;
std::wstring g_tui_chrid;
std::wstring g_tui_filename;

std::array<std::int32_t, 2> g_WidthArr;
std::array<std::int32_t, 2> g_HeightArr;
std::array<std::uint8_t, 2> g_SizeIndexArr;
std::array<std::wstring, 2> g_titleArr;
std::array<std::uint8_t, 2> g_SetSizeReloadArr;

std::uint8_t g_btNeedClose;

const std::array<SizePreset, FormSizeNum> FormDefSizeArr = {
    {{1334, 890}, {1000, 720}, {1334, 750}, {1334, 1000}, {800, 600}, {2208, 1242}, {1334, 750}}};
const std::array<const wchar_t*, FormSizeNum> FormDefSizeNameArr = {
    L"经典", L"传统", L"现代", L"高清", L"古典", L"超清", L"全屏"};
std::array<SizePreset, FormSizeNum> FormCfgSizeArr;
std::array<std::wstring, FormSizeNum> FormCfgSizeNameArr;

namespace {

constexpr std::int32_t kDefaultWidth = 1334;
constexpr std::int32_t kDefaultHeight = 750;
constexpr const wchar_t* kDefaultTitle = L"澜舟阁游戏";
constexpr DWORD kValueBuffer = 2048;  // longer values arrive cut to 2047 units

// The one way to the configuration file: created with its full path (opens
// nothing), used for a few reads and writes, released at the end of the operation.
// After ReadSection the reads come from the section read then, by the platform's
// rules for one entry, and a write that would leave an entry as it is is skipped:
// the start reads the file once and rewrites it only for what changes.
class ConfigFile {
 public:
  explicit ConfigFile(std::wstring path) : path_(std::move(path)) {}

  // The section's entries as the platform reads them (key and value trimmed, quotes kept), in file order.
  void ReadSection() {
    std::vector<wchar_t> buf(32768);
    DWORD n;
    // A full buffer comes back with size - 2 units: read again, larger.
    while ((n = GetPrivateProfileSectionW(kConfigSection, buf.data(), static_cast<DWORD>(buf.size()),
                                          path_.c_str())) + 2 >= buf.size() &&
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
    sectionRead_ = true;
  }

  std::wstring ReadString(const std::wstring& key, const std::wstring& def) const {
    if (sectionRead_) {
      const Entry* e = Find(key);
      if (e && e->hasValue) return Unquoted(e->raw);
      // The platform drops a default's trailing blanks.
      std::wstring d = def.substr(0, def.find_last_not_of(L' ') + 1);
      return d.substr(0, kValueBuffer - 1);
    }
    std::vector<wchar_t> buf(kValueBuffer);
    DWORD n = GetPrivateProfileStringW(kConfigSection, key.c_str(), def.c_str(), buf.data(), kValueBuffer,
                                       path_.c_str());
    return std::wstring(buf.data(), n < kValueBuffer ? n : kValueBuffer - 1);
  }
  std::int32_t ReadInteger(const std::wstring& key, std::int32_t def) const {
    return lzg::ConfigIntOr(ReadString(key, L""), def);
  }
  void WriteString(const std::wstring& key, const std::wstring& value) {
    Entry* e = sectionRead_ ? Find(key) : nullptr;
    if (e && e->hasValue && e->raw == value) return;
    if (!WritePrivateProfileStringW(kConfigSection, key.c_str(), value.c_str(), path_.c_str())) {
      throw std::runtime_error("unable to write the configuration file");
    }
    if (e)
      *e = {e->key, value, true};
    else if (sectionRead_)
      entries_.push_back({Lower(key), value, true});
  }
  void WriteInteger(const std::wstring& key, std::int32_t value) { WriteString(key, std::to_wstring(value)); }

 private:
  struct Entry {
    std::wstring key;  // lower case
    std::wstring raw;  // as stored, quotes included
    bool hasValue;
  };

  static std::wstring Lower(std::wstring s) {
    if (!s.empty()) CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
  }
  // The first entry of that name, as the platform finds it.
  Entry* Find(const std::wstring& key) {
    const std::wstring k = Lower(key);
    for (Entry& e : entries_)
      if (e.key == k) return &e;
    return nullptr;
  }
  const Entry* Find(const std::wstring& key) const { return const_cast<ConfigFile*>(this)->Find(key); }
  // What a read of the entry into the 2048-unit buffer gives: a value enclosed in a pair of the same
  // quote loses them, and the copy is cut to 2047 units (the closing quote goes only when it fitted).
  static std::wstring Unquoted(const std::wstring& raw) {
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

  std::wstring path_;
  std::vector<Entry> entries_;
  bool sectionRead_ = false;
};

std::wstring Indexed(const wchar_t* prefix, int i, const wchar_t* suffix = L"") {
  return prefix + std::to_wstring(i) + suffix;
}

std::string ReadWholeFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open the side file");
  std::string bytes;
  char chunk[65536];
  DWORD got = 0;
  bool ok;
  while ((ok = ReadFile(h, chunk, sizeof chunk, &got, nullptr)) && got > 0) bytes.append(chunk, got);
  CloseHandle(h);
  if (!ok) throw std::runtime_error("cannot read the side file");
  return bytes;
}

// The side file's first line, trimmed; empty for an empty file.
std::wstring ReadSideFileCode(const std::wstring& path) {
  lzg::FirstLine line = lzg::SplitFirstLine(ReadWholeFile(path));
  return lzg::TrimControls(line.isAnsi ? lzg::AnsiToWide(line.ansi) : line.text);
}

void ResetState() {
  g_ParamStr_1.clear();
  g_sPath.clear();
  g_GamePort = 2;
  g_UserId.clear();
  g_Password.clear();
  g_loginUrl.clear();
  g_title.clear();
  g_gameUrl.clear();
  g_isTest = 0;
  g_isDecodePwd = 0;
  g_step.clear();
  g_Width = g_Width_Last = kDefaultWidth;
  g_Height = g_Height_Last = kDefaultHeight;
  g_SizeIndex = g_LastSizeIndex = 2;
  g_SkinName = L"Topaz 2017";
  g_btIsTui = 0;
  g_tui_chrid.clear();
  g_tui_filename = L"52lzg.dat";
  g_WidthArr = {kDefaultWidth, kDefaultWidth};
  g_HeightArr = {kDefaultHeight, kDefaultHeight};
  g_SizeIndexArr = {2, 2};
  g_titleArr = {kDefaultTitle, kDefaultTitle};
  g_SetSizeReloadArr = {1, 0};
  g_btNeedClose = 0;
  FormCfgSizeArr = {};
  for (auto& name : FormCfgSizeNameArr) name.clear();
}

// One list of initial values serves process start and ResetSettingsState.
const bool g_stateInitialised = (ResetState(), true);

}  // namespace

void ResetSettingsState() { ResetState(); }

int CurrentProfile() { return g_ParamStr_1.empty() ? 0 : 1; }

void LoadAppConfig() { LoadAppConfigIn(lzg::ExeDirectory()); }

void LoadAppConfigIn(const std::wstring& dir) {
  g_sPath = dir;
  g_step += L"GetConfig|";
  {
    ConfigFile ini(g_sPath + kConfigFileName);
    ini.ReadSection();

    g_isDecodePwd = ini.ReadInteger(L"isDecodePwd", 0);
    g_Width = ini.ReadInteger(L"Width", kDefaultWidth);
    g_Height = ini.ReadInteger(L"Height", kDefaultHeight);
    g_Width_Last = g_Width;
    g_Height_Last = g_Height;
    g_SizeIndex = static_cast<std::uint8_t>(ini.ReadInteger(L"SizeIndex", 2));
    g_LastSizeIndex = g_SizeIndex;

    // The cipher works on 8-bit text in the ANSI code page.
    std::string userId = lzg::WideToAnsi(ini.ReadString(L"uid", L""));
    std::string password = lzg::WideToAnsi(ini.ReadString(L"ip", L""));
    lzg::log::AddSecret(lzg::AnsiToWide(password));  // the entry as stored, before decoding
    if (g_isDecodePwd == 0 && !password.empty()) password = DecryptText(password, userId);
    g_Password = lzg::AnsiToWide(password);
    g_UserId = lzg::AnsiToWide(userId);
    // Never in the client's log, in whatever form a message might carry them.
    lzg::log::AddSecret(g_UserId);
    lzg::log::AddSecret(g_Password);

    g_GamePort = static_cast<std::uint16_t>(ini.ReadInteger(L"port", 0));
    g_loginUrl = ini.ReadString(L"doUrl1", L"");
    g_gameUrl = ini.ReadString(L"doUrl2", L"");
    g_title = ini.ReadString(L"title", L"");
    g_isTest = ini.ReadInteger(L"istest", 0);

    lzg::GuardedStep([&] {
      if (g_isTest != 1) {
        ini.WriteString(L"uid", L"");
        ini.WriteString(L"ip", L"");
      }
    });
    g_step += L"GetConfig_02|";
    lzg::GuardedStep([&] { ini.WriteString(L"step", g_step); });

    g_SkinName = ini.ReadString(L"SkinName", g_SkinName);
    g_btIsTui = static_cast<std::uint8_t>(ini.ReadInteger(L"istui", 0));

    for (int i = 0; i < 2; ++i) {
      g_WidthArr[i] = ini.ReadInteger(Indexed(L"Width_", i), kDefaultWidth);
      g_HeightArr[i] = ini.ReadInteger(Indexed(L"Height_", i), kDefaultHeight);
      g_SizeIndexArr[i] = static_cast<std::uint8_t>(ini.ReadInteger(Indexed(L"SizeIndex_", i), g_SizeIndexArr[i]));
      g_titleArr[i] = ini.ReadString(Indexed(L"title_", i), g_titleArr[i]);
      g_SetSizeReloadArr[i] =
          static_cast<std::uint8_t>(ini.ReadInteger(Indexed(L"SetSizeReload_", i), g_SetSizeReloadArr[i]));
    }

    const int p = CurrentProfile();
    g_title = g_titleArr[p];
    g_SizeIndex = g_SizeIndexArr[p];

    for (int k = 0; k < FormSizeNum; ++k) {
      FormCfgSizeNameArr[k] = ini.ReadString(Indexed(L"FormSizeName_", k), FormDefSizeNameArr[k]);
      FormCfgSizeArr[k].Width = ini.ReadInteger(Indexed(L"FormSize_", k, L"_w"), FormDefSizeArr[k].Width);
      FormCfgSizeArr[k].Height = ini.ReadInteger(Indexed(L"FormSize_", k, L"_h"), FormDefSizeArr[k].Height);
    }
  }

  if (g_btIsTui == 1) {
    g_tui_chrid.clear();
    const std::wstring sideFile = g_sPath + g_tui_filename;
    if (lzg::FileExists(sideFile)) g_tui_chrid = ReadSideFileCode(sideFile);
    // The code goes in as it is: no encoding, no test for an existing query part.
    lzg::log::AddSecret(g_tui_chrid);
    if (!g_tui_chrid.empty()) g_gameUrl = g_gameUrl + L"&tg=" + g_tui_chrid;
  }
}

void SaveSizeEntries(int p) {
  if (p != 0 && p != 1) return;
  ConfigFile ini(g_sPath + kConfigFileName);
  lzg::GuardedStep([&] {
    // Read just before: an entry that already holds its value (often the width) is not rewritten.
    ini.ReadSection();
    ini.WriteInteger(Indexed(L"Width_", p), g_WidthArr[p]);
    ini.WriteInteger(Indexed(L"Height_", p), g_HeightArr[p]);
    ini.WriteInteger(Indexed(L"SizeIndex_", p), g_SizeIndexArr[p]);
  });
}
