// Every hardening run reads its verdicts from the stand-in's trace, which all the
// client's processes append to at once (a popup burst has some sixty). Twenty
// processes that trace 300 lines each at full speed must leave 6000 whole lines.
#include <gtest/gtest.h>

#include <map>

#include "tests/hardening/probe.h"
#include "tests/support/scoped_env.h"

namespace {

constexpr int kProcesses = 20;
constexpr int kLines = 300;

// A child: the stand-in answers a cookie-manager request without a running engine
// with one trace line and nothing else.
int Child() {
  HMODULE cef = LoadLibraryW((testutil::SelfDir() + L"cef\\libcef.dll").c_str());
  if (!cef) return 2;
  using GetManager = void*(__cdecl*)(void*);
  auto get = reinterpret_cast<GetManager>(GetProcAddress(cef, "cef_cookie_manager_get_global_manager"));
  if (!get) return 3;
  for (int i = 0; i < kLines; ++i) get(nullptr);
  return 0;
}

TEST(Trace, ManyProcessesAppendingLoseNoLine) {
  testutil::TempDir dir;
  const std::wstring trace = dir.File(L"trace.txt");
  const std::wstring self = testutil::SelfPath();
  testutil::ScopedEnv child_env{{L"STANDIN_TRACE", trace}, {L"LZG_TRACE_CHILD", L"1"}};
  std::vector<HANDLE> children;
  for (int i = 0; i < kProcesses; ++i) {
    std::wstring cmd = L"\"" + self + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(self.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    children.push_back(pi.hProcess);
  }
  child_env.Restore();
  for (HANDLE h : children) {
    EXPECT_EQ(WaitForSingleObject(h, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(h, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(h);
  }

  std::string bytes;
  ASSERT_TRUE(testutil::ReadBytes(trace, bytes));
  size_t lines = 0;
  for (char c : bytes) lines += c == '\n';
  std::map<DWORD, int> perProcess;
  int whole = 0;
  for (auto& e : tracefile::Read(trace)) {
    if (e.event == "cookie_get_global_manager" && e.Get("result") == "none" && e.fields.size() == 1) {
      ++whole;
      ++perProcess[e.pid];
    }
  }
  EXPECT_EQ(lines, static_cast<size_t>(kProcesses * kLines));
  EXPECT_EQ(whole, kProcesses * kLines);
  EXPECT_EQ(perProcess.size(), static_cast<size_t>(kProcesses));
  for (auto& [pid, n] : perProcess) EXPECT_EQ(n, kLines) << "process " << pid;
}

}  // namespace

int main(int argc, char** argv) {
  if (testutil::GetEnv(L"LZG_TRACE_CHILD") == L"1") return Child();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
