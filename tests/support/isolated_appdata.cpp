// Linked into every test executable: the process (and whatever it starts) gets an application-data folder of
// its own under the temporary folder, removed when the process ends, so that nothing a test writes there (the
// client's log) is left in the prefix or seen by another test.
#include <windows.h>

#include <string>

#include "tests/support/test_util.h"

namespace {

struct IsolatedAppData {
  std::wstring dir;
  IsolatedAppData() {
    // A test's own child process keeps the folder its parent gave it.
    wchar_t mark[8];
    if (GetEnvironmentVariableW(L"LZGTEST_APPDATA", mark, 8)) return;
    SetEnvironmentVariableW(L"LZGTEST_APPDATA", L"1");
    wchar_t temp[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, temp)) return;
    dir = std::wstring(temp) + L"lzgtest_appdata_" + std::to_wstring(GetCurrentProcessId());
    if (!CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      dir.clear();
      return;
    }
    SetEnvironmentVariableW(L"APPDATA", dir.c_str());
  }
  ~IsolatedAppData() {
    if (!dir.empty()) testutil::RemoveTree(dir);
  }
};

IsolatedAppData g_appData;

}  // namespace
