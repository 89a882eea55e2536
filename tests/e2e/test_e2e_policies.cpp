// The real client under the engine stand-in: size presets with the skin's real
// frame, the resolution drop-down, maximise and restore, popups that start new
// instances for web addresses only (hostile addresses included), the Escape
// key, and the plain frame when no skin is found.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <set>
#include <thread>

#include "tests/support/client_test.h"
#include "tests/support/scoped_env.h"

namespace {

using e2e::ClientRun;
using e2e::GeometryOf;
using e2e::TraceEvent;
using testutil::PostKey;

// Round(n / 2), halves to the even neighbour.
int HalfEven(int n) {
  int q = n >= 0 ? n / 2 : -((-n + 1) / 2);
  if (n % 2 != 0 && (q % 2 != 0)) ++q;
  return q;
}

// A run whose game window the test drives through the title bar's resolution drop-down.
class GameWindowRun : public e2e::ClientTest {
 protected:
  // Opens the resolution drop-down by pressing the title bar's button item and checks
  // that it hangs from the item's bottom-left corner. Returns the menu window.
  HWND OpenResolutionMenu(bool screenshot = false) {
    // Hit-testing the caption row from outside can miss while the system is busy starting a process: look again.
    RECT item{};
    testutil::WaitUntil([&] {
      item = e2e::FindTitleButton(game_);
      return item.right > item.left;
    }, 5000);
    EXPECT_GT(item.right, item.left) << "no button item in the title bar";
    if (item.right <= item.left) return nullptr;
    const size_t osmodal = run_.Events("set_osmodal_loop").size();
    PostMessageW(game_, WM_NCLBUTTONDOWN, HTOBJECT, MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2));
    HWND menu = nullptr;
    EXPECT_TRUE(testutil::WaitUntil([&] { return (menu = e2e::OpenMenuWindow()) != nullptr; }, 10000));
    if (!menu) return nullptr;
    RECT mr{};
    GetWindowRect(menu, &mr);
    EXPECT_EQ(mr.left, item.left);
    EXPECT_EQ(mr.top, item.bottom);
    if (screenshot) {
      Sleep(400);
      RECT wr, both;
      GetWindowRect(game_, &wr);
      UnionRect(&both, &wr, &mr);
      e2e::SaveScreenshot(both, L"resolution_menu");
    }
    // A track-popup menu loop leaves the engine's OS-modal flag alone.
    EXPECT_EQ(run_.Events("set_osmodal_loop").size(), osmodal);
    return menu;
  }

  // Picks preset `preset` from the drop-down with the keyboard, as a user can.
  void Choose(int preset) {
    HWND menu = OpenResolutionMenu();
    ASSERT_TRUE(menu);
    for (int i = 0; i <= preset; ++i) {
      PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageW(menu, WM_KEYUP, VK_DOWN, 0xC0000001);
    }
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(menu, WM_KEYUP, VK_RETURN, 0xC0000001);
    ASSERT_TRUE(testutil::WaitUntil([&] { return e2e::OpenMenuWindow() == nullptr; }, 5000));
    if (e2e::OpenMenuWindow()) PostMessageW(game_, WM_CANCELMODE, 0, 0);
  }

  HWND game_ = nullptr;
};

std::wstring Entry(const ClientRun& run, const wchar_t* key) { return testutil::IniValue(run.Config(), key); }

// The address each further instance loaded last, by process.
std::map<DWORD, std::string> InstanceHomes(const ClientRun& run) {
  std::map<DWORD, std::string> homes;
  for (auto& e : run.Trace())
    if (e.event == "load_url" && e.pid != run.Pid()) homes[e.pid] = e.Get("url");
  return homes;
}

// The window of a browser the engine made (its "hwnd" in the trace).
HWND WindowOf(const TraceEvent& created) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(created.Get("hwnd").c_str(), nullptr, 16)));
}

using Presets = GameWindowRun;
using SubProcesses = GameWindowRun;
using Popups = e2e::ClientTest;
using Keys = e2e::ClientTest;

