// The real client under the engine stand-in: the game window's start, its
// browser and home address, the exit dialog's placement and answers, and every
// way of closing. Screenshots of the window and the dialog land under
// <build>/screenshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/support/client_test.h"

namespace {

using e2e::ClientRun;
using e2e::GeometryOf;
using e2e::TraceEvent;

std::string HexOf(HWND h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
  return buf;
}

using GameWindow = e2e::ClientTest;

TEST_F(GameWindow, Profile0OpensTheGameAndClosesOnlyThroughTheDialog) {
  testutil::WriteBytes(run_.Dir() + L"52lzg.dat", "TG42\r\nsecond line\r\n");
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/play?x=1\r\nistui=1\r\nWidth_0=1000\r\nHeight_0=720\r\n"
                        L"SizeIndex_0=1\r\ntitle_0=测试游戏\r\nWidth_1=800\r\nHeight_1=600\r\n"));

  // The browser: one request, in the parent control that fills the client area, at its size.
  const HWND game = run_.Game();
  ASSERT_TRUE(game);
  const e2e::Geometry g = GeometryOf(game);
  EXPECT_EQ(g.clientW, 1000);
  EXPECT_EQ(g.clientH, 720);
  auto created = run_.Events("create_browser");
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0].Get("result"), "1");
  EXPECT_EQ(created[0].Get("url"), "about:blank");
  EXPECT_EQ(created[0].Get("x"), "0");
  EXPECT_EQ(created[0].Get("y"), "0");
  EXPECT_EQ(created[0].Get("width"), "1000");
  EXPECT_EQ(created[0].Get("height"), "720");
  const HWND browser = run_.BrowserWindow();
  ASSERT_TRUE(browser);
  // The run's processes are known by the folder they run from, as the clean-end check finds them: the client
  // and every sub-process its engine started.
  const std::vector<DWORD> running = run_.Processes();
  EXPECT_NE(std::find(running.begin(), running.end(), run_.Pid()), running.end());
  for (auto& e : run_.Events("subprocess_launch")) {
    const DWORD child = static_cast<DWORD>(std::stoul(e.Get("child")));
    EXPECT_NE(std::find(running.begin(), running.end(), child), running.end()) << e.Get("type");
  }
  EXPECT_FALSE(run_.Events("subprocess_launch").empty());
  const HWND parent = GetParent(browser);
  EXPECT_EQ(created[0].Get("parent"), HexOf(parent));
  EXPECT_EQ(GetParent(parent), game);
  RECT br{};
  GetClientRect(browser, &br);
  EXPECT_EQ(br.right, 1000);
  EXPECT_EQ(br.bottom, 720);

  // about:blank first, then exactly the configured address with its tag code.
  auto loads = run_.Events("load_url");
  ASSERT_EQ(loads.size(), 1u);
  EXPECT_EQ(loads[0].Get("frame"), "main");
  EXPECT_EQ(loads[0].Get("url"), "http://game.example/play?x=1&tg=TG42");
  std::vector<TraceEvent> navigations;
  for (auto& e : run_.Events("on_before_browse"))
    if (e.Get("frame") == "main") navigations.push_back(e);
  ASSERT_GE(navigations.size(), 2u);
  EXPECT_EQ(navigations[0].Get("url"), "about:blank");
  EXPECT_EQ(navigations[1].Get("url"), "http://game.example/play?x=1&tg=TG42");

  // Profile 0's directories.
  auto init = run_.Events("initialize");
  ASSERT_EQ(init.size(), 1u);
  EXPECT_NE(init[0].Get("cache_path").find("/lzgmin/cache"), std::string::npos);

  // The first showing is centred on the work area.
  const RECT wa = e2e::WorkArea();
  const int outerW = g.outer.right - g.outer.left, outerH = g.outer.bottom - g.outer.top;
  EXPECT_EQ(g.outer.left, std::max<int>(wa.left + (wa.right - wa.left - outerW) / 2, GetSystemMetrics(SM_XVIRTUALSCREEN)));
  EXPECT_EQ(g.outer.top, std::max<int>(wa.top + (wa.bottom - wa.top - outerH) / 2, GetSystemMetrics(SM_YVIRTUALSCREEN)));
  Sleep(500);
  e2e::SaveScreenshot(g.outer, L"game_window");

  // First close: the dialog, centred by its first-showing rule on the window's outer frame.
  PostMessageW(game, WM_CLOSE, 0, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  HWND dialog = run_.FindWindows().dialog;
  e2e::Geometry d = GeometryOf(dialog);
  EXPECT_EQ(d.clientW, 600);
  EXPECT_EQ(d.clientH, 330);
  EXPECT_EQ(d.outer.left, g.outer.left + (outerW - 600) / 2);
  EXPECT_EQ(d.outer.top, g.outer.top + (outerH - 330) / 2);
  EXPECT_FALSE(IsWindowEnabled(game)) << "the game window takes input while the dialog is up";
  Sleep(300);
  e2e::SaveScreenshot(d.outer, L"exit_dialog");
  RECT both;
  UnionRect(&both, &g.outer, &d.outer);
  e2e::SaveScreenshot(both, L"game_window_with_dialog");

  // Enter and Escape do nothing in the dialog.
  for (WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
    PostMessageW(dialog, WM_KEYDOWN, key, 1);
    PostMessageW(dialog, WM_KEYUP, key, 0xC0000001);
  }
  Sleep(500);
  EXPECT_TRUE(run_.DialogVisible());

  // Stay: the window stays, the page gets the focus back.
  const size_t focusBefore = run_.Events("set_focus").size();
  ASSERT_TRUE(run_.ClickStay());
  ASSERT_TRUE(testutil::WaitUntil([&] { return !run_.DialogVisible(); }));
  EXPECT_TRUE(run_.WaitEvents("set_focus", focusBefore + 1, [](const TraceEvent& e) { return e.Get("focus") == "1"; }));
  EXPECT_TRUE(run_.Running());
  EXPECT_TRUE(IsWindowEnabled(game));

  // Second close, by the system command: the dialog keeps its placement rule of later showings.
  PostMessageW(game, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  d = GeometryOf(run_.FindWindows().dialog);
  EXPECT_EQ(d.outer.left, g.outer.left + (1000 - 600) / 2);
  EXPECT_EQ(d.outer.top, g.outer.top + (720 - 330) / 2);

  // Exit: the process ends with 0, after the browser closed.
  ASSERT_TRUE(run_.ClickExit());
  ASSERT_TRUE(run_.WaitExit());
  e2e::ExpectCleanEnd(run_);
  EXPECT_EQ(tracefile::Count(run_.Trace(), "create_browser"), 1);
}

TEST_F(GameWindow, Profile1UsesItsSizeDirectoriesAndAddress) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/\r\nWidth_0=1000\r\nHeight_0=720\r\nSizeIndex_0=1\r\n"
                        L"Width_1=800\r\nHeight_1=600\r\nSizeIndex_1=4\r\n",
                        L"http://other.example/g?id=7"));
  auto loads = run_.Events("load_url");
  ASSERT_EQ(loads.size(), 1u);
  EXPECT_EQ(loads[0].Get("url"), "http://other.example/g?id=7");
  const e2e::Geometry g = GeometryOf(run_.Game());
  EXPECT_EQ(g.clientW, 800);
  EXPECT_EQ(g.clientH, 600);
  auto init = run_.Events("initialize");
  ASSERT_EQ(init.size(), 1u);
  EXPECT_NE(init[0].Get("cache_path").find("/lzgmin3game/cache"), std::string::npos);
  EXPECT_NE(init[0].Get("user_data_path").find("/lzgmin3game/UserData"), std::string::npos);
  ASSERT_TRUE(ExitCleanly());
}

