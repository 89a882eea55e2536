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

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace lzg