TEST_F(Presets, EachPresetSizesPlacesSavesAndReloads) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nSizeIndex_0=1\r\nWidth_0=1000\r\nHeight_0=720\r\n"));
  game_ = run_.Game();
  ASSERT_TRUE(game_);
  HWND menu = OpenResolutionMenu(true);
  ASSERT_TRUE(menu);
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return e2e::OpenMenuWindow() == nullptr; }, 5000));
  const int S = GetSystemMetrics(SM_CXSCREEN), T = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_EQ(S, 1920);
  ASSERT_EQ(T, 1080);

  struct Case {
    int preset, w, h;
  } cases[] = {{0, 1334, 890}, {4, 800, 600}, {3, 1334, 1000}, {2, 1334, 750}, {1, 1000, 720}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.preset);
    const e2e::Geometry before = GeometryOf(game_);
    const int bw = (before.outer.right - before.outer.left) - before.clientW;
    const int bh = (before.outer.bottom - before.outer.top) - before.clientH;
    const size_t loads = run_.Events("load_url").size();
    Choose(c.preset);
    ASSERT_TRUE(testutil::WaitUntil([&] { return run_.Events("load_url").size() == loads + 1; }));
    const e2e::Geometry g = GeometryOf(game_);
    EXPECT_EQ(g.clientW, c.w);
    EXPECT_EQ(g.clientH, c.h);
    // Centred from the base size 1334 × 750 with the skin's real frame, not from the preset's size.
    EXPECT_EQ(g.outer.left, S > 1334 + bw ? HalfEven(S - 1334 - bw) : -HalfEven(bw));
    EXPECT_EQ(g.outer.top, T > 750 + bh + 6 ? HalfEven(T - 750 - 50) : 0);
    EXPECT_EQ(Entry(run_, L"Width_0"), std::to_wstring(c.w));
    EXPECT_EQ(Entry(run_, L"Height_0"), std::to_wstring(c.h));
    EXPECT_EQ(Entry(run_, L"SizeIndex_0"), std::to_wstring(c.preset));
    EXPECT_EQ(run_.Events("load_url").back().Get("url"), "http://game.example/home");
  }
  // Profile 1's entries are never written by profile 0.
  EXPECT_EQ(Entry(run_, L"Width_1"), L"<missing>");
  EXPECT_EQ(Entry(run_, L"SizeIndex_1"), L"<missing>");

  // The disabled preset (超清 2208×1242 on a 1920 × 1080 screen) does nothing.
  const e2e::Geometry beforeDisabled = GeometryOf(game_);
  const size_t loads = run_.Events("load_url").size();
  Choose(5);
  Sleep(800);
  EXPECT_EQ(GeometryOf(game_).clientW, beforeDisabled.clientW);
  EXPECT_EQ(Entry(run_, L"SizeIndex_0"), L"1");
  EXPECT_EQ(run_.Events("load_url").size(), loads);

  // Preset 6: maximised; its client size is what is stored.
  Choose(6);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.Events("load_url").size() >= loads + 1; }));
  EXPECT_TRUE(IsZoomed(game_));
  const e2e::Geometry z = GeometryOf(game_);
  EXPECT_EQ(Entry(run_, L"SizeIndex_0"), L"6");
  EXPECT_EQ(Entry(run_, L"Width_0"), std::to_wstring(z.clientW));
  EXPECT_EQ(Entry(run_, L"Height_0"), std::to_wstring(z.clientH));
  EXPECT_GT(z.clientW, 1334);
  // Still maximised a moment later: nothing of the choice undid it.
  Sleep(800);
  EXPECT_TRUE(IsZoomed(game_));

  // Maximise and restore by system command reload; the whole value is compared, so a
  // command with its low bits set does not, while the default handling still performs it.
  // (The platform may add a command of its own when the state changes, hence "at least"
  // where the state changes and "exactly" where it does not.)
  Sleep(800);
  auto count = [&] { return run_.Events("load_url").size(); };
  size_t n = count();
  SendMessageW(game_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);  // already maximised: only the reload
  EXPECT_TRUE(testutil::WaitUntil([&] { return count() == n + 1; }));
  SendMessageW(game_, WM_SYSCOMMAND, SC_MAXIMIZE | 2, 0);
  Sleep(600);
  EXPECT_EQ(count(), n + 1);
  SendMessageW(game_, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(game_));
  EXPECT_TRUE(testutil::WaitUntil([&] { return count() >= n + 2; }));
  Sleep(800);
  n = count();
  SendMessageW(game_, WM_SYSCOMMAND, SC_RESTORE | 2, 0);
  Sleep(600);
  EXPECT_EQ(count(), n);
  SendMessageW(game_, WM_SYSCOMMAND, SC_MAXIMIZE | 2, 0);
  EXPECT_TRUE(IsZoomed(game_));
  SendMessageW(game_, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(game_));
  Sleep(500);

  // A menu loop not started by a track-popup call switches the engine's OS-modal loop on and off.
  SendMessageW(game_, WM_ENTERMENULOOP, 0, 0);
  SendMessageW(game_, WM_EXITMENULOOP, 0, 0);
  auto modal = run_.Events("set_osmodal_loop");
  ASSERT_EQ(modal.size(), 2u);
  EXPECT_EQ(modal[0].Get("value"), "1");
  EXPECT_EQ(modal[1].Get("value"), "0");
  // Moves reach the engine.
  const size_t moves = run_.Events("notify_move_or_resize_started").size();
  SetWindowPos(game_, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(run_.WaitEvents("notify_move_or_resize_started", moves + 1));

  ASSERT_TRUE(ExitCleanly());
}

