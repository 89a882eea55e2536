#include "base/log.h"

#include <atomic>
#include <cwchar>
#include <cwctype>
#include <mutex>
#include <vector>

#include "base/files.h"
#include "base/log_text.h"
#include "base/threads.h"
#include "base/utf8.h"

namespace lzg::log {
namespace {

struct State {
  std::mutex mu;  // guards the fields below it
  std::string role = "main";
  std::vector<std::wstring> secrets;
  std::atomic<int> profile{0};
};

State& Log() {
  static State* s = new State();  // never destroyed: engine threads may write during process exit
  return *s;
}

std::wstring Environment(const wchar_t* name) {
  wchar_t buf[1024];
  DWORD n = GetEnvironmentVariableW(name, buf, 1024);
  return n && n < 1024 ? std::wstring(buf, n) : std::wstring();
}

std::wstring LogFolder() {
  std::wstring appData = Environment(L"APPDATA");
  if (appData.empty()) return appData;
  if (appData.back() != L'\\' && appData.back() != L'/') appData += L'\\';
  return appData + L"lzgmin\\logs\\";
}

// One named mutex per log file serialises every writer of every process: append-only
// access alone does not keep two processes' lines apart under Wine, and rotation must
// not rename the file between another writer's size check and its write. A writer that
// died holding it leaves it abandoned, which is still a usable lock.
HANDLE FileLock(const std::wstring& path) {
  unsigned long hash = 2166136261u;
  for (wchar_t c : path) hash = (hash ^ static_cast<unsigned long>(towlower(c))) * 16777619u;
  wchar_t name[64];
  swprintf(name, 64, L"Local\\lzgmin-log-%08lx", hash);
  return CreateMutexW(nullptr, FALSE, name);
}

unsigned long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Under the lock: the oldest file goes, the others move one place down.
void Rotate(const std::wstring& folder) {
  const std::wstring current = folder + L"lzgmin.log", first = folder + L"lzgmin.1.log",
                     second = folder + L"lzgmin.2.log";
  if (FileExists(first))
    MoveFileExW(first.c_str(), second.c_str(), MOVEFILE_REPLACE_EXISTING);
  // A reader holding the file without delete sharing keeps it in place: the file then
  // grows past the threshold until the next line finds it free, and nothing is lost.
  MoveFileExW(current.c_str(), first.c_str(), MOVEFILE_REPLACE_EXISTING);
}

HANDLE OpenForAppend(const std::wstring& folder, const std::wstring& path) {
  auto open = [&] {
    return CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE h = open();
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
    CreateDirectoryW(folder.substr(0, folder.size() - 6).c_str(), nullptr);  // "...\lzgmin\"
    CreateDirectoryW(folder.c_str(), nullptr);
    h = open();
  }
  // Another program (a virus scanner, an editor) may hold the file for a moment.
  for (int attempt = 0; h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION && attempt < 20;
       ++attempt) {
    Sleep(5);
    h = open();
  }
  return h;
}

void Append(const std::wstring& folder, const std::string& line) {
  const std::wstring path = folder + L"lzgmin.log";
  HANDLE lock = FileLock(path);
  const bool locked = lock && WaitForSingleObject(lock, 5000) != WAIT_TIMEOUT;
  if (locked || !lock) {
    const unsigned long long size = FileSize(path);
    if (size > 0 && size + line.size() > kRotateBytes) Rotate(folder);
    HANDLE h = OpenForAppend(folder, path);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      // One write per line: a full disk drops the line rather than leaving half of it.
      WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(h);
    }
  }
  if (locked) ReleaseMutex(lock);
  if (lock) CloseHandle(lock);
}

const char* ThreadName() {
  const DWORD self = GetCurrentThreadId();
  if (self == threads::Main()) return "main";
  if (self == threads::EngineUi()) return "engine UI";
  return "other";
}

}  // namespace

void SetProcess(int profile, const std::wstring& role) {
  State& s = Log();
  s.profile = profile;
  threads::SetMain();
  std::lock_guard<std::mutex> l(s.mu);
  s.role = role.empty() ? std::string("main") : ToUtf8(role);
  for (char& c : s.role)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
}

void AddSecret(const std::wstring& value) {
  if (value.empty()) return;
  State& s = Log();
  std::lock_guard<std::mutex> l(s.mu);
  for (const std::wstring& known : s.secrets)
    if (known == value) return;
  s.secrets.push_back(value);
}

std::wstring FilePath() {
  std::wstring folder = LogFolder();
  return folder.empty() ? folder : folder + L"lzgmin.log";
}

void Write(std::wstring_view text) noexcept {
  try {
    const std::wstring folder = LogFolder();
    if (folder.empty()) return;
    State& s = Log();
    std::wstring scrubbed;
    std::string role;
    {
      std::lock_guard<std::mutex> l(s.mu);
      scrubbed = logtext::Scrub(text, s.secrets);
      role = s.role;
    }
    SYSTEMTIME t;
    GetLocalTime(&t);
    const logtext::Stamp stamp{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
    Append(folder, logtext::FormatLine(stamp, GetCurrentProcessId(), s.profile.load(), role, ThreadName(), scrubbed));
  } catch (...) {
    // The log is a help for support, never a reason for the client to fail.
  }
}

}  // namespace lzg::log
