// The real client under the stricter engine: the game page waits for the profile's cookie store,
// and the engine starts sub-processes of the client while the game runs, each for as long as its work lasts.
#include <gtest/gtest.h>

#include <set>

#include "tests/support/client_test.h"

namespace {

using e2e::ClientRun;
using e2e::TraceEvent;

const char kGame[] = "http://game.example/play";

// A window that takes longer than this to answer is frozen to a player.
bool Answers(HWND w) { return testutil::Answers(w, 1000); }

// Index of the first main-process event `name` (with `key`=`value` when a key is given); -1 if none.
int IndexOf(const std::vector<TraceEvent>& trace, DWORD pid, const std::string& name, const std::string& key = {},
            const std::string& value = {}) {
  for (int i = 0; i < static_cast<int>(trace.size()); ++i) {
    const TraceEvent& e = trace[static_cast<size_t>(i)];
    if (e.pid == pid && e.event == name && (key.empty() || e.Get(key) == value)) return i;
  }
  return -1;
}

using Engine = e2e::ClientTest;

TEST_F(Engine, TheGamePageWaitsForTheProfilesCookieStoreWithoutFreezingTheWindow) {
  ASSERT_TRUE(StartClient(L"[dump]\r\ndoUrl2=" + testutil::FromUtf8(kGame) + L"\r\nistui=1\r\nWidth_0=800\r\nHeight_0=600\r\n",
                          L"", {L"STANDIN_COOKIE_DELAY_MS=3000"}));
  ASSERT_TRUE(run_.WaitEvents("on_after_created", 1, nullptr, 20000));
  // The browser is there, the store not yet: the page waits and the window answers meanwhile.
  if (run_.Events("cookie_set_storage_path").empty()) {
    EXPECT_TRUE(run_.Events("load_url").empty()) << "the game page was loaded before the cookie store was set";
    EXPECT_TRUE(Answers(run_.Game())) << "the window froze while the cookie store was awaited";
  }
  ASSERT_TRUE(run_.WaitLoaded(30000));
  const auto trace = run_.Trace();
  const int ready = IndexOf(trace, run_.Pid(), "cookie_storage_ready");
  const int path = IndexOf(trace, run_.Pid(), "cookie_set_storage_path");
  const int home = IndexOf(trace, run_.Pid(), "load_url", "url", kGame);
  ASSERT_GE(ready, 0);
  ASSERT_GE(path, 0);
  ASSERT_GE(home, 0);
  EXPECT_LT(ready, path);
  EXPECT_LT(path, home) << "the game's first cookies would land in the engine's default store";
  const std::string dir = trace[static_cast<size_t>(path)].Get("path");
  EXPECT_EQ(dir.size() >= 15 ? dir.substr(dir.size() - 15) : dir, "/lzgmin/cookies");
  EXPECT_GE(trace[static_cast<size_t>(ready)].ms - run_.Events("cookie_get_global_manager")[0].ms, 3000);
  EXPECT_TRUE(Answers(run_.Game()));
  ASSERT_TRUE(ExitCleanly());
}

// A sub-process the engine started: its id and type, and a handle to wait for its end.
struct Child {
  DWORD pid = 0;
  std::string type;
  HANDLE process = nullptr;
};

std::vector<Child> LaunchedChildren(const ClientRun& run) {
  std::vector<Child> out;
  for (auto& e : run.Events("subprocess_launch")) {
    Child c;
    c.pid = static_cast<DWORD>(std::stoul(e.Get("child")));
    c.type = e.Get("type");
    out.push_back(c);
  }
  return out;
}

std::wstring ImageOf(HANDLE process) {
  wchar_t path[MAX_PATH * 2];
  DWORD n = MAX_PATH * 2;
  return QueryFullProcessImageNameW(process, 0, path, &n) ? std::wstring(path, n) : std::wstring();
}

TEST_F(Engine, SubProcessesStartedDuringPlayRunTheClientLeaveItsFileAloneAndLastAsTheirWork) {
  // Test mode keeps the credentials in the file: every entry stays for the sub-processes to leave alone.
  ASSERT_TRUE(StartGame(L"[dump]\r\nuid=player01\r\nip=00112233445566778899AABBCCDDEEFF\r\nistest=1\r\nisDecodePwd=0\r\n"
                        L"doUrl2=" + testutil::FromUtf8(kGame) +
                        L"\r\nWidth_0=800\r\nHeight_0=600\r\nSizeIndex_0=4\r\ntitle_0=子进程\r\nistui=1\r\n[other]\r\nx=1\r\n"));
  // The start-up's own writes (the trace entry) are done once the page is there.
  std::string before;
  testutil::ReadBytes(run_.Config(), before);
  ASSERT_NE(before.find("uid=player01"), std::string::npos);
  const size_t atStart = LaunchedChildren(run_).size();

  ASSERT_TRUE(run_.PageCommand(L"spawn renderer"));
  ASSERT_TRUE(run_.PageCommand(L"spawn utility"));
  ASSERT_TRUE(run_.PageCommand(L"navigate http://other.example/next"));
  // Two renderers (the command's and the new site's) and a utility process, each running its role.
  ASSERT_TRUE(run_.WaitEvents("subprocess_launch", atStart + 3, nullptr, 20000));
  std::vector<Child> children = LaunchedChildren(run_);
  std::multiset<std::string> types;
  for (size_t i = atStart; i < children.size(); ++i) types.insert(children[i].type);
  EXPECT_EQ(types, (std::multiset<std::string>{"renderer", "renderer", "utility"}));
  const std::wstring exe = run_.Dir() + L"lzgmin.exe";
  for (auto& e : run_.Events("subprocess_launch")) EXPECT_EQ(testutil::FromUtf8(e.Get("exe")), exe);
  auto started = [&](const Child& c) {
    for (auto& e : run_.Trace())
      if (e.pid == c.pid && e.event == "subprocess_start" && e.Get("type") == c.type) return true;
    return false;
  };
  for (const Child& c : children)
    EXPECT_TRUE(testutil::WaitUntil([&] { return started(c); }, 20000)) << c.type << " " << c.pid << " never ran its role";
  // Still at work: the GPU process and the new site's renderer. The utility's job is done, and the old site's
  // renderers (the page's and its frame's) end once the new page has replaced theirs, while the client runs on.
  DWORD current = 0;
  for (const Child& c : children)
    if (c.type == "renderer") current = c.pid;
  auto ended_well = [&](const Child& c) {
    for (auto& e : run_.Events("subprocess_ended"))
      if (e.Get("child") == std::to_string(c.pid)) return e.Get("code") == "0";
    return false;
  };
  std::vector<Child> at_work;
  for (Child& c : children) {
    if (c.type != "gpu-process" && c.pid != current) {
      EXPECT_TRUE(testutil::WaitUntil([&] { return ended_well(c); }, 20000))
          << c.type << " " << c.pid << " did not end when its work was over";
      continue;
    }
    c.process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, c.pid);
    ASSERT_NE(c.process, nullptr) << c.type << " " << c.pid << " ended while the client runs";
    EXPECT_TRUE(_wcsicmp(ImageOf(c.process).c_str(), exe.c_str()) == 0) << testutil::ToUtf8(ImageOf(c.process));
    EXPECT_EQ(WaitForSingleObject(c.process, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << c.type << " ended early";
    at_work.push_back(c);
  }
  EXPECT_EQ(at_work.size(), 2u);
  EXPECT_TRUE(run_.WaitLoaded());
  EXPECT_TRUE(Answers(run_.Game()));
  std::string during;
  testutil::ReadBytes(run_.Config(), during);
  EXPECT_EQ(during, before) << "a sub-process started during play rewrote the configuration";

  // The children are awaited between the client's end and the check of the whole run's end.
  ASSERT_TRUE(run_.ExitThroughDialog());
  for (Child& c : at_work) {
    EXPECT_EQ(WaitForSingleObject(c.process, 20000), static_cast<DWORD>(WAIT_OBJECT_0))
        << c.type << " " << c.pid << " outlived the client";
    CloseHandle(c.process);
  }
  e2e::ExpectCleanEnd(run_);
  std::string after;
  testutil::ReadBytes(run_.Config(), after);
  EXPECT_EQ(after, before);
}

}  // namespace