TEST_F(Presets, Profile1SavesItsOwnEntriesWithoutReloading) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nWidth_0=1000\r\nHeight_0=720\r\n",
                        L"http://popup.example/p"));
  game_ = run_.Game();
  const size_t loads = run_.Events("load_url").size();
  Choose(4);
  // The window takes the width and then the height: seen from here, in two steps.
  ASSERT_TRUE(testutil::WaitUntil([&] {
    const e2e::Geometry g = GeometryOf(game_);
    return g.clientW == 800 && g.clientH == 600;
  })) << GeometryOf(game_).clientW << "x" << GeometryOf(game_).clientH;
  EXPECT_EQ(Entry(run_, L"Width_1"), L"800");
  EXPECT_EQ(Entry(run_, L"Height_1"), L"600");
  EXPECT_EQ(Entry(run_, L"SizeIndex_1"), L"4");
  EXPECT_EQ(Entry(run_, L"Width_0"), L"1000");
  EXPECT_EQ(Entry(run_, L"SizeIndex_0"), L"<missing>");
  SendMessageW(game_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  Sleep(800);
  EXPECT_EQ(run_.Events("load_url").size(), loads) << "profile 1 reloads although its flag is 0";
  ASSERT_TRUE(ExitCleanly());
}

TEST_F(Presets, StartsMaximisedWithPreset6AndThePlainFrameWithoutSkin) {
  run_.RemoveSkins();
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nSizeIndex_0=6\r\nWidth_0=1000\r\nHeight_0=700\r\n"));
  const HWND game = run_.Game();
  EXPECT_TRUE(IsZoomed(game));
  // The standard frame: a system caption with the window's own text, no title items.
  EXPECT_TRUE(GetWindowLongW(game, GWL_STYLE) & WS_CAPTION);
  wchar_t text[128];
  GetWindowTextW(game, text, 128);
  EXPECT_STREQ(text, L"澜舟阁游戏 正在加载，请稍后...");
  SendMessageW(game, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_FALSE(IsZoomed(game));
  const e2e::Geometry g = GeometryOf(game);
  EXPECT_EQ(g.clientW, 1000);
  EXPECT_EQ(g.clientH, 700);
  RECT expected{0, 0, 1000, 700};
  AdjustWindowRectEx(&expected, static_cast<DWORD>(GetWindowLongW(game, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(game, GWL_EXSTYLE)));
  EXPECT_EQ(g.outer.right - g.outer.left, expected.right - expected.left);
  EXPECT_EQ(g.outer.bottom - g.outer.top, expected.bottom - expected.top);
  EXPECT_EQ(e2e::FindTitleButton(game).right, 0) << "a title item without a skin";
  Sleep(300);
  e2e::SaveScreenshot(g.outer, L"game_window_without_skin");
  ASSERT_TRUE(ExitCleanly());
}

// ---- engine sub-processes during play -------------------------------------------------

TEST_F(SubProcesses, StartedDuringPlayKeepTheLaunchersEntriesAndEverySizeSave) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nistest=0\r\n"));
  game_ = run_.Game();
  // The launcher leaves the credentials for the next start while this one runs.
  ASSERT_TRUE(WritePrivateProfileStringW(L"dump", L"uid", L"player01", run_.Config().c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"dump", L"ip", L"0123456789ABCDEF", run_.Config().c_str()));

  // Sub-processes one after another, while the player picks sizes; they trace where the client does.
  testutil::ScopedEnv sub_process_env{{L"STANDIN_TRACE", run_.TraceFile()}};
  std::atomic<bool> stop{false};
  std::atomic<int> started{0};
  std::thread engine([&] {
    const wchar_t* types[] = {L"renderer", L"utility", L"gpu-process"};
    for (int i = 0; !stop && i < 40; ++i) {
      HANDLE h = run_.StartSubProcess(types[i % 3]);
      if (!h) continue;
      ++started;
      WaitForSingleObject(h, 30000);
      CloseHandle(h);
    }
  });
  for (int preset : {1, 4, 2, 0}) Choose(preset);
  const bool saved = testutil::WaitUntil([&] {
    return Entry(run_, L"Width_0") == L"1334" && Entry(run_, L"Height_0") == L"890" &&
           Entry(run_, L"SizeIndex_0") == L"0";
  }, 5000);
  stop = true;
  engine.join();
  sub_process_env.Restore();

  EXPECT_TRUE(saved) << Entry(run_, L"Width_0") << "x" << Entry(run_, L"Height_0") << " preset "
                     << Entry(run_, L"SizeIndex_0");
  EXPECT_GE(started.load(), 3);
  size_t ran = 0;
  for (auto& e : run_.Trace()) ran += e.event == "execute_process" && !e.Get("type").empty() && e.pid != run_.Pid();
  EXPECT_GE(ran, static_cast<size_t>(started.load())) << "the sub-processes never reached the engine";
  EXPECT_EQ(Entry(run_, L"uid"), L"player01");
  EXPECT_EQ(Entry(run_, L"ip"), L"0123456789ABCDEF");
  ASSERT_TRUE(ExitCleanly());
}

// ---- popups ----------------------------------------------------------------------------

TEST_F(Popups, NewTabsAndWindowsStartOneInstanceEachWithOneArgument) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nistest=1\r\nWidth_0=1000\r\nHeight_0=720\r\n"
                        L"SizeIndex_0=1\r\nWidth_1=800\r\nHeight_1=600\r\nSizeIndex_1=4\r\n"));
  const std::string longPath(3000, 'x');
  // address sent by the page -> what the new instance must load as its home address
  const std::vector<std::pair<std::string, std::string>> started = {
      {"http://p.example/3", "http://p.example/3"},
      {"http://p.example/4?a=1&b=2", "http://p.example/4?a=1&b=2"},
      {"http://p.example/5", "http://p.example/5"},
      {"http://p.example/6", "http://p.example/6"},
      {"http://h.example/a b  c", "http://h.example/a%20b%20%20c"},
      {"http://h.example/\"q\" x", "http://h.example/%22q%22%20x"},
      {"http://h.example/ --type=renderer", "http://h.example/%20--type=renderer"},
      {"http://h.example/x --renderer-cmd-prefix=calc.exe --no-sandbox", "http://h.example/x%20--renderer-cmd-prefix=calc.exe%20--no-sandbox"},
      {"http://h.example/" + longPath, "http://h.example/" + longPath},
      {"", "http://game.example/home"},  // no argument: profile 0 with the configured address
  };
  const int dispositions[] = {3, 4, 5, 6, 3, 4, 5, 6, 3, 5};
  for (size_t i = 0; i < started.size(); ++i)
    ASSERT_TRUE(
        run_.PageCommand(L"popup " + std::to_wstring(dispositions[i]) + L" 1 " + testutil::FromUtf8(started[i].first)));
  // Let-through dispositions start nothing; the engine opens them itself.
  for (int d : {0, 1, 2, 7, 8, 9})
    ASSERT_TRUE(run_.PageCommand(L"popup " + std::to_wstring(d) + L" 0 http://let.example/" + std::to_wstring(d)));

  ASSERT_TRUE(testutil::WaitUntil(
      [&] {
        int n = 0;
        for (auto& e : run_.Trace()) n += e.event == "load_url" && e.pid != run_.Pid();
        return n >= static_cast<int>(started.size());
      },
      90000))
      << "not every new instance loaded its address";
  Sleep(1500);  // any surplus instance would show up now

  const auto trace = run_.Trace();
  std::map<DWORD, std::string> homeOf, cacheOf, switchesOf;
  std::string mainSwitches;
  for (auto& e : trace) {
    if (e.event == "command_line" && e.pid == run_.Pid()) mainSwitches = e.Get("switches");
    if (e.pid == run_.Pid()) continue;
    if (e.event == "load_url") homeOf[e.pid] = e.Get("url");
    if (e.event == "initialize") cacheOf[e.pid] = e.Get("cache_path");
    if (e.event == "command_line") switchesOf[e.pid] = e.Get("switches");
  }
  EXPECT_EQ(run_.OtherInstances().size(), started.size());
  EXPECT_EQ(homeOf.size(), started.size());
  std::multiset<std::string> expected, actual;
  for (auto& s : started) expected.insert(s.second);
  for (auto& [pid, url] : homeOf) {
    actual.insert(url);
    const bool profile0 = url == "http://game.example/home";
    EXPECT_NE(cacheOf[pid].find(profile0 ? "/lzgmin/cache" : "/lzgmin3game/cache"), std::string::npos) << url;
    // Nothing of the address became an engine switch of the new instance.
    EXPECT_EQ(switchesOf[pid], mainSwitches) << url;
    // Its window takes the size entries of its own profile.
    const e2e::Geometry g = GeometryOf(testutil::FindClientWindows(pid).game);
    EXPECT_EQ(g.clientW, profile0 ? 1000 : 800) << url;
    EXPECT_EQ(g.clientH, profile0 ? 720 : 600) << url;
  }
  EXPECT_EQ(actual, expected);

  // The main window's popups: cancelled for 3..6, let through otherwise.
  int cancelled = 0, through = 0;
  for (auto& e : run_.Events("on_before_popup")) (e.Get("result") == "1" ? cancelled : through)++;
  EXPECT_EQ(cancelled, 10);
  EXPECT_EQ(through, 6);
  EXPECT_EQ(run_.Events("popup_created").size(), 6u);

  // Engine-opened popups neither reload the game nor take its browser when they close.
  EXPECT_EQ(run_.Events("load_url").size(), 1u);
  std::vector<int> popupIds;
  for (auto& e : run_.Events("popup_created")) popupIds.push_back(std::atoi(e.Get("id").c_str()));
  for (auto& e : run_.Events("on_after_created")) {
    if (std::find(popupIds.begin(), popupIds.end(), std::atoi(e.Get("id").c_str())) == popupIds.end()) continue;
    PostMessageW(WindowOf(e), WM_CLOSE, 0, 0);
  }
  ASSERT_TRUE(run_.WaitEvents("on_before_close", popupIds.size()));
  Sleep(800);
  EXPECT_FALSE(run_.DialogVisible());
  EXPECT_TRUE(run_.BrowserWindow()) << "the game's browser went with a popup";
  for (auto& e : run_.Events("do_close")) EXPECT_EQ(e.Get("result"), "0");

  run_.KillOtherInstances();
  ASSERT_TRUE(ExitCleanly());
}

