// The real client under an engine that misbehaves in every way the stand-in can:
// a late context, a refused browser, a failed initialise, a cookie store that is
// never ready, and sub-processes that crash. Each run must do what the client
// should, show no window but its own two, leave no process behind and end cleanly.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "tests/hardening/probe.h"
#include "tests/support/client_test.h"

namespace {

using e2e::ClientRun;
using e2e::TraceEvent;
using testutil::Answers;
using tracefile::Count;
using hardening::WindowWatch;

// How long the client's cookie thread waits for the engine's cookie store.
constexpr double kCookieWaitMs = 5000;

const wchar_t kConfig[] = L"[dump]\r\ndoUrl2=http://game.example/home\r\nWidth_0=1000\r\nHeight_0=720\r\n";

// A run of the client under one engine fault. The windows it shows are watched from before its start to its
// end, and at the test's end a figure tells what the run came to.
class Faults : public e2e::ClientTest {
 protected:
  void SetUp() override { watch_ = std::make_unique<WindowWatch>(run_); }

  void TearDown() override {
    watch_.reset();
    if (HasFatalFailure()) return;
    std::string windows;
    for (auto& w : out_.windows) windows += (windows.empty() ? "" : ", ") + w;
    hardening::Figure("fault " + testutil::ToUtf8(fault_) + ": " + (HasFailure() ? "FAILED" : "survived") +
                      ", exit code " + std::to_string(run_.ExitCode()) + " " + out_.how +
                      ", windows: " + (windows.empty() ? "none" : windows) + ", sub-processes " +
                      std::to_string(out_.subprocesses) + " started, " + std::to_string(out_.left) + " left");
  }

  // Starts the client on kConfig with the fault `entry` ("NAME=value") in its environment; the figure names the
  // fault by it.
  testing::AssertionResult StartWithFault(const std::wstring& entry) {
    fault_ = entry;
    return StartClient(kConfig, L"", {entry});
  }

  // The windows seen during the whole run: the game window, and the dialog only when one was expected; nothing of
  // any other process of the client.
  void ExpectOnlyOwnWindows(bool gameExpected, bool dialogExpected) {
    bool game = false, dialog = false;
    for (auto& w : watch_->Seen()) {
      const bool own = w.pid == run_.Pid() && w.cls == L"LzgForm";
      if (own && w.text == L"信息提示") {
        EXPECT_TRUE(dialogExpected) << "an exit dialog";
        EXPECT_FALSE(dialog) << "a second exit dialog";
        dialog = true;
      } else if (own) {
        EXPECT_TRUE(gameExpected) << "a game window";
        EXPECT_FALSE(game) << "a second game window";
        game = true;
      } else {
        ADD_FAILURE() << "unexpected window of process " << w.pid << ": class " << testutil::ToUtf8(w.cls)
                      << ", text \"" << testutil::ToUtf8(w.text) << "\"";
      }
    }
    EXPECT_EQ(game, gameExpected);
    // A dialog that was expected has been proved by the exit through it (the
    // sampling may miss a dialog answered at once); an unexpected one is a fault.
    if (!dialogExpected) {
      EXPECT_FALSE(dialog) << "an exit dialog";
    }
    dialog = dialog || dialogExpected;
    if (game) out_.windows.push_back("game window");
    if (dialog) out_.windows.push_back("exit dialog");
  }

  // The run's clean end, and what the figure tells of it: the sub-processes started and those left running.
  void ExpectCleanEnd(const e2e::End& end) {
    std::set<std::string> children;
    for (auto& e : run_.Trace())
      if (e.event == "subprocess_launch" && e.Get("child") != "0") children.insert(e.Get("child"));
    out_.subprocesses = children.size();
    out_.left = e2e::ExpectCleanEnd(run_, end);
  }

  // The end of a run that got its window: out through the exit dialog, no window but the game window and the
  // dialog seen, and a clean end.
  testing::AssertionResult EndThroughTheDialog(const e2e::End& end = {}) {
    if (!run_.ExitThroughDialog()) return testing::AssertionFailure() << "the client did not end through the exit dialog";
    out_.how = "through the dialog";
    ExpectOnlyOwnWindows(true, true);
    ExpectCleanEnd(end);
    return testing::AssertionSuccess();
  }

