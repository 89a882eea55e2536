// The real client at a log-off or shutdown: the session-end query shows the exit dialog; "stay" refuses the
// end and the game goes on; "exit" allows it; a session end that goes ahead shuts the engine down cleanly
// before the process ends (a forced one too), and one that another program cancels after "exit" ends the
// program instead of leaving an empty window that refuses to close.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/e2e/client_run.h"

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

void EndSession(ClientRun& run, HWND game, bool ending) {
  DWORD_PTR result = 0;
  // The process may be gone before the answer: the call's own result tells nothing.
  SendMessageTimeoutW(game, WM_ENDSESSION, ending ? TRUE : FALSE, ENDSESSION_LOGOFF, SMTO_NORMAL, 30000, &result);
}

void Started(ClientRun& run) {
  run.WriteConfig(kConfig);
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitLoaded());
}

TEST(SessionEnd, StayRefusesTheEndAndTheGameGoesOn) {
  ClientRun run;
  Started(run);
  HWND game = run.Game();
  EXPECT_EQ(QueryAnswered(run, false), 0);
  EndSession(run, game, false);
  Sleep(500);
  ASSERT_TRUE(run.Running());
  // The browser is alive: it still loads.
  const size_t loads = run.Events("on_load_end").size();
  ASSERT_TRUE(run.PageCommand(L"navigate http://game.example/after"));
  EXPECT_TRUE(run.WaitEvents("on_load_end", loads + 1));
  ASSERT_TRUE(run.ExitThroughDialog());
  e2e::ExpectCleanEnd(run);
}

TEST(SessionEnd, ExitThenCancelledEndsTheProgram) {
  ClientRun run;
  Started(run);
  HWND game = run.Game();
  EXPECT_EQ(QueryAnswered(run, true), 1);
  // Another program cancels the log-off.
  EndSession(run, game, false);
  ASSERT_TRUE(run.WaitExit(30000)) << "the program stayed after the player chose exit";
  e2e::ExpectCleanEnd(run);
}

TEST(SessionEnd, ExitThenTheSessionEndsShutsTheEngineDownFirst) {
  ClientRun run;
  Started(run);
  const std::string written = ConfigBytes(run);  // the start's own writes are in
  HWND game = run.Game();
  EXPECT_EQ(QueryAnswered(run, true), 1);
  EndSession(run, game, true);
  ASSERT_TRUE(run.WaitExit(30000));
  e2e::ExpectCleanEnd(run);
  EXPECT_EQ(ConfigBytes(run), written);
}

// A forced log-off ends the session although the player chose "stay" (or never answered).
TEST(SessionEnd, ForcedEndAfterStayStillShutsDownCleanly) {
  ClientRun run;
  Started(run);
  const std::string written = ConfigBytes(run);
  HWND game = run.Game();
  EXPECT_EQ(QueryAnswered(run, false), 0);
  EndSession(run, game, true);
  ASSERT_TRUE(run.WaitExit(30000));
  e2e::ExpectCleanEnd(run);
  EXPECT_EQ(ConfigBytes(run), written);
}

// The session ends while the dialog of an ordinary close request is still open.
TEST(SessionEnd, EndWhileTheDialogIsOpen) {
  ClientRun run;
  Started(run);
  HWND game = run.Game();
  PostMessageW(game, WM_CLOSE, 0, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run.DialogVisible(); }, 15000));
  EndSession(run, game, true);
  ASSERT_TRUE(run.WaitExit(30000));
  e2e::ExpectCleanEnd(run);
}

}  // namespace

namespace {

// Exit chosen while the engine is still starting (its context comes late): the window closes at once, the
// engine goes down with no browser ever created, and no sub-process outlives the program.
TEST(LateEngine, ExitBeforeTheEngineIsReadyEndsCleanly) {
  ClientRun run;
  run.WriteConfig(kConfig);
  ASSERT_TRUE(run.Start(L"", {L"STANDIN_CONTEXT_DELAY_MS=8000"}));
  ASSERT_TRUE(testutil::WaitUntil([&] { return run.Game() && IsWindowVisible(run.Game()); }, 20000));
  ASSERT_TRUE(run.Events("context_initialized").empty()) << "the engine was ready too early for this test";
  ASSERT_TRUE(run.ExitThroughDialog());
  EXPECT_TRUE(run.Events("create_browser").empty());
  e2e::ExpectCleanEnd(run, {.browserMade = false});
}

}  // namespace

namespace {

// A popup the engine opened (a disposition the policy lets through) is closed, and reported closed, before the
// engine goes down with the game's own browser.
TEST(ExitWithPopups, EveryBrowserClosesBeforeTheEngineShutsDown) {
  ClientRun run;
  run.WriteConfig(kConfig);
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitLoaded());
  ASSERT_TRUE(run.PageCommand(L"popup 0 1 http://game.example/inner"));
  ASSERT_TRUE(run.PageCommand(L"popup 8 1 http://game.example/other"));
  ASSERT_TRUE(run.WaitEvents("on_after_created", 3));
  ASSERT_TRUE(run.ExitThroughDialog());
  // The clean end includes every browser made having closed before the shutdown.
  e2e::ExpectCleanEnd(run);
  EXPECT_EQ(run.Count("on_after_created"), 3);
}

}  // namespace
