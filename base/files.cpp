#include "base/files.h"

#include <windows.h>

namespace lzg {

std::wstring ReadWhole(const std::function<DWORD(wchar_t* buffer, DWORD size)>& read) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = read(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    if (buffer.size() >= 65536) return std::wstring();  // beyond the longest path Windows has
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring ExePath() {
  // A fixed buffer would turn a long installation path into no path at all.
  return ReadWhole([](wchar_t* buffer, DWORD size) { return GetModuleFileNameW(nullptr, buffer, size); });
}

std::wstring ExeDirectory() {
  const std::wstring path = ExePath();
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::optional<std::string> ReadFileBytes(const std::wstring& path, unsigned long long max_bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size) || static_cast<unsigned long long>(size.QuadPart) > max_bytes) {
    CloseHandle(h);
    return std::nullopt;
  }
  std::string bytes;
  bytes.reserve(static_cast<size_t>(size.QuadPart));
  char chunk[65536];
  DWORD got = 0;
  bool ok;
  while ((ok = ReadFile(h, chunk, sizeof chunk, &got, nullptr)) && got > 0 && bytes.size() <= max_bytes)
    bytes.append(chunk, got);
  CloseHandle(h);
  if (!ok || bytes.size() > max_bytes) return std::nullopt;
  return bytes;
}

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace lzg