  std::wstring fault_;  // as the figure names it
  // What the run came to, for the figure.
  struct Outcome {
    std::string how;  // "through the dialog" or "on its start-up path"
    std::vector<std::string> windows;
    size_t subprocesses = 0;
    size_t left = 0;
  } out_;
  std::unique_ptr<WindowWatch> watch_;
};

TEST_F(Faults, ContextLaterThanTheWindowStillGivesTheBrowserAndItsPage) {
  ASSERT_TRUE(StartWithFault(L"STANDIN_CONTEXT_DELAY_MS=3000"));
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.Game() && IsWindowVisible(run_.Game()); }));
  EXPECT_TRUE(run_.Events("context_initialized").empty()) << "the window came up after the context";
  ASSERT_TRUE(run_.WaitLoaded(30000));
  const auto ctx = run_.Events("context_initialized");
  ASSERT_EQ(ctx.size(), 1u);
  // Asked once before the context (refused) at most, then once after it; one browser.
  const auto created = run_.Events("create_browser");
  ASSERT_FALSE(created.empty());
  EXPECT_LE(created.size(), 2u);
  EXPECT_EQ(Count(created, "create_browser", "result", "1"), 1);
  EXPECT_GE(created.back().ms, ctx[0].ms);
  EXPECT_EQ(run_.Events("load_url")[0].Get("url"), "http://game.example/home");
  const e2e::Geometry g = e2e::GeometryOf(run_.Game());
  EXPECT_EQ(g.clientW, 1000);
  EXPECT_EQ(g.clientH, 720);
  ASSERT_TRUE(EndThroughTheDialog());
}

