// The client's processes seen from a test: every test runs its own copy of the client from a folder of its
// own, so a running program from that folder is one of that run's processes (a reused process id never is).
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

namespace testutil {

// The running processes whose program lies in `dir` (with its trailing separator).
inline std::vector<DWORD> ProcessesIn(const std::wstring& dir) {
  std::vector<DWORD> out;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pe.th32ProcessID);
    if (!h) continue;
    wchar_t path[MAX_PATH * 2];
    DWORD n = MAX_PATH * 2;
    if (QueryFullProcessImageNameW(h, 0, path, &n) && n > dir.size() && _wcsnicmp(path, dir.c_str(), dir.size()) == 0 &&
        WaitForSingleObject(h, 0) == WAIT_TIMEOUT)
      out.push_back(pe.th32ProcessID);
    CloseHandle(h);
  }
  CloseHandle(snap);
  return out;
}

// Those of them still running after up to `ms` milliseconds.
inline std::vector<DWORD> ProcessesLeftIn(const std::wstring& dir, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    std::vector<DWORD> left = ProcessesIn(dir);
    if (left.empty() || GetTickCount() - start >= ms) return left;
    Sleep(100);
  }
}

// Ends a process and waits for its end.
inline void Terminate(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!h) return;
  TerminateProcess(h, 0xDEAD);
  WaitForSingleObject(h, 5000);
  CloseHandle(h);
}

}  // namespace testutil
