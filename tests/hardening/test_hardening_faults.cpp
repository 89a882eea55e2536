// The real client under an engine that misbehaves in every way the stand-in can:
// a late context, a refused browser, a failed initialise, a cookie store that is
// never ready, and sub-processes that crash. Each run must do what the client
// should, show no window but its own two, leave no process behind and end cleanly.
#include <gtest/gtest.h>

#include <set>

#include "tests/hardening/probe.h"

namespace {

using e2e::ClientRun;
using e2e::TraceEvent;
using testutil::Answers;
using tracefile::Count;
using hardening::WindowWatch;

// How long the client's cookie thread waits for the engine's cookie store.
constexpr double kCookieWaitMs = 5000;

const wchar_t kConfig[] = L"[dump]\r\ndoUrl2=http://game.example/home\r\nWidth_0=1000\r\nHeight_0=720\r\n";

// What one fault run saw, for its figure.
struct Outcome {
  std::string how;  // "through the dialog" or "on its start-up path"
  std::vector<std::string> windows;
  size_t subprocesses = 0;
  size_t left = 0;
};

// The windows seen during the whole run: the game window, and the dialog only
// when one was expected; nothing of any other process of the client.
void ExpectOnlyOwnWindows(const ClientRun& run, WindowWatch& watch, bool gameExpected, bool dialogExpected,
                          Outcome& out) {
  bool game = false, dialog = false;
  for (auto& w : watch.Seen()) {
    const bool own = w.pid == run.Pid() && w.cls == L"LzgForm";
    if (own && w.text == L"信息提示") {
      EXPECT_TRUE(dialogExpected) << "an exit dialog";
      EXPECT_FALSE(dialog) << "a second exit dialog";
      dialog = true;
    } else if (own) {
      EXPECT_TRUE(gameExpected) << "a game window";
      EXPECT_FALSE(game) << "a second game window";
      game = true;
    } else {
      ADD_FAILURE() << "unexpected window of process " << w.pid << ": class " << testutil::ToUtf8(w.cls) << ", text \""
                    << testutil::ToUtf8(w.text) << "\"";
    }
  }
  EXPECT_EQ(game, gameExpected);
  // A dialog that was expected has been proved by the exit through it (the
  // sampling may miss a dialog answered at once); an unexpected one is a fault.
  if (!dialogExpected) EXPECT_FALSE(dialog) << "an exit dialog";
  dialog = dialog || dialogExpected;
  if (game) out.windows.push_back("game window");
  if (dialog) out.windows.push_back("exit dialog");
}

// The run's clean end, and what the figure tells of it: the sub-processes started and those left running.
void ExpectCleanEnd(const ClientRun& run, const e2e::End& end, Outcome& out) {
  std::set<std::string> children;
  for (auto& e : run.Trace())
    if (e.event == "subprocess_launch" && e.Get("child") != "0") children.insert(e.Get("child"));
  out.subprocesses = children.size();
  out.left = e2e::ExpectCleanEnd(run, end);
}

void Report(const std::wstring& fault, const Outcome& o, DWORD exitCode) {
  std::string windows;
  for (auto& w : o.windows) windows += (windows.empty() ? "" : ", ") + w;
  hardening::Figure("fault " + testutil::ToUtf8(fault) + ": " +
                    (::testing::Test::HasFailure() ? "FAILED" : "survived") + ", exit code " +
                    std::to_string(exitCode) + " " + o.how + ", windows: " + (windows.empty() ? "none" : windows) +
                    ", sub-processes " + std::to_string(o.subprocesses) + " started, " + std::to_string(o.left) +
                    " left");
}

TEST(Faults, ContextLaterThanTheWindowStillGivesTheBrowserAndItsPage) {
  const std::wstring fault = L"STANDIN_CONTEXT_DELAY_MS=3000";
  ClientRun run;
  run.WriteConfig(kConfig);
  Outcome out;
  {
    WindowWatch windows(run);
    ASSERT_TRUE(run.Start(L"", {fault}));
    ASSERT_TRUE(testutil::WaitUntil([&] { return run.Game() && IsWindowVisible(run.Game()); }));
    EXPECT_TRUE(run.Events("context_initialized").empty()) << "the window came up after the context";
    ASSERT_TRUE(run.WaitLoaded(30000));
    const auto ctx = run.Events("context_initialized");
    ASSERT_EQ(ctx.size(), 1u);
    // Asked once before the context (refused) at most, then once after it; one browser.
    const auto created = run.Events("create_browser");
    ASSERT_FALSE(created.empty());
    EXPECT_LE(created.size(), 2u);
    EXPECT_EQ(Count(created, "create_browser", "result", "1"), 1);
    EXPECT_GE(created.back().ms, ctx[0].ms);
    EXPECT_EQ(run.Events("load_url")[0].Get("url"), "http://game.example/home");
    const e2e::Geometry g = e2e::GeometryOf(run.Game());
    EXPECT_EQ(g.clientW, 1000);
    EXPECT_EQ(g.clientH, 720);
    ASSERT_TRUE(run.ExitThroughDialog());
    out.how = "through the dialog";
    ExpectOnlyOwnWindows(run, windows, true, true, out);
    ExpectCleanEnd(run, {}, out);
  }
  Report(fault, out, run.ExitCode());
}

TEST(Faults, RefusedBrowserLeavesAUsableWindowThatClosesThroughTheDialog) {
  const std::wstring fault = L"STANDIN_REFUSE_CREATE=1";
  ClientRun run;
  run.WriteConfig(kConfig);
  Outcome out;
  {
    WindowWatch windows(run);
    ASSERT_TRUE(run.Start(L"", {fault}));
    ASSERT_TRUE(run.WaitEvents("context_initialized", 1));
    ASSERT_TRUE(run.WaitEvents("create_browser", 1));
    Sleep(1500);  // any retry loop shows up now
    const auto created = run.Events("create_browser");
    EXPECT_LE(created.size(), 2u) << "the client keeps asking for a browser";
    EXPECT_EQ(Count(created, "create_browser", "result", "1"), 0);
    const HWND game = run.Game();
    ASSERT_TRUE(game);
    EXPECT_TRUE(IsWindowVisible(game));
    EXPECT_TRUE(Answers(game));
    EXPECT_FALSE(run.BrowserWindow());
    // The window still follows the system's commands; with no browser nothing is loaded.
    SendMessageW(game, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(game));
    SendMessageW(game, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(game));
    EXPECT_EQ(e2e::GeometryOf(game).clientW, 1000);
    EXPECT_TRUE(run.Events("load_url").empty());
    // Stay keeps it; exit ends it.
    PostMessageW(game, WM_CLOSE, 0, 0);
    ASSERT_TRUE(testutil::WaitUntil([&] { return run.DialogVisible(); }));
    ASSERT_TRUE(run.ClickStay());
    ASSERT_TRUE(testutil::WaitUntil([&] { return !run.DialogVisible(); }));
    Sleep(300);
    EXPECT_TRUE(run.Running());
    EXPECT_TRUE(Answers(game));
    ASSERT_TRUE(run.ExitThroughDialog());
    out.how = "through the dialog";
    ExpectOnlyOwnWindows(run, windows, true, true, out);
    ExpectCleanEnd(run, {.browserMade = false}, out);
  }
  Report(fault, out, run.ExitCode());
}

TEST(Faults, FailedInitialiseEndsWithoutAnyWindowAndStillShutsDown) {
  const std::wstring fault = L"STANDIN_INIT_FAIL=1";
  ClientRun run;
  run.WriteConfig(kConfig);
  Outcome out;
  {
    WindowWatch windows(run);
    ASSERT_TRUE(run.Start(L"", {fault}));
    ASSERT_TRUE(run.WaitExit(20000)) << "the client hangs after a failed initialise";
    Sleep(200);  // the watch's last look
    out.how = "on its start-up path";
    EXPECT_EQ(run.ExitCode(), 0u);
    auto init = run.Events("initialize");
    ASSERT_EQ(init.size(), 1u);
    EXPECT_EQ(init[0].Get("result"), "0");
    EXPECT_TRUE(run.Events("create_browser").empty());
    EXPECT_TRUE(run.Events("subprocess_launch").empty());
    ExpectOnlyOwnWindows(run, windows, false, false, out);
    ExpectCleanEnd(run, {.engineStarted = false}, out);
  }
  Report(fault, out, run.ExitCode());
}

TEST(Faults, CookieStoreNeverReadyHoldsTheGamePageOnlyUntilTheCookieThreadGivesUp) {
  const std::wstring fault = L"STANDIN_COOKIE_NEVER_READY=1";
  ClientRun run;
  run.WriteConfig(kConfig);
  Outcome out;
  {
    WindowWatch windows(run);
    ASSERT_TRUE(run.Start(L"", {fault}));
    ASSERT_TRUE(run.WaitEvents("context_initialized", 1, nullptr, 20000));
    const DWORD contextSeen = GetTickCount();
    ASSERT_TRUE(run.WaitEvents("cookie_storage_never_ready", 1));
    // While the cookie thread waits, the browser is made (its renderer and that one's watcher with it), the game
    // page waits, and the window goes on answering.
    ASSERT_TRUE(run.WaitEvents("on_after_created", 1, nullptr, 20000));
    const long waiting = hardening::ThreadsOf(run.Pid());
    EXPECT_TRUE(run.Events("load_url").empty()) << "the game page did not wait for the cookie store";
    EXPECT_TRUE(Answers(run.Game()));
    // The cookie thread gives up 5 s after its question; the game page follows at once.
    ASSERT_TRUE(run.WaitLoaded());
    const double askedMs = run.Events("cookie_get_global_manager")[0].ms;
    const double homeMs = run.Events("load_url")[0].ms;
    EXPECT_GE(homeMs - askedMs, kCookieWaitMs - 100) << "the game page did not wait for the cookie thread's bound";
    EXPECT_LT(homeMs - askedMs, kCookieWaitMs + 3000) << "the game page came long after the cookie thread gave up";
    EXPECT_EQ(run.Events("cookie_get_global_manager").size(), 1u);
    EXPECT_TRUE(Answers(run.Game()));
    // The thread that gave up is gone: the process has one thread fewer then.
    while (GetTickCount() - contextSeen < 7000) Sleep(50);
    const long after = hardening::ThreadsOf(run.Pid());
    EXPECT_LE(after, waiting - 1) << "threads while the cookie store is awaited " << waiting << ", 5 s later " << after;
    EXPECT_TRUE(run.Events("cookie_set_storage_path").empty());
    EXPECT_TRUE(Answers(run.Game()));
    ASSERT_TRUE(run.ExitThroughDialog());
    out.how = "through the dialog";
    ExpectOnlyOwnWindows(run, windows, true, true, out);
    ExpectCleanEnd(run, {}, out);
  }
  Report(fault, out, run.ExitCode());
}

TEST(Faults, ExitWhileTheCookieThreadStillWaits) {
  std::wstring fault = L"STANDIN_COOKIE_NEVER_READY=1, exit at once";
  ClientRun run;
  run.WriteConfig(kConfig);
  Outcome out;
  {
    WindowWatch windows(run);
    ASSERT_TRUE(run.Start(L"", {L"STANDIN_COOKIE_NEVER_READY=1"}));
    // The game page waits for the cookie thread, so the browser being there is the earliest moment.
    ASSERT_TRUE(run.WaitEvents("on_after_created", 1, nullptr, 20000));
    ASSERT_TRUE(run.ExitThroughDialog());
    // Nobody waits for the cookie thread. Whether the engine went down while it
    // still waited depends on the machine's speed; the run must be clean either way.
    const double ctx = run.Events("context_initialized")[0].ms;
    const bool duringWait = run.Events("shutdown")[0].ms - ctx < kCookieWaitMs;
    fault += duringWait ? L" (engine down while the cookie thread waited)" : L" (the wait had ended first)";
    out.how = "through the dialog";
    ExpectOnlyOwnWindows(run, windows, true, true, out);
    // A thread that still waits is woken before the engine goes down and lets go
    // of its event and the cookie manager: nothing is left alive either way.
    ExpectCleanEnd(run, {}, out);
  }
  Report(fault, out, run.ExitCode());
}

TEST(Faults, CrashingSubProcessesLeaveTheClientRunning) {
  const std::wstring fault = L"STANDIN_SUBPROCESS_CRASH=1";
  ClientRun run;
  run.WriteConfig(kConfig);
  Outcome out;
  {
    WindowWatch windows(run);
    ASSERT_TRUE(run.Start(L"", {fault}));
    // Both sub-processes (GPU at start, renderer with the browser) die, and the engine notices.
    ASSERT_TRUE(testutil::WaitUntil([&] { return Count(run.Trace(), "subprocess_crash") >= 2; }, 20000));
    ASSERT_TRUE(run.WaitEvents("subprocess_ended", 2));
    for (auto& e : run.Events("subprocess_ended")) EXPECT_EQ(e.Get("code"), "c0000005");
    ASSERT_TRUE(run.WaitEvents("on_after_created", 1));
    Sleep(1000);
    EXPECT_TRUE(run.Running());
    const HWND game = run.Game();
    EXPECT_TRUE(game && IsWindowVisible(game));
    EXPECT_TRUE(Answers(game));
    EXPECT_FALSE(run.DialogVisible()) << "a crashed renderer asked to close the window";
    // The window still works: a maximise and a restore, and the close protocol.
    SendMessageW(game, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(game));
    SendMessageW(game, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(game));
    ASSERT_TRUE(run.ExitThroughDialog());
    out.how = "through the dialog";
    ExpectOnlyOwnWindows(run, windows, true, true, out);
    ExpectCleanEnd(run, {}, out);
  }
  Report(fault, out, run.ExitCode());
}

}  // namespace