TEST_F(Popups, APopupTheEngineOpensLeavesNoClientAlive) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nistest=1\r\n"));
  // Let through with the game's own client in the slot; it closes itself again.
  ASSERT_TRUE(run_.PageCommand(L"popup 1 1 http://let.example/current"));
  ASSERT_TRUE(run_.WaitEvents("popup_created", 1));
  const std::string id = run_.Events("popup_created")[0].Get("id");
  ASSERT_TRUE(run_.WaitEvents("on_after_created", 1, [&](const TraceEvent& e) { return e.Get("id") == id; }));
  auto popup = run_.Events("on_before_popup");
  ASSERT_EQ(popup.size(), 1u);
  EXPECT_EQ(popup[0].Get("client"), "kept");
  HWND w = nullptr;
  for (auto& e : run_.Events("on_after_created"))
    if (e.Get("id") == id) w = WindowOf(e);
  ASSERT_TRUE(w);
  ASSERT_TRUE(e2e::SendPageCommand(w, L"close"));
  ASSERT_TRUE(run_.WaitEvents("on_before_close", 1, [&](const TraceEvent& e) { return e.Get("id") == id; }));
  ASSERT_TRUE(ExitCleanly());
  // The engine's last hold on the game's client found the client let go of everywhere else.
  auto released = run_.Events("client_released");
  ASSERT_EQ(released.size(), 1u);
  EXPECT_EQ(released[0].Get("held_elsewhere"), "0");
}