TEST_F(GameWindow, BrowserIsCreatedWhenTheEngineBecomesReadyLate) {
  ASSERT_TRUE(StartClient(L"[dump]\r\ndoUrl2=http://late.example/\r\n", L"", {L"STANDIN_CONTEXT_DELAY_MS=4000"}));
  // The window is up long before the engine's context.
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.Game() && IsWindowVisible(run_.Game()); }));
  EXPECT_TRUE(run_.Events("context_initialized").empty());
  ASSERT_TRUE(run_.WaitLoaded(30000));
  auto ctx = run_.Events("context_initialized");
  auto created = run_.Events("create_browser");
  ASSERT_EQ(ctx.size(), 1u);
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0].Get("result"), "1");
  EXPECT_GE(created[0].ms, ctx[0].ms);
  EXPECT_EQ(run_.Events("load_url")[0].Get("url"), "http://late.example/");
  ASSERT_TRUE(ExitCleanly());
}

TEST_F(GameWindow, PageClosingItselfAsksAndLeavesAnEmptyWindowOnStay) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/\r\n"));
  const HWND game = run_.Game();
  ASSERT_TRUE(run_.PageCommand(L"close"));
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  auto doClose = run_.Events("do_close");
  ASSERT_EQ(doClose.size(), 1u);
  EXPECT_EQ(doClose[0].Get("result"), "1");  // the window destroys the browser's parent itself
  EXPECT_TRUE(run_.WaitEvents("on_before_close", 1));
  EXPECT_FALSE(run_.BrowserWindow());

  // Stay: an empty window that keeps running.
  ASSERT_TRUE(run_.ClickStay());
  ASSERT_TRUE(testutil::WaitUntil([&] { return !run_.DialogVisible(); }));
  Sleep(500);
  EXPECT_TRUE(run_.Running());
  EXPECT_TRUE(IsWindowVisible(game));
  EXPECT_EQ(GetWindow(game, GW_CHILD), nullptr) << "the browser's parent is still there";

  // Maximise and restore with no browser left: the window follows, nothing is loaded.
  const size_t loadsBefore = run_.Events("load_url").size();
  SendMessageW(game, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(game));
  SendMessageW(game, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(game));
  EXPECT_EQ(run_.Events("load_url").size(), loadsBefore);
  EXPECT_TRUE(run_.Running());

  // The next close asks again; exit ends the run cleanly.
  ASSERT_TRUE(ExitCleanly());
}

