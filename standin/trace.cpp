#include "standin/trace.h"

#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "standin/text.h"

namespace standin {

namespace {
long long MsSinceProcessStart() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER a{}, b{};
  a.LowPart = created.dwLowDateTime;
  a.HighPart = created.dwHighDateTime;
  b.LowPart = now.dwLowDateTime;
  b.HighPart = now.dwHighDateTime;
  return b.QuadPart > a.QuadPart ? static_cast<long long>((b.QuadPart - a.QuadPart) / 10000) : 0;
}

// The process's private bytes (its commit charge) in KiB. PagefileUsage, not PrivateUsage: Wine
// leaves the latter at 0, and Windows gives both the same value.
unsigned long PrivateKiB() {
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
    return 0;
  return static_cast<unsigned long>(pmc.PagefileUsage / 1024);
}

// Costs are asked for by the start-up benchmark only: reading the counters takes a trip to the
// system on every line, which no other run should pay.
bool CostsWanted() {
  static const bool wanted = [] {
    wchar_t v[4];
    DWORD n = GetEnvironmentVariableW(L"STANDIN_TRACE_COSTS", v, 4);
    return n == 1 && v[0] == L'1';
  }();
  return wanted;
}

// When the library was loaded (its DllMain), held until the process's first line.
std::atomic<long long> g_loadedMs{-1};
std::atomic<unsigned long> g_loadedKiB{0};
std::atomic<bool> g_loadedWritten{false};

void AppendLine(const std::string& line) {
  wchar_t path[MAX_PATH * 2];
  DWORD n = GetEnvironmentVariableW(L"STANDIN_TRACE", path, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return;
  // Append-only access makes every WriteFile land at the current end, but Wine
  // does not make that atomic between processes: two appends can take the same
  // end and overwrite each other. One named mutex per trace file serialises the
  // appends of every process (an owner that died leaves it abandoned, still usable).
  unsigned long hash = 2166136261u;
  for (DWORD i = 0; i < n; ++i) hash = (hash ^ static_cast<unsigned long>(towlower(path[i]))) * 16777619u;
  wchar_t name[64];
  swprintf(name, 64, L"Local\\standin-trace-%08lx", hash);
  HANDLE lock = CreateMutexW(nullptr, FALSE, name);
  const bool locked = lock && WaitForSingleObject(lock, 5000) != WAIT_TIMEOUT;
  for (int attempt = 0; attempt < 50; ++attempt) {
    HANDLE h = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(h);
      break;
    }
    if (GetLastError() != ERROR_SHARING_VIOLATION) break;
    Sleep(2);
  }
  if (locked) ReleaseMutex(lock);
  if (lock) CloseHandle(lock);
}
}  // namespace

std::string ToUtf8(const std::wstring& s) { return WideToUtf8(s.data(), s.size()); }
std::string ToUtf8(const cef_string_t* s) { return s && s->str ? WideToUtf8(s->str, s->length) : std::string(); }
std::wstring ToWide(const cef_string_t* s) {
  return s && s->str && s->length ? std::wstring(s->str, s->length) : std::wstring();
}

Trace& Trace::Add(const char* key, const std::string& utf8) {
  if (!details_.empty()) details_ += ' ';
  details_ += key;
  details_ += '=';
  details_ += EscapeTraceValue(utf8);
  return *this;
}
Trace& Trace::Add(const char* key, const std::wstring& text) { return Add(key, ToUtf8(text)); }
Trace& Trace::Add(const char* key, const cef_string_t* text) { return Add(key, ToUtf8(text)); }
Trace& Trace::Hex(const char* key, unsigned long long value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llx", value);
  return Add(key, std::string(buf));
}

void NoteLibraryLoaded() {
  // Nothing is written here: DllMain runs under the loader lock.
  g_loadedMs = MsSinceProcessStart();
  if (CostsWanted()) g_loadedKiB = PrivateKiB();
}

void Trace::Write() {
  if (written_) return;
  written_ = true;
  if (CostsWanted()) {
    if (!g_loadedWritten.exchange(true) && g_loadedMs.load() >= 0)
      AppendLine(std::to_string(g_loadedMs.load()) + "\t" + std::to_string(GetCurrentProcessId()) +
                 "\tlibrary_loaded\tprivate_kib=" + std::to_string(g_loadedKiB.load()) + "\n");
    Add("private_kib", PrivateKiB());
  }
  std::string line = std::to_string(MsSinceProcessStart()) + "\t" + std::to_string(GetCurrentProcessId()) + "\t" +
                     event_ + "\t" + details_ + "\n";
  AppendLine(line);
}

void Fault(const std::string& what) { Trace("fault").Add("what", what); }

}  // namespace standin
