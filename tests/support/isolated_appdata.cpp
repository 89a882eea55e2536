// Linked into every test executable: the process (and whatever it starts) gets a temporary folder and an
// application-data folder of its own, under the run's one folder for test data (LZGTEST_ROOT, which the test
// command empties before the run and checks empty after it), else under the system's temporary folder. At the
// process's end its application data goes (the client's log, which every run writes), and its temporary folder
// goes only when the tests left it empty: whatever a test left behind stays there for the check to find.
#include <windows.h>

#include <string>

#include "tests/support/test_util.h"

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t buf[4096];
  const DWORD n = GetEnvironmentVariableW(name, buf, 4096);
  return n && n < 4096 ? std::wstring(buf, n) : std::wstring();
}

struct IsolatedFolders {
  std::wstring root, temp, appdata;
  IsolatedFolders() {
    // A test's own child process keeps the folders its parent gave it.
    if (!Environment(L"LZGTEST_ISOLATED").empty()) return;
    SetEnvironmentVariableW(L"LZGTEST_ISOLATED", L"1");
    std::wstring base = Environment(L"LZGTEST_ROOT");
    if (base.empty()) {
      wchar_t temp_path[MAX_PATH];
      if (!GetTempPathW(MAX_PATH, temp_path)) return;
      base = temp_path;
    }
    if (base.back() != L'\\' && base.back() != L'/') base += L'\\';
    CreateDirectoryW(base.c_str(), nullptr);
    root = base + L"lzgtest_" + std::to_wstring(GetCurrentProcessId());
    temp = root + L"\\temp";
    appdata = root + L"\\appdata";
    if ((!CreateDirectoryW(root.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) ||
        (!CreateDirectoryW(temp.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) ||
        (!CreateDirectoryW(appdata.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)) {
      root.clear();
      return;
    }
    SetEnvironmentVariableW(L"TEMP", temp.c_str());
    SetEnvironmentVariableW(L"TMP", temp.c_str());
    SetEnvironmentVariableW(L"APPDATA", appdata.c_str());
  }
  ~IsolatedFolders() {
    if (root.empty()) return;
    testutil::RemoveTree(appdata);
    RemoveDirectoryW(temp.c_str());  // only when empty
    RemoveDirectoryW(root.c_str());
  }
};

IsolatedFolders g_folders;

}  // namespace