TEST_F(Popups, OnlyWebAddressesStartAnInstance) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nistest=1\r\n"));
  // Each would have a new instance load it as a browser-initiated navigation:
  // an SMB connection offering the player's credentials, a local file, script.
  const std::vector<std::string> refused = {
      "file://host/share/x.html?token=SECRET",
      "\\\\host\\share\\x",
      "//host/share/x",
      "http:\\\\host\\share",
      "javascript:alert(document.cookie)",
      "data:text/html,<script>alert(1)</script>",
      "--type=renderer",
  };
  for (const std::string& a : refused) ASSERT_TRUE(run_.PageCommand(L"popup 3 1 " + testutil::FromUtf8(a)));
  ASSERT_TRUE(run_.PageCommand(L"popup 5 1 https://web.example/ok"));
  ASSERT_TRUE(run_.PageCommand(L"popup 4 1 "));

  std::map<DWORD, std::string> homeOf;
  ASSERT_TRUE(testutil::WaitUntil(
      [&] {
        homeOf = InstanceHomes(run_);
        return homeOf.size() >= 2;
      },
      60000))
      << "the two web popups did not start their instances";
  Sleep(1500);  // any surplus instance would show up now

  EXPECT_EQ(run_.OtherInstances().size(), 2u);
  std::multiset<std::string> homes;
  for (auto& [pid, url] : homeOf) homes.insert(url);
  EXPECT_EQ(homes, (std::multiset<std::string>{"https://web.example/ok", "http://game.example/home"}));
  const auto popups = run_.Events("on_before_popup");
  ASSERT_EQ(popups.size(), refused.size() + 2);
  for (auto& e : popups) EXPECT_EQ(e.Get("result"), "1") << e.Get("url");  // refused ones stay cancelled
  EXPECT_TRUE(run_.Events("popup_created").empty());

  // Each refusal is recorded, by scheme and length only.
  std::vector<std::string> notes;
  for (auto& e : run_.Events("log"))
    if (e.Get("message").find("New instance refused") != std::string::npos) notes.push_back(e.Get("message"));
  ASSERT_EQ(notes.size(), refused.size());
  EXPECT_EQ(notes[0], "New instance refused: address with scheme \"file\" (37 characters)");
  for (const std::string& n : notes) {
    EXPECT_EQ(n.find("SECRET"), std::string::npos) << n;
    EXPECT_EQ(n.find("host"), std::string::npos) << n;
  }

  run_.KillOtherInstances();
  ASSERT_TRUE(ExitCleanly());
}

