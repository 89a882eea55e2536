// A hurried user against the real client: 200 preset choices in a row, 50 Escape
// releases while the exit dialog is open, a minute of window moves. Afterwards
// the window must still answer, and its USER and GDI objects and private bytes
// must be back near what they were after a warm-up.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "tests/hardening/probe.h"
#include "tests/support/client_test.h"
#include "tests/support/scoped_env.h"

namespace {

using e2e::ClientRun;
using hardening::Resources;
using testutil::Answers;
using testutil::PostKey;

// Left after a case beyond its warm-up: a leak of one object per iteration would
// show up as 50 to 200 objects, of a few hundred bytes each as well over a MiB.
constexpr long kUserMargin = 2;
constexpr long kGdiMargin = 4;
constexpr double kPrivateMarginMiB = 1.5;

// The main frame's load ends have caught up with the loads asked for.
bool LoadsSettled(const ClientRun& run, DWORD ms = 60000) {
  return testutil::WaitUntil(
      [&] { return run.Count("on_load_end", "frame", "main") >= run.Count("load_url"); }, ms);
}

Resources Settle(const ClientRun& run) {
  Sleep(700);
  return hardening::Measure(run.Pid());
}

void ExpectBack(const std::string& name, const Resources& before, const Resources& after) {
  static bool method = false;
  if (!method) {
    method = true;
    hardening::Figure("stress measured by: " + hardening::MeasureMethod());
  }
  hardening::Figure("stress " + name + ": " + hardening::Describe(before, after));
  ASSERT_GT(before.user, 0) << "no USER count";
  ASSERT_GT(before.gdi, 0) << "no GDI count";
  ASSERT_GT(before.privateMiB, 0) << "no private bytes";
  EXPECT_LE(std::labs(after.user - before.user), kUserMargin);
  EXPECT_LE(std::labs(after.gdi - before.gdi), kGdiMargin);
  EXPECT_LE(after.privateMiB - before.privateMiB, kPrivateMarginMiB);
}

int EscapeReleases(const ClientRun& run) {
  int n = 0;
  for (auto& e : run.Events("key_event"))
    n += e.Get("stage") == "post" && e.Get("code") == "27" && e.Get("msg") == "101";
  return n;
}

// Exactly the game window and, when asked for, the dialog: no second dialog, no message box.
void ExpectOwnWindowsOnly(const ClientRun& run, bool dialog) {
  int games = 0, dialogs = 0;
  for (auto& w : hardening::VisibleTopLevel({run.Pid()})) {
    if (w.cls == L"LzgForm" && w.text == L"信息提示")
      ++dialogs;
    else if (w.cls == L"LzgForm")
      ++games;
    else
      ADD_FAILURE() << "unexpected window: class " << testutil::ToUtf8(w.cls) << ", text \"" << testutil::ToUtf8(w.text)
                    << "\"";
  }
  EXPECT_EQ(games, 1);
  EXPECT_EQ(dialogs, dialog ? 1 : 0);
}

using Stress = e2e::ClientTest;

TEST_F(Stress, TwoHundredPresetChoicesInARow) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nSizeIndex_0=2\r\nWidth_0=1334\r\nHeight_0=750\r\n"));
  const HWND game = run_.Game();
  hardening::TitleMenu menu(game);
  ASSERT_TRUE(menu.Locate()) << "no resolution button in the title bar";
  // Every preset the 1920 × 1080 screen allows, the maximised one included.
  struct Preset {
    int index, w, h;
  };
  const Preset cycle[] = {{0, 1334, 890}, {6, 0, 0}, {1, 1000, 720}, {4, 800, 600}, {3, 1334, 1000}, {2, 1334, 750}};
  const int n = static_cast<int>(std::size(cycle));
  auto choose = [&](int i) {
    const int loads = run_.Count("load_url");
    ASSERT_TRUE(menu.Choose(cycle[i % n].index)) << "choice " << i;
    // Profile 0 reloads after every choice: the reload marks the choice as done.
    ASSERT_TRUE(testutil::WaitUntil([&] { return run_.Count("load_url") == loads + 1; })) << "choice " << i;
  };

  for (int i = 0; i < n; ++i) {
    choose(i);
    if (HasFatalFailure()) return;
  }
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.Count("load_url") == 1 + n; }));
  ASSERT_TRUE(LoadsSettled(run_));
  const Resources before = Settle(run_);

  const int loads = run_.Count("load_url");
  for (int i = 0; i < 200; ++i) {
    choose(i + 1);
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(run_.Count("load_url"), loads + 200);
  ASSERT_TRUE(LoadsSettled(run_));
  ASSERT_TRUE(Answers(game));
  const Resources after = Settle(run_);

  // The last choice is the one that holds.
  const Preset& last = cycle[200 % n];
  const e2e::Geometry g = e2e::GeometryOf(game);
  EXPECT_FALSE(IsZoomed(game));
  EXPECT_EQ(g.clientW, last.w);
  EXPECT_EQ(g.clientH, last.h);
  EXPECT_EQ(testutil::IniValue(run_.Config(), L"SizeIndex_0"), std::to_wstring(last.index));
  EXPECT_EQ(testutil::IniValue(run_.Config(), L"Width_0"), std::to_wstring(last.w));
  EXPECT_EQ(testutil::IniValue(run_.Config(), L"Height_0"), std::to_wstring(last.h));
  EXPECT_EQ(run_.Count("load_url", "url", "http://game.example/home"), run_.Count("load_url"));
  ExpectOwnWindowsOnly(run_, false);
  ExpectBack("presets x200", before, after);
  ASSERT_TRUE(ExitCleanly());
}

