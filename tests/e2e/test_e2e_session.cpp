// The real client at a log-off or shutdown: the session-end query shows the exit dialog; "stay" refuses the
// end and the game goes on; "exit" allows it; a session end that goes ahead shuts the engine down cleanly
// before the process ends (a forced one too), and one that another program cancels after "exit" ends the
// program instead of leaving an empty window that refuses to close.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/support/client_test.h"

namespace {

using e2e::ClientRun;

const wchar_t kConfig[] =
    L"[dump]\r\ndoUrl2=http://game.example/play\r\nuid=u1\r\nip=00\r\nWidth_0=1000\r\nHeight_0=720\r\n"
    L"SizeIndex_0=1\r\ntitle_0=会话\r\n";

std::string ConfigBytes(const ClientRun& run) {
  std::string bytes;
  testutil::ReadBytes(run.Config(), bytes);
  return bytes;
}

// Sends the session-end query as Windows does (it waits for the answer) and answers the dialog with `exit`.
// The window's answer: 1 allows the end.
LRESULT QueryAnswered(ClientRun& run, bool exit) {
  HWND game = run.Game();
  EXPECT_NE(game, nullptr);
  std::atomic<LRESULT> answer{-1};
  std::thread system([&] {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(game, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &result))
      answer = static_cast<LRESULT>(result);
  });
  EXPECT_TRUE(testutil::WaitUntil([&] { return run.DialogVisible(); }, 15000)) << "the query showed no dialog";
  EXPECT_TRUE(exit ? run.ClickExit() : run.ClickStay());
  system.join();
  return answer.load();
}

void EndSession(HWND game, bool ending) {
  DWORD_PTR result = 0;
  // The process may be gone before the answer: the call's own result tells nothing.
  SendMessageTimeoutW(game, WM_ENDSESSION, ending ? TRUE : FALSE, ENDSESSION_LOGOFF, SMTO_NORMAL, 30000, &result);
}

using SessionEnd = e2e::ClientTest;

TEST_F(SessionEnd, StayRefusesTheEndAndTheGameGoesOn) {
  ASSERT_TRUE(StartGame(kConfig));
  HWND game = run_.Game();
  EXPECT_EQ(QueryAnswered(run_, false), 0);
  EndSession(game, false);
  Sleep(500);
  ASSERT_TRUE(run_.Running());
  // The browser is alive: it still loads.
  const size_t loads = run_.Events("on_load_end").size();
  ASSERT_TRUE(run_.PageCommand(L"navigate http://game.example/after"));
  EXPECT_TRUE(run_.WaitEvents("on_load_end", loads + 1));
  ASSERT_TRUE(ExitCleanly());
}

TEST_F(SessionEnd, ExitThenCancelledEndsTheProgram) {
  ASSERT_TRUE(StartGame(kConfig));
  HWND game = run_.Game();
  EXPECT_EQ(QueryAnswered(run_, true), 1);
  // Another program cancels the log-off.
  EndSession(game, false);
  ASSERT_TRUE(run_.WaitExit(30000)) << "the program stayed after the player chose exit";
  e2e::ExpectCleanEnd(run_);
}

TEST_F(SessionEnd, ExitThenTheSessionEndsShutsTheEngineDownFirst) {
  ASSERT_TRUE(StartGame(kConfig));
  const std::string written = ConfigBytes(run_);  // the start's own writes are in
  HWND game = run_.Game();
  EXPECT_EQ(QueryAnswered(run_, true), 1);
  EndSession(game, true);
  ASSERT_TRUE(run_.WaitExit(30000));
  e2e::ExpectCleanEnd(run_);
  EXPECT_EQ(ConfigBytes(run_), written);
}

// A forced log-off ends the session although the player chose "stay" (or never answered).
TEST_F(SessionEnd, ForcedEndAfterStayStillShutsDownCleanly) {
  ASSERT_TRUE(StartGame(kConfig));
  const std::string written = ConfigBytes(run_);
  HWND game = run_.Game();
  EXPECT_EQ(QueryAnswered(run_, false), 0);
  EndSession(game, true);
  ASSERT_TRUE(run_.WaitExit(30000));
  e2e::ExpectCleanEnd(run_);
  EXPECT_EQ(ConfigBytes(run_), written);
}

// The session ends while the dialog of an ordinary close request is still open.
TEST_F(SessionEnd, EndWhileTheDialogIsOpen) {
  ASSERT_TRUE(StartGame(kConfig));
  HWND game = run_.Game();
  PostMessageW(game, WM_CLOSE, 0, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }, 15000));
  EndSession(game, true);
  ASSERT_TRUE(run_.WaitExit(30000));
  e2e::ExpectCleanEnd(run_);
}

}  // namespace

namespace {

// Exit chosen while the engine is still starting (its context comes late): the window closes at once, the
// engine goes down with no browser ever created, and no sub-process outlives the program.
using LateEngine = e2e::ClientTest;

TEST_F(LateEngine, ExitBeforeTheEngineIsReadyEndsCleanly) {
  ASSERT_TRUE(StartClient(kConfig, L"", {L"STANDIN_CONTEXT_DELAY_MS=8000"}));
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.Game() && IsWindowVisible(run_.Game()); }, 20000));
  ASSERT_TRUE(run_.Events("context_initialized").empty()) << "the engine was ready too early for this test";
  ASSERT_TRUE(ExitCleanly({.browserMade = false}));
  EXPECT_TRUE(run_.Events("create_browser").empty());
}

}  // namespace

namespace {

// A popup the engine opened (a disposition the policy lets through) is closed, and reported closed, before the
// engine goes down with the game's own browser.
using ExitWithPopups = e2e::ClientTest;

TEST_F(ExitWithPopups, EveryBrowserClosesBeforeTheEngineShutsDown) {
  ASSERT_TRUE(StartGame(kConfig));
  ASSERT_TRUE(run_.PageCommand(L"popup 0 1 http://game.example/inner"));
  ASSERT_TRUE(run_.PageCommand(L"popup 8 1 http://game.example/other"));
  ASSERT_TRUE(run_.WaitEvents("on_after_created", 3));
  // The clean end includes every browser made having closed before the shutdown.
  ASSERT_TRUE(ExitCleanly());
  EXPECT_EQ(run_.Count("on_after_created"), 3);
}

}  // namespace