// Ctrl-, Shift- and middle-clicks reach the request handler instead of the popup handler: a new tab or window
// starts one instance, as a popup does; any other disposition loads the address in place.
TEST_F(Popups, ModifiedClicksStartAnInstanceForNewTabsAndWindowsAndLoadInPlaceOtherwise) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nistest=1\r\n"));
  HWND browser = run_.BrowserWindow();
  ASSERT_TRUE(browser);

  // The page's own link, clicked with Ctrl held: a background tab.
  Sleep(500);  // painted by now
  PostMessageW(browser, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(14, 106));
  PostMessageW(browser, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(14, 106));
  ASSERT_TRUE(run_.WaitEvents("on_open_urlfrom_tab", 1));

  struct Case {
    int disposition;
    std::string address;
    std::string instanceHome;  // empty: loaded in place, no instance
  };
  const std::vector<Case> cases = {
      {0, "http://click.example/0", ""},
      {1, "http://click.example/1", ""},
      {2, "http://click.example/2", ""},
      {3, "http://click.example/3", "http://click.example/3"},
      {4, "http://click.example/4 --type=renderer", "http://click.example/4%20--type=renderer"},
      {5, "http://click.example/5?a=1&b=2", "http://click.example/5?a=1&b=2"},
      {6, "https://click.example/6", "https://click.example/6"},
      {7, "http://click.example/7", ""},
      {8, "http://click.example/8", ""},
      {9, "http://click.example/9", ""},
      {10, "http://click.example/10", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.disposition);
    const size_t asked = run_.Events("on_open_urlfrom_tab").size();
    ASSERT_TRUE(run_.PageCommand(L"openurl " + std::to_wstring(c.disposition) + L" 1 " + testutil::FromUtf8(c.address)));
    ASSERT_TRUE(run_.WaitEvents("on_open_urlfrom_tab", asked + 1));
    const TraceEvent answer = run_.Events("on_open_urlfrom_tab").back();
    EXPECT_EQ(answer.Get("url"), c.address);
    EXPECT_EQ(answer.Get("disposition"), std::to_string(c.disposition));
    EXPECT_EQ(answer.Get("result"), c.instanceHome.empty() ? "0" : "1");
    if (c.instanceHome.empty()) {
      // In place: the engine loads it in the game's main frame.
      EXPECT_TRUE(run_.WaitEvents("on_before_browse", 1, [&](const TraceEvent& e) {
        return e.Get("url") == c.address && e.Get("frame") == "main";
      }));
    }
  }
  // A click towards an address that is not a web address stays dropped and starts nothing.
  ASSERT_TRUE(run_.PageCommand(L"openurl 4 1 file://host/share/x.html"));
  ASSERT_TRUE(run_.WaitEvents("on_open_urlfrom_tab", 1, [](const TraceEvent& e) {
    return e.Get("url") == "file://host/share/x.html" && e.Get("result") == "1";
  }));

  std::multiset<std::string> expected = {"https://www.example.com/standin-tab"};
  for (const Case& c : cases)
    if (!c.instanceHome.empty()) expected.insert(c.instanceHome);
  std::map<DWORD, std::string> homeOf;
  ASSERT_TRUE(testutil::WaitUntil(
      [&] {
        homeOf = InstanceHomes(run_);
        return homeOf.size() >= expected.size();
      },
      90000))
      << "not every new instance loaded its address";
  Sleep(1500);  // any surplus instance would show up now
  EXPECT_EQ(run_.OtherInstances().size(), expected.size());
  std::multiset<std::string> homes;
  for (auto& [pid, url] : homeOf) homes.insert(url);
  EXPECT_EQ(homes, expected);

  // The game page never went to a new tab's address; the others it loaded in place, once each.
  for (const Case& c : cases) {
    int browsed = 0;
    for (auto& e : run_.Events("on_before_browse")) browsed += e.Get("url") == c.address;
    EXPECT_EQ(browsed, c.instanceHome.empty() ? 1 : 0) << c.disposition;
  }
  for (auto& e : run_.Events("on_before_browse")) {
    EXPECT_NE(e.Get("url"), "https://www.example.com/standin-tab");
    EXPECT_NE(e.Get("url"), "file://host/share/x.html");
  }
  EXPECT_TRUE(run_.Events("popup_created").empty());
  EXPECT_EQ(run_.Events("load_url").size(), 1u);  // the client itself loaded nothing more
  int refusals = 0;
  for (auto& e : run_.Events("log")) refusals += e.Get("message").find("New instance refused") != std::string::npos;
  EXPECT_EQ(refusals, 1);
  e2e::ExpectNoFaults(run_);

  run_.KillOtherInstances();
  ASSERT_TRUE(ExitCleanly());
}