// The page closes the game browser while a popup browser the engine opened is still up: the popup is closed
// first (the game browser's close takes away the client both share), and the exit after it takes its usual time.
TEST_F(GameWindow, PageClosingItselfWithAPopupOpenClosesThePopupFirst) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/\r\n"));
  ASSERT_TRUE(run_.PageCommand(L"popup 1 1 http://let.example/current"));
  ASSERT_TRUE(run_.WaitEvents("popup_created", 1));
  const std::string popup = run_.Events("popup_created")[0].Get("id");
  const std::string game = run_.Events("popup_created")[0].Get("opener");
  ASSERT_TRUE(run_.WaitEvents("on_after_created", 2));

  ASSERT_TRUE(run_.PageCommand(L"close"));
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  ASSERT_TRUE(run_.WaitEvents("on_before_close", 2));
  auto closed = run_.Events("on_before_close");
  EXPECT_EQ(closed[0].Get("id"), popup);
  EXPECT_EQ(closed[1].Get("id"), game);
  EXPECT_FALSE(run_.BrowserWindow());

  const ULONGLONG asked = GetTickCount64();
  ASSERT_TRUE(run_.ClickExit());
  ASSERT_TRUE(run_.WaitExit());
  EXPECT_LT(GetTickCount64() - asked, 4000u) << "the exit waited for a browser it could not hear of";
  e2e::ExpectCleanEnd(run_);
}

TEST_F(GameWindow, CloseWhileTheDialogIsOpenIsIgnored) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/\r\n"));
  const HWND game = run_.Game();
  PostMessageW(game, WM_CLOSE, 0, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  // The page closes itself while the dialog is up, and more close requests come.
  ASSERT_TRUE(run_.PageCommand(L"close"));
  PostMessageW(game, WM_CLOSE, 0, 0);
  EXPECT_TRUE(run_.WaitEvents("on_before_close", 1));
  Sleep(500);
  EXPECT_TRUE(run_.DialogVisible());
  // One stay answers them all: no second dialog follows.
  ASSERT_TRUE(run_.ClickStay());
  ASSERT_TRUE(testutil::WaitUntil([&] { return !run_.DialogVisible(); }));
  Sleep(1000);
  EXPECT_FALSE(run_.DialogVisible());
  EXPECT_TRUE(run_.Running());
  ASSERT_TRUE(ExitCleanly());
}

TEST_F(GameWindow, ExitWaitsForABrowserWhoseUnloadHandlerDelaysItsClose) {
  // The page's beforeunload handler makes the engine report the close well after the parent's end.
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/?standin-beforeunload=4000\r\n"));
  const HWND game = run_.Game();
  ASSERT_TRUE(run_.PageCommand(L"close"));
  ASSERT_TRUE(run_.WaitEvents("browser_window_destroyed", 1));
  PostMessageW(game, WM_CLOSE, 0, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }, 10000));
  ASSERT_TRUE(run_.Events("on_before_close").empty()) << "the close came before the exit could wait for it";
  ASSERT_TRUE(run_.ClickExit());
  // While the exit waits for the browser, the player moves the window, maximises and restores it and picks
  // presets (the game window's seven preset items are the process's first menu commands, 0x100 on).
  for (int i = 0; i < 4 && run_.Running(); ++i) {
    SetWindowPos(game, nullptr, 40 + 30 * i, 30 + 20 * i, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(game, WM_SYSCOMMAND, i % 2 ? SC_RESTORE : SC_MAXIMIZE, 0);
    PostMessageW(game, WM_COMMAND, 0x100 + (i % 2 ? 6 : i), 0);
    Sleep(200);
  }
  const bool waited = run_.Events("on_before_close").empty();
  ASSERT_TRUE(run_.WaitExit(20000));
  EXPECT_TRUE(waited) << "the browser closed before the moves and presets reached the waiting exit";
  e2e::ExpectCleanEnd(run_);
  EXPECT_EQ(run_.Events("on_before_close").size(), 1u);
}

}  // namespace
