// The client as a player installs it: a copy of the players' package, unpacked (its folder in LZGTEST_PACKAGE,
// set by test-package.sh, which made the package from the stand-in's distribution). It reaches its game window and
// ends cleanly; the package's crash_reporter.cfg turns the engine's crash dumps on, which the log's start line
// says, and the crash handler the engine then starts runs its role inside the engine as every sub-process does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/client_test.h"
#include "tests/support/log_lines.h"
#include "tests/support/scoped_env.h"

namespace {

using e2e::TraceEvent;

std::wstring PackageFolder() { return testutil::GetEnv(L"LZGTEST_PACKAGE").value_or(L""); }

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

const wchar_t kConfig[] =
    L"[dump]\r\ndoUrl2=http://game.example/play\r\nWidth_0=800\r\nHeight_0=600\r\nSizeIndex_0=4\r\ntitle_0=安装包\r\n";

class PackagedClient : public e2e::ClientTest {
 protected:
  PackagedClient() : ClientTest(PackageFolder()) {}

  void SetUp() override {
    ASSERT_FALSE(PackageFolder().empty()) << "LZGTEST_PACKAGE names no unpacked package";
    ASSERT_TRUE(testutil::Exists(run_.Dir() + L"lzgmin.exe")) << testutil::ToUtf8(PackageFolder());
  }

  // The text of the main process's first log line.
  std::string StartLine() const {
    for (const std::string& line : run_.LogLines()) {
      const std::vector<std::string> col = logfile::Columns(line);
      if (col.size() == 6 && col[1] == std::to_string(run_.Pid())) return col[5];
    }
    return {};
  }

  // The trace events of process `pid`.
  std::vector<TraceEvent> EventsOf(DWORD pid) const {
    std::vector<TraceEvent> out;
    for (const TraceEvent& e : run_.Trace())
      if (e.pid == pid) out.push_back(e);
    return out;
  }
};

TEST_F(PackagedClient, ReachesItsGameWindowWithCrashDumpsOnAndItsCrashHandlerRunsInTheEngine) {
  ASSERT_TRUE(testutil::Exists(run_.Dir() + L"crash_reporter.cfg"));
  ASSERT_TRUE(StartGame(kConfig));
  const HWND game = run_.Game();
  ASSERT_NE(game, nullptr);
  EXPECT_TRUE(IsWindowVisible(game));
  EXPECT_NE(run_.BrowserWindow(), nullptr);
  const std::string start = StartLine();
  EXPECT_EQ(start.rfind("start: lzgmin 1.0.0.0, profile 0, slot 1, home http://game.example/play, engine 74.1.19.0, ", 0), 0u)
      << start;
  EXPECT_TRUE(EndsWith(start, ", crash dumps on")) << start;

  const std::vector<TraceEvent> launches = run_.Events("crash_handler_launch");
  ASSERT_EQ(launches.size(), 1u) << "the engine started no crash handler (or more than one)";
  EXPECT_EQ(testutil::FromUtf8(launches[0].Get("exe")), run_.Dir() + L"lzgmin.exe");
  const DWORD handler = static_cast<DWORD>(std::stoul(launches[0].Get("child")));
  ASSERT_NE(handler, 0u);
  ASSERT_TRUE(ExitCleanly());

  // The handler's process went straight to the engine, ran its role there and ended with the client.
  const std::vector<TraceEvent> events = EventsOf(handler);
  std::vector<std::string> seen;
  for (const TraceEvent& e : events) seen.push_back(e.event + " " + e.Get("type"));
  EXPECT_EQ(seen, (std::vector<std::string>{"subprocess_start crashpad-handler", "subprocess_exit crashpad-handler",
                                            "execute_process crashpad-handler"}));
  if (events.size() == 3) {
    EXPECT_EQ(events[0].Get("parent"), std::to_string(run_.Pid()));
    EXPECT_EQ(events[2].Get("result"), "0");
  }
}

TEST_F(PackagedClient, WithoutItsCrashReporterCfgTheEngineWritesNoDumps) {
  ASSERT_TRUE(DeleteFileW((run_.Dir() + L"crash_reporter.cfg").c_str()));
  ASSERT_TRUE(StartGame(kConfig));
  EXPECT_NE(run_.Game(), nullptr);
  const std::string start = StartLine();
  EXPECT_TRUE(EndsWith(start, ", crash dumps off")) << start;
  EXPECT_TRUE(run_.Events("crash_handler_launch").empty());
  ASSERT_TRUE(ExitCleanly());
}

}  // namespace