// ---- keys ----------------------------------------------------------------------------

int PostResults(const ClientRun& run, const char* msgHex, const char* result) {
  int n = 0;
  for (auto& e : run.Events("key_event"))
    n += e.Get("stage") == "post" && e.Get("code") == "27" && e.Get("msg") == msgHex && e.Get("result") == result;
  return n;
}

TEST_F(Keys, EscapeReleasedAsksOnceEatenOrWithAltNot) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\n"));
  HWND browser = run_.BrowserWindow();
  ASSERT_TRUE(browser);

  // Held down with auto-repeat: handled, and nothing happens until the release.
  PostKey(browser, WM_KEYDOWN, VK_ESCAPE);
  for (int i = 0; i < 4; ++i) PostKey(browser, WM_KEYDOWN, VK_ESCAPE, true);
  ASSERT_TRUE(testutil::WaitUntil([&] { return PostResults(run_, "100", "1") == 5; }));
  Sleep(800);
  EXPECT_FALSE(run_.DialogVisible());
  PostKey(browser, WM_KEYUP, VK_ESCAPE);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  EXPECT_EQ(PostResults(run_, "101", "1"), 1);
  // The key-up was marked as a shortcut before the page saw it; the raw key-down was not.
  int shortcuts = 0;
  for (auto& e : run_.Events("key_event"))
    if (e.Get("stage") == "pre" && e.Get("code") == "27") {
      EXPECT_EQ(e.Get("result"), "0");
      shortcuts += e.Get("shortcut") == "1";
      EXPECT_EQ(e.Get("shortcut"), e.Get("kind") == "2" ? "1" : "0");
    }
  EXPECT_EQ(shortcuts, 1);
  ASSERT_TRUE(run_.ClickStay());
  ASSERT_TRUE(testutil::WaitUntil([&] { return !run_.DialogVisible(); }));
  Sleep(1000);
  EXPECT_FALSE(run_.DialogVisible()) << "a second close request followed";

  // Other keys pass through unhandled.
  PostKey(browser, WM_KEYDOWN, 'A');
  PostKey(browser, WM_KEYUP, 'A');
  ASSERT_TRUE(testutil::WaitUntil([&] {
    int n = 0;
    for (auto& e : run_.Events("key_event")) n += e.Get("stage") == "post" && e.Get("code") == "65" && e.Get("result") == "0";
    return n == 2;
  }));

  // Alt with Escape: system-key messages are ignored.
  PostKey(browser, WM_SYSKEYDOWN, VK_ESCAPE);
  PostKey(browser, WM_SYSKEYUP, VK_ESCAPE);
  ASSERT_TRUE(testutil::WaitUntil([&] { return PostResults(run_, "105", "0") == 1; }));
  Sleep(800);
  EXPECT_FALSE(run_.DialogVisible());

  // A page that eats every key: Escape never reaches the window.
  ASSERT_TRUE(run_.PageCommand(L"navigate http://game.example/eats?standin-eats-keys=1"));
  ASSERT_TRUE(run_.WaitEvents("on_load_end", 1, [](const TraceEvent& e) {
    return e.Get("frame") == "main" && true;
  }));
  ASSERT_TRUE(testutil::WaitUntil([&] {
    for (auto& e : run_.Events("on_before_browse"))
      if (e.Get("url").find("standin-eats-keys") != std::string::npos) return true;
    return false;
  }));
  Sleep(300);
  const int upsBefore = PostResults(run_, "101", "1");
  PostKey(browser, WM_KEYDOWN, VK_ESCAPE);
  PostKey(browser, WM_KEYUP, VK_ESCAPE);
  ASSERT_TRUE(testutil::WaitUntil([&] {
    int n = 0;
    for (auto& e : run_.Events("key_event"))
      n += e.Get("stage") == "page" && e.Get("consumed") == "1" && (e.Get("msg") == "100" || e.Get("msg") == "101");
    return n == 2;
  }));
  Sleep(800);
  EXPECT_FALSE(run_.DialogVisible());
  EXPECT_EQ(PostResults(run_, "101", "1"), upsBefore);

  ASSERT_TRUE(ExitCleanly());
}