TEST_F(Faults, RefusedBrowserLeavesAUsableWindowThatClosesThroughTheDialog) {
  ASSERT_TRUE(StartWithFault(L"STANDIN_REFUSE_CREATE=1"));
  ASSERT_TRUE(run_.WaitEvents("context_initialized", 1));
  ASSERT_TRUE(run_.WaitEvents("create_browser", 1));
  Sleep(1500);  // any retry loop shows up now
  const auto created = run_.Events("create_browser");
  EXPECT_LE(created.size(), 2u) << "the client keeps asking for a browser";
  EXPECT_EQ(Count(created, "create_browser", "result", "1"), 0);
  const HWND game = run_.Game();
  ASSERT_TRUE(game);
  EXPECT_TRUE(IsWindowVisible(game));
  EXPECT_TRUE(Answers(game));
  EXPECT_FALSE(run_.BrowserWindow());
  // The window still follows the system's commands; with no browser nothing is loaded.
  SendMessageW(game, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(game));
  SendMessageW(game, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(game));
  EXPECT_EQ(e2e::GeometryOf(game).clientW, 1000);
  EXPECT_TRUE(run_.Events("load_url").empty());
  // Stay keeps it; exit ends it.
  PostMessageW(game, WM_CLOSE, 0, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  ASSERT_TRUE(run_.ClickStay());
  ASSERT_TRUE(testutil::WaitUntil([&] { return !run_.DialogVisible(); }));
  Sleep(300);
  EXPECT_TRUE(run_.Running());
  EXPECT_TRUE(Answers(game));
  ASSERT_TRUE(EndThroughTheDialog({.browserMade = false}));
}

TEST_F(Faults, FailedInitialiseEndsWithoutAnyWindowAndStillShutsDown) {
  ASSERT_TRUE(StartWithFault(L"STANDIN_INIT_FAIL=1"));
  ASSERT_TRUE(run_.WaitExit(20000)) << "the client hangs after a failed initialise";
  Sleep(200);  // the watch's last look
  out_.how = "on its start-up path";
  EXPECT_EQ(run_.ExitCode(), 0u);
  auto init = run_.Events("initialize");
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(init[0].Get("result"), "0");
  EXPECT_TRUE(run_.Events("create_browser").empty());
  EXPECT_TRUE(run_.Events("subprocess_launch").empty());
  ExpectOnlyOwnWindows(false, false);
  ExpectCleanEnd({.engineStarted = false});
}

TEST_F(Faults, CookieStoreNeverReadyHoldsTheGamePageOnlyUntilTheCookieThreadGivesUp) {
  ASSERT_TRUE(StartWithFault(L"STANDIN_COOKIE_NEVER_READY=1"));
  ASSERT_TRUE(run_.WaitEvents("context_initialized", 1, nullptr, 20000));
  const DWORD contextSeen = GetTickCount();
  ASSERT_TRUE(run_.WaitEvents("cookie_storage_never_ready", 1));
  // While the cookie thread waits, the browser is made (its renderer and that one's watcher with it), the game
  // page waits, and the window goes on answering.
  ASSERT_TRUE(run_.WaitEvents("on_after_created", 1, nullptr, 20000));
  const long waiting = hardening::ThreadsOf(run_.Pid());
  EXPECT_TRUE(run_.Events("load_url").empty()) << "the game page did not wait for the cookie store";
  EXPECT_TRUE(Answers(run_.Game()));
  // The cookie thread gives up 5 s after its question; the game page follows at once.
  ASSERT_TRUE(run_.WaitLoaded());
  const double askedMs = run_.Events("cookie_get_global_manager")[0].ms;
  const double homeMs = run_.Events("load_url")[0].ms;
  EXPECT_GE(homeMs - askedMs, kCookieWaitMs - 100) << "the game page did not wait for the cookie thread's bound";
  EXPECT_LT(homeMs - askedMs, kCookieWaitMs + 3000) << "the game page came long after the cookie thread gave up";
  EXPECT_EQ(run_.Events("cookie_get_global_manager").size(), 1u);
  EXPECT_TRUE(Answers(run_.Game()));
  // The thread that gave up is gone: the process has one thread fewer then.
  while (GetTickCount() - contextSeen < 7000) Sleep(50);
  const long after = hardening::ThreadsOf(run_.Pid());
  EXPECT_LE(after, waiting - 1) << "threads while the cookie store is awaited " << waiting << ", 5 s later " << after;
  EXPECT_TRUE(run_.Events("cookie_set_storage_path").empty());
  EXPECT_TRUE(Answers(run_.Game()));
  ASSERT_TRUE(EndThroughTheDialog());
}

TEST_F(Faults, ExitWhileTheCookieThreadStillWaits) {
  ASSERT_TRUE(StartWithFault(L"STANDIN_COOKIE_NEVER_READY=1"));
  fault_ += L", exit at once";
  // The game page waits for the cookie thread, so the browser being there is the earliest moment.
  ASSERT_TRUE(run_.WaitEvents("on_after_created", 1, nullptr, 20000));
  // A thread that still waits is woken before the engine goes down and lets go
  // of its event and the cookie manager: nothing is left alive either way.
  ASSERT_TRUE(EndThroughTheDialog());
  // Nobody waits for the cookie thread. Whether the engine went down while it
  // still waited depends on the machine's speed; the run must be clean either way.
  const double ctx = run_.Events("context_initialized")[0].ms;
  const bool duringWait = run_.Events("shutdown")[0].ms - ctx < kCookieWaitMs;
  fault_ += duringWait ? L" (engine down while the cookie thread waited)" : L" (the wait had ended first)";
}

TEST_F(Faults, CrashingSubProcessesLeaveTheClientRunning) {
  ASSERT_TRUE(StartWithFault(L"STANDIN_SUBPROCESS_CRASH=1"));
  // Both sub-processes (GPU at start, renderer with the browser) die, and the engine notices.
  ASSERT_TRUE(testutil::WaitUntil([&] { return Count(run_.Trace(), "subprocess_crash") >= 2; }, 20000));
  ASSERT_TRUE(run_.WaitEvents("subprocess_ended", 2));
  for (auto& e : run_.Events("subprocess_ended")) EXPECT_EQ(e.Get("code"), "c0000005");
  ASSERT_TRUE(run_.WaitEvents("on_after_created", 1));
  Sleep(1000);
  EXPECT_TRUE(run_.Running());
  const HWND game = run_.Game();
  EXPECT_TRUE(game && IsWindowVisible(game));
  EXPECT_TRUE(Answers(game));
  EXPECT_FALSE(run_.DialogVisible()) << "a crashed renderer asked to close the window";
  // The window still works: a maximise and a restore, and the close protocol.
  SendMessageW(game, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(game));
  SendMessageW(game, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(game));
  ASSERT_TRUE(EndThroughTheDialog());
}

}  // namespace
