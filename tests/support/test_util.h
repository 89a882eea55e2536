// Small helpers shared by the tests: text conversions, the test's own path, temporary folders and raw file
// access through the Windows API.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/utf8_text.h"  // ToUtf8

namespace testutil {

inline std::string ToAnsi(const std::wstring& s) {
  if (s.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, s.data(), (int)s.size(), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_ACP, 0, s.data(), (int)s.size(), out.data(), n, nullptr, nullptr);
  return out;
}

inline std::wstring FromUtf8(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), out.data(), n);
  return out;
}

// The running test executable, and its folder with the trailing separator (the build's bin folder, where the
// client, its engine folder and its skins are).
inline std::wstring SelfPath() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return std::wstring(buf, n);
}

inline std::wstring SelfDir() {
  const std::wstring self = SelfPath();
  return self.substr(0, self.find_last_of(L'\\') + 1);
}

// UTF-16 little-endian bytes, without a byte-order mark.
inline std::string Utf16Bytes(const std::wstring& s) {
  return std::string(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(wchar_t));
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD done = 0;
  WriteFile(h, bytes.data(), (DWORD)bytes.size(), &done, nullptr);
  CloseHandle(h);
}

inline bool ReadBytes(const std::wstring& path, std::string& out) {
  out.clear();
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  return true;
}

inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = dir + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

// Copies a folder with everything below it.
inline void CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((from + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CopyTree(from + L"\\" + name, to + L"\\" + name);
    else
      CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

// A new empty folder under the temporary directory, removed with the object.
class TempDir {
 public:
  TempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
      path_ = std::wstring(base) + L"lzgtest_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
              std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(++counter);
      if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
  }
  // Engine sub-processes of a client started in the folder end a moment after it and may still hold a file
  // (an inherited output handle, the trace): the removal is tried again until they are gone (30 s at most).
  ~TempDir() {
    for (int i = 0; i < 300; ++i) {
      RemoveTree(path_);
      if (!Exists(path_)) return;
      Sleep(100);
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder with a trailing separator, and without.
  std::wstring Dir() const { return path_ + L"\\"; }
  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return Dir() + name; }
  std::wstring operator/(const std::wstring& name) const { return File(name); }

 private:
  std::wstring path_;
};

// A value of section "dump" (or `section`) read back through the platform.
inline std::wstring IniValue(const std::wstring& file, const std::wstring& key, const std::wstring& section = L"dump",
                             const wchar_t* def = L"<missing>") {
  wchar_t buf[4096];
  DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), def, buf, 4096, file.c_str());
  return std::wstring(buf, n);
}

}  // namespace testutil