TEST_F(Keys, AltAloneLeavesTheWindowOutOfMenuModeAltSpaceOpensTheSystemMenuAltF4TheDialog) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\n"));
  HWND browser = run_.BrowserWindow();
  ASSERT_TRUE(browser);
  // A menu loop of the game window switches the engine's OS-modal loop on: that is how menu mode shows.
  auto modalOn = [&] {
    size_t n = 0;
    for (auto& e : run_.Events("set_osmodal_loop")) n += e.Get("value") == "1";
    return n;
  };

  // Alt pressed and released alone in the page: the window answers the menu key itself.
  PostKey(browser, WM_SYSKEYDOWN, VK_MENU);
  PostKey(browser, WM_SYSKEYUP, VK_MENU);
  ASSERT_TRUE(testutil::WaitUntil([&] {
    for (auto& e : run_.Events("key_event"))
      if (e.Get("stage") == "post" && e.Get("code") == "18" && e.Get("msg") == "105") return true;
    return false;
  }));
  Sleep(1000);
  EXPECT_EQ(modalOn(), 0u) << "Alt put the game window into keyboard menu mode";
  EXPECT_FALSE(e2e::OpenMenuWindow(run_.Pid()));

  // Alt+Space: the game window's system menu. Escape closes it; as everywhere, the menu mode it was opened
  // from (the system menu's place selected) takes a second Escape.
  PostKey(browser, WM_SYSKEYDOWN, VK_SPACE);
  PostKey(browser, WM_SYSKEYUP, VK_SPACE);
  HWND menu = nullptr;
  ASSERT_TRUE(testutil::WaitUntil([&] { return (menu = e2e::OpenMenuWindow(run_.Pid())) != nullptr; }, 10000));
  EXPECT_EQ(modalOn(), 1u);
  PostKey(menu, WM_KEYDOWN, VK_ESCAPE);
  PostKey(menu, WM_KEYUP, VK_ESCAPE);
  EXPECT_TRUE(testutil::WaitUntil([&] { return e2e::OpenMenuWindow(run_.Pid()) == nullptr; }, 5000));
  auto modalOff = [&] {
    for (auto& e : run_.Events("set_osmodal_loop"))
      if (e.Get("value") == "0") return true;
    return false;
  };
  if (!testutil::WaitUntil(modalOff, 1500)) {
    PostKey(run_.Game(), WM_KEYDOWN, VK_ESCAPE);
    PostKey(run_.Game(), WM_KEYUP, VK_ESCAPE);
  }
  EXPECT_TRUE(testutil::WaitUntil(modalOff, 5000)) << "the game window stayed in menu mode";
  EXPECT_FALSE(run_.DialogVisible());

  // Alt+F4 in the page: the exit dialog.
  PostKey(browser, WM_SYSKEYDOWN, VK_F4);
  PostKey(browser, WM_SYSKEYUP, VK_F4);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  ASSERT_TRUE(run_.ClickStay());
  ASSERT_TRUE(testutil::WaitUntil([&] { return !run_.DialogVisible(); }));
  ASSERT_TRUE(ExitCleanly());
}

}  // namespace