TEST_F(Stress, FiftyEscapeReleasesWhileTheDialogIsOpen) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\n"));
  const HWND browser = run_.BrowserWindow();
  ASSERT_TRUE(browser);
  auto escapeOpensAndStayCloses = [&] {
    PostKey(browser, WM_KEYDOWN, VK_ESCAPE);
    PostKey(browser, WM_KEYUP, VK_ESCAPE);
    ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
    ASSERT_TRUE(run_.ClickStay());
    ASSERT_TRUE(testutil::WaitUntil([&] { return !run_.DialogVisible(); }));
  };
  for (int i = 0; i < 3; ++i) escapeOpensAndStayCloses();
  Sleep(500);
  ASSERT_FALSE(run_.DialogVisible());
  const Resources before = Settle(run_);

  PostKey(browser, WM_KEYUP, VK_ESCAPE);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  const int released = EscapeReleases(run_);
  for (int i = 0; i < 50; ++i) PostKey(browser, WM_KEYUP, VK_ESCAPE);
  // Every release reached the client's key handler, which asked to close each time.
  ASSERT_TRUE(testutil::WaitUntil([&] { return EscapeReleases(run_) == released + 50; }));
  for (auto& e : run_.Events("key_event")) {
    if (e.Get("stage") == "post" && e.Get("msg") == "101") {
      EXPECT_EQ(e.Get("result"), "1");
    }
  }
  Sleep(800);
  EXPECT_TRUE(run_.DialogVisible());
  ExpectOwnWindowsOnly(run_, true);

  // One stay answers them all: no second dialog follows, the window goes on.
  ASSERT_TRUE(run_.ClickStay());
  ASSERT_TRUE(testutil::WaitUntil([&] { return !run_.DialogVisible(); }));
  Sleep(1500);
  EXPECT_FALSE(run_.DialogVisible()) << "a queued close request opened the dialog again";
  EXPECT_TRUE(run_.Running());
  ASSERT_TRUE(Answers(run_.Game()));
  ExpectOwnWindowsOnly(run_, false);
  const Resources after = Settle(run_);
  ExpectBack("escape x50 with the dialog open", before, after);
  ASSERT_TRUE(ExitCleanly());
}

TEST_F(Stress, AMinuteOfWindowMoves) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nWidth_0=1000\r\nHeight_0=720\r\n"));
  const HWND game = run_.Game();
  int moves = 0, movings = 0, x = 0, y = 0;
  auto move = [&] {
    x = 40 + (moves * 37) % 500;
    y = 20 + (moves * 23) % 200;
    ++moves;
    SetWindowPos(game, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (moves % 10 == 0) {
      // What a drag sends before each move: the rectangle the window is about to take.
      RECT r{x, y, x + 100, y + 100};
      DWORD_PTR res = 0;
      if (SendMessageTimeoutW(game, WM_MOVING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&r), SMTO_ABORTIFHUNG, 2000, &res))
        ++movings;
    }
  };
  for (int i = 0; i < 100; ++i) move();
  const Resources before = Settle(run_);
  const int notified = run_.Count("notify_move_or_resize_started");

  const int warmMoves = moves, warmMovings = movings;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60000) move();
  ASSERT_TRUE(Answers(game));
  const Resources after = Settle(run_);

  RECT wr{};
  GetWindowRect(game, &wr);
  EXPECT_EQ(wr.left, x);
  EXPECT_EQ(wr.top, y);
  EXPECT_EQ(e2e::GeometryOf(game).clientW, 1000);
  // Each move (consecutive positions always differ) and each WM_MOVING told the engine.
  const int done = moves - warmMoves, told = movings - warmMovings;
  EXPECT_TRUE(testutil::WaitUntil([&] {
    return run_.Count("notify_move_or_resize_started") - notified >= done + told;
  }, 20000)) << run_.Count("notify_move_or_resize_started") - notified << " notifications for " << done
             << " moves and " << told << " WM_MOVING";
  char what[64];
  std::snprintf(what, sizeof what, "window moves x%d in 60 s", done);
  ExpectOwnWindowsOnly(run_, false);
  ExpectBack(what, before, after);
  ASSERT_TRUE(ExitCleanly());
}

// The engine starts sub-processes of the executable at any time of a run. Each one used to load the whole
// configuration: it rewrote "zeRoVedi.dat" (its "step", and "uid" and "ip" emptied) from what it had read, so a
// size save of the game window that fell between its read and its write was lost, and the credentials the
// launcher had left for the next start were wiped. Four streams of sub-processes run through every choice here.
TEST_F(Stress, SubProcessesStartingAllTheTimeLoseNoSizeSaveNorTheCredentials) {
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nistest=0\r\nSizeIndex_0=2\r\nWidth_0=1334\r\n"
                        L"Height_0=750\r\n"));
  const HWND game = run_.Game();
  hardening::TitleMenu menu(game);
  ASSERT_TRUE(menu.Locate()) << "no resolution button in the title bar";
  const std::wstring config = run_.Config();
  auto entry = [&](const wchar_t* key) { return testutil::IniValue(config, key); };
  // The launcher leaves the credentials for the next start while this one runs.
  ASSERT_TRUE(WritePrivateProfileStringW(L"dump", L"uid", L"player01", config.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"dump", L"ip", L"0123456789ABCDEF", config.c_str()));
  const std::wstring step = entry(L"step");
  ASSERT_FALSE(step.empty());

  // They trace where the client does, so that the test sees them reach the engine.
  testutil::ScopedEnv sub_process_env{{L"STANDIN_TRACE", run_.TraceFile()}};
  std::atomic<bool> stop{false};
  std::atomic<int> started{0};
  std::vector<std::thread> streams;
  for (int k = 0; k < 4; ++k) {
    streams.emplace_back([&, k] {
      const wchar_t* types[] = {L"renderer", L"gpu-process", L"utility"};
      for (int i = k; !stop; ++i) {
        HANDLE h = run_.StartSubProcess(types[i % 3]);
        if (!h) {
          Sleep(50);
          continue;
        }
        ++started;
        WaitForSingleObject(h, 30000);
        CloseHandle(h);
      }
    });
  }

  struct Preset {
    int index, w, h;
  };
  const Preset cycle[] = {{0, 1334, 890}, {1, 1000, 720}, {4, 800, 600}, {3, 1334, 1000}, {2, 1334, 750}};
  const int n = static_cast<int>(std::size(cycle));
  std::vector<std::string> lost;
  for (int i = 0; i < 3 * n && lost.size() < 5; ++i) {
    const Preset& p = cycle[i % n];
    const int loads = run_.Count("load_url");
    if (!menu.Choose(p.index)) {
      ADD_FAILURE() << "choice " << i;
      break;
    }
    // Profile 0 reloads after every choice, and saves before it reloads.
    if (!testutil::WaitUntil([&] { return run_.Count("load_url") == loads + 1; })) {
      ADD_FAILURE() << "choice " << i << " never reloaded";
      break;
    }
    // The save is in the file and stays there while the sub-processes go on.
    const std::wstring want = std::to_wstring(p.w) + L"x" + std::to_wstring(p.h) + L" " + std::to_wstring(p.index);
    for (int k = 0; k < 12; ++k) {
      const std::wstring got = entry(L"Width_0") + L"x" + entry(L"Height_0") + L" " + entry(L"SizeIndex_0");
      if (got != want) {
        lost.push_back("choice " + std::to_string(i) + ": " + testutil::ToUtf8(want) + " read back as " +
                       testutil::ToUtf8(got));
        break;
      }
      Sleep(50);
    }
  }
  stop = true;
  for (auto& t : streams) t.join();
  sub_process_env.Restore();

  for (const std::string& l : lost) ADD_FAILURE() << "size save lost, " << l;
  const Preset& last = cycle[(3 * n - 1) % n];
  if (lost.empty()) {
    EXPECT_EQ(entry(L"Width_0"), std::to_wstring(last.w));
    EXPECT_EQ(entry(L"Height_0"), std::to_wstring(last.h));
    EXPECT_EQ(entry(L"SizeIndex_0"), std::to_wstring(last.index));
  }
  EXPECT_EQ(entry(L"uid"), L"player01");
  EXPECT_EQ(entry(L"ip"), L"0123456789ABCDEF");
  EXPECT_EQ(entry(L"step"), step);
  // Every sub-process reached the engine and ended in its role.
  int ran = 0;
  for (auto& e : run_.Trace()) ran += e.event == "execute_process" && !e.Get("type").empty() && e.pid != run_.Pid();
  EXPECT_GE(started.load(), 12);
  EXPECT_EQ(ran, started.load());
  char what[64];
  std::snprintf(what, sizeof what, "sub-processes x%d during %d preset choices", started.load(), 3 * n);
  hardening::Figure(std::string("stress ") + what + (lost.empty() ? ", no save lost" : ", saves lost"));
  ASSERT_TRUE(ExitCleanly());
}

}  // namespace
