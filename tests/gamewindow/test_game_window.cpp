// The game window in-process, on the engine stand-in: the title item through loads and reloads (sub-frames
// included), the resolution menu as built from the settings, the recovery of the game page, which system
// commands reach the default window procedure, and when the work for after the game's arrival runs.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "engine/engine_app.h"
#include "gamewindow/exit_dialog.h"
#include "gamewindow/game_window.h"
#include "tests/support/client_run.h"
#include "tests/support/engine_process.h"
#include "tests/support/exit_dialog.h"
#include "tests/support/trace_faults.h"
#include "ui/forms.h"

namespace {

using lzg::GameWindow;

std::wstring TracePath() { return testutil::SelfDir() + L"test_game_window_trace.txt"; }

int Count(const char* event, const char* key = nullptr, const std::string& value = {}) {
  int n = 0;
  for (auto& e : tracefile::Read(TracePath()))
    if (e.pid == GetCurrentProcessId() && e.event == event && (!key || e.Get(key) == value)) ++n;
  return n;
}

// Handles the window's messages until `pred` holds.
bool PumpUntil(const std::function<bool()>& pred, DWORD ms = 10000) {
  return ui::Application::ProcessMessagesUntil(pred, ms);
}

// The game window with a look below its own message handling: every system command that reaches the default
// handling (and so DefWindowProc) is recorded, and every menu loop that begins.
class ObservedGameWindow : public GameWindow {
 public:
  using GameWindow::GameWindow;
  std::vector<std::pair<WPARAM, LPARAM>> default_sys_commands;
  int menu_loops = 0;

 protected:
  void WndProc(ui::Message& m) override {
    if (m.msg == WM_ENTERMENULOOP) ++menu_loops;
    GameWindow::WndProc(m);
  }
  void DefaultHandler(ui::Message& m) override {
    if (m.msg == WM_SYSCOMMAND) default_sys_commands.emplace_back(m.wparam, m.lparam);
    GameWindow::DefaultHandler(m);
  }
};

// The exit dialog, counting its showings.
class CountedExitDialog : public lzg::ExitDialog {
 public:
  using ExitDialog::ExitDialog;
  int shows = 0;

 protected:
  void OnShow() override {
    ++shows;
    ExitDialog::OnShow();
  }
};

std::unique_ptr<lzg::EngineApp> g_engine;
ObservedGameWindow* g_window = nullptr;
CountedExitDialog* g_dialog = nullptr;
std::wstring g_title_at_creation;  // the title item right after the window's creation

std::wstring Title() { return g_window->Title(); }

// The player's own reload: the checked preset chosen again (profile 0 reloads after a size change).
void ChooseCheckedPresetAgain() { g_window->preset_menu().Item(g_window->settings().preset)->Click(); }

class GameWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    lzg::Settings settings;
    settings.title = L"测试标题";
    settings.skin_name.clear();  // the frame is not under test here
    settings.preset = 3;
    settings.profiles[0].size = {900, 600};
    settings.exe_dir = testutil::SelfDir() + L"game_window_";  // size entries land in a file of this test's own
    g_window = ui::Application::CreateForm<ObservedGameWindow>(*g_engine, settings);
    g_title_at_creation = Title();
    g_dialog = ui::Application::CreateForm<CountedExitDialog>();
    g_window->SetExitDialog(g_dialog);
    g_window->SetHomepage(L"http://t.example/?standin-frames=2");
    g_window->Show();
  }
};

TEST_F(GameWindowTest, MenuIsBuiltFromTheSettings) {
  const wchar_t* captions[] = {L"经典(1334×890)", L"传统(1000×720)", L"现代(1334×750)", L"高清(1334×1000)",
                               L"古典(800×600)",  L"超清(2208×1242)", L"全屏(1334×750)"};
  const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
  for (int i = 0; i < 7; ++i) {
    ui::MenuItem* item = g_window->preset_menu().Item(i);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Caption(), captions[i]);
    EXPECT_EQ(item->Checked(), i == 3);
    const lzg::Size& s = g_window->settings().presets[static_cast<size_t>(i)].size;
    EXPECT_EQ(item->Enabled(), i == 6 || (screen_w >= s.width && screen_h >= s.height)) << i;
  }
  EXPECT_EQ(g_window->title_bar().Items(0).Caption(), L"设置分辨率");
  EXPECT_EQ(g_window->title_bar().Items(0).DropdownMenu(), g_window->preset_menu().Handle());
}

TEST_F(GameWindowTest, TitleFollowsEveryLoadEndAndReload) {
  // Created with the loading title; the game title once the home address has loaded.
  EXPECT_EQ(g_title_at_creation, L"测试标题 正在加载，请稍后...");
  ASSERT_TRUE(PumpUntil([] { return Count("on_load_end", "frame", "f2") >= 1 && Count("load_url") >= 1; }));
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));

  // A reload (profile 0's flag 1) shows the loading title again, then the game title.
  const int ends = Count("on_load_end");
  ChooseCheckedPresetAgain();
  EXPECT_EQ(Title(), L"测试标题 正在加载，请稍后...");
  ASSERT_TRUE(PumpUntil([&] { return Count("on_load_end") >= ends + 3; }));
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));

  // A sub-frame's load end alone sets the game title as well.
  g_window->title_bar().Items(1).SetCaption(L"marker");
  const int f1 = Count("on_load_end", "frame", "f1");
  const int mains = Count("on_load_end", "frame", "main");
  g_window->browser_host().LoadUrl(L"http://t.example/frame", L"f1");
  ASSERT_TRUE(PumpUntil([&] { return Count("on_load_end", "frame", "f1") == f1 + 1; }));
  EXPECT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));
  EXPECT_EQ(Count("on_load_end", "frame", "main"), mains) << "the sub-frame's load reloaded the page";
}

// Ends the menu loop that a system command opened on this thread: Escape to the menu window once it shows (as a
// user leaves it), cancel-mode to the window as a last resort.
class MenuCloser {
 public:
  explicit MenuCloser(HWND window) : window_(window) {
    thread_ = CreateThread(nullptr, 0, &MenuCloser::Run, this, 0, nullptr);
  }
  ~MenuCloser() {
    stop_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  bool SawMenu() const { return saw_menu_; }

 private:
  static DWORD WINAPI Run(void* p) {
    auto* self = static_cast<MenuCloser*>(p);
    const DWORD start = GetTickCount();
    while (!self->stop_) {
      if (HWND menu = e2e::OpenMenuWindow(GetCurrentProcessId())) {
        self->saw_menu_ = true;
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(menu, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
      } else if (GetTickCount() - start > 8000) {
        PostMessageW(self->window_, WM_CANCELMODE, 0, 0);
      }
      Sleep(150);
    }
    return 0;
  }
  HWND window_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stop_{false};
  std::atomic<bool> saw_menu_{false};
};

TEST_F(GameWindowTest, AltNeverReachesKeyboardMenuModeWhileOtherSystemCommandsDo) {
  ASSERT_TRUE(PumpUntil([] { return Count("load_url") >= 1; }));
  HWND window = g_window->Handle();

  // Alt alone, Alt with a letter, and the same with the command's low bits set: answered by the window, no menu
  // mode, nothing else happens.
  const std::pair<WPARAM, LPARAM> swallowed[] = {
      {SC_KEYMENU, 0}, {SC_KEYMENU, 'a'}, {SC_KEYMENU, 'Z'}, {SC_KEYMENU | 0x3, 0}, {SC_KEYMENU | 0xF, 'q'}};
  const int loads = Count("load_url");
  const int loops = g_window->menu_loops;
  for (auto [cmd, lp] : swallowed) {
    g_window->default_sys_commands.clear();
    MenuCloser closer(window);
    EXPECT_EQ(SendMessageW(window, WM_SYSCOMMAND, cmd, lp), 0);
    EXPECT_TRUE(g_window->default_sys_commands.empty()) << std::hex << cmd << " " << lp;
    EXPECT_FALSE(closer.SawMenu()) << std::hex << cmd << " " << lp;
  }
  EXPECT_EQ(g_window->menu_loops, loops);
  EXPECT_EQ(Count("load_url"), loads);

  // Alt+Space: the system menu, through the default handling.
  {
    g_window->default_sys_commands.clear();
    MenuCloser closer(window);
    SendMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    ASSERT_EQ(g_window->default_sys_commands.size(), 1u);
    EXPECT_EQ(g_window->default_sys_commands[0], std::make_pair(WPARAM{SC_KEYMENU}, LPARAM{' '}));
    EXPECT_TRUE(closer.SawMenu()) << "Alt+Space opened no system menu";
  }

  // Maximise and restore: performed, and each reloads the home address (profile 0's flag is 1).
  g_window->default_sys_commands.clear();
  SendMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(window));
  EXPECT_TRUE(PumpUntil([&] { return Count("load_url") == loads + 1; }));
  SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(window));
  EXPECT_TRUE(PumpUntil([&] { return Count("load_url") == loads + 2; }));
  ASSERT_EQ(g_window->default_sys_commands.size(), 2u);
  EXPECT_EQ(g_window->default_sys_commands[0].first, WPARAM{SC_MAXIMIZE});
  EXPECT_EQ(g_window->default_sys_commands[1].first, WPARAM{SC_RESTORE});

  // Close: the exit dialog; the stay click waits in the queue for its modal loop.
  const int shows = g_dialog->shows;
  testutil::ClickOnPanel(testutil::PanelOf(g_dialog->Handle()), testutil::kStayButton);
  g_window->default_sys_commands.clear();
  SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_EQ(g_window->default_sys_commands.size(), 1u);
  EXPECT_EQ(g_window->default_sys_commands[0].first, WPARAM{SC_CLOSE});
  EXPECT_EQ(g_dialog->shows, shows + 1);
  EXPECT_FALSE(g_window->exiting());
  EXPECT_TRUE(IsWindow(window));
}

HWND BrowserWindow() { return GetWindow(g_window->browser_parent()->Handle(), GW_CHILD); }

TEST_F(GameWindowTest, RendererEndsReloadThreeTimesThenTheTitleSaysWhy) {
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));
  const std::string home = "http://t.example/?standin-frames=2";
  for (int i = 1; i <= 3; ++i) {
    const int loads = Count("load_url", "url", home);
    const int mains = Count("on_load_end", "frame", "main");
    g_window->title_bar().Items(1).SetCaption(L"marker");
    ASSERT_TRUE(e2e::SendPageCommand(BrowserWindow(), i == 2 ? L"crash oom" : L"crash"));
    ASSERT_TRUE(PumpUntil([&] { return Count("load_url", "url", home) == loads + 1; })) << "crash " << i;
    ASSERT_TRUE(PumpUntil([&] { return Count("on_load_end", "frame", "main") > mains; }));
    EXPECT_TRUE(PumpUntil([] { return Title() == L"测试标题"; })) << "crash " << i;
  }
  const int loads = Count("load_url");
  ASSERT_TRUE(e2e::SendPageCommand(BrowserWindow(), L"crash"));
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题 游戏页面已停止运行，请重新启动客户端"; }));
  PumpUntil([] { return false; }, 1500);
  EXPECT_EQ(Count("load_url"), loads) << "a fourth reload within ten minutes";
  // The player's own reload brings the page and the title back.
  ChooseCheckedPresetAgain();
  EXPECT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));
}

TEST_F(GameWindowTest, AFailedGameLoadShowsTheErrorPageAndARetryThatLoadsEndsIt) {
  const std::wstring saved = g_window->homepage();
  g_window->SetHomepage(L"http://t.example/down?standin-neterror=-106");
  const int error_pages = Count("on_load_end", "frame", "main");
  ChooseCheckedPresetAgain();
  const std::wstring error_title = L"测试标题 无法连接游戏（ERR_INTERNET_DISCONNECTED），稍后自动重试";
  ASSERT_TRUE(PumpUntil([&] { return Title() == error_title; }));
  // The error page's own load end leaves the notice in place.
  ASSERT_TRUE(PumpUntil([&] { return Count("on_load_end", "frame", "main") > error_pages; }));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(Title(), error_title);
  std::string page;
  for (auto& e : tracefile::Read(TracePath()))
    if (e.event == "load_url" && e.Get("url").rfind("data:text/html", 0) == 0) page = e.Get("url");
  EXPECT_NE(page.find("ERR_INTERNET_DISCONNECTED"), std::string::npos);
  // The game is reachable again before the first retry: the retry loads it and the title comes back.
  g_window->SetHomepage(saved);
  const DWORD start = GetTickCount();
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }, 15000));
  EXPECT_GE(GetTickCount() - start, 3000u) << "retried long before its time";
}

// Whether the load fails before anything arrived (the engine's error document then ends its load) or breaks off
// after it began (its load end carries the error), the notice stays through the retry until the game arrives.
TEST_F(GameWindowTest, TheNoticeStaysThroughARetryUntilTheGameArrives) {
  struct Case {
    const wchar_t* home;
    const wchar_t* error_title;
  };
  const Case cases[] = {
      {L"http://t.example/down?standin-neterror=-105", L"测试标题 无法连接游戏（ERR_NAME_NOT_RESOLVED），稍后自动重试"},
      {L"http://t.example/down?standin-neterror-after-commit=-324",
       L"测试标题 无法连接游戏（ERR_EMPTY_RESPONSE），稍后自动重试"},
  };
  const std::wstring saved = g_window->homepage();
  for (const Case& c : cases) {
    SCOPED_TRACE(testutil::ToUtf8(c.home));
    const std::string home = testutil::ToUtf8(c.home);
    g_window->SetHomepage(c.home);
    const int failures = Count("on_load_error", "url", home);
    ChooseCheckedPresetAgain();
    ASSERT_TRUE(PumpUntil([&] { return Title() == c.error_title; }));
    // Through the failure's load ends, the error page, the retry 5 s later and the retry's own failure.
    std::wstring other;
    ASSERT_TRUE(PumpUntil(
        [&] {
          if (Title() != c.error_title && other.empty()) other = Title();
          return Count("on_load_error", "url", home) == failures + 2;
        },
        12000))
        << "no retry";
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(other, L"") << "the title said something else meanwhile";
    EXPECT_EQ(Title(), c.error_title);
    // The game is back: the player's reload brings it, and the title with it.
    g_window->SetHomepage(saved);
    ChooseCheckedPresetAgain();
    EXPECT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));
  }
}

// The host's operations belong to the main thread: a call from any other thread is refused and recorded in the
// engine's log under the function's own name, in every build.
TEST_F(GameWindowTest, HostCalledFromAnotherThreadIsRecordedAndRefused) {
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));
  auto logged = [](const std::string& entry) {
    int n = 0;
    for (auto& e : tracefile::Read(TracePath()))
      if (e.pid == GetCurrentProcessId() && e.event == "log" && e.Get("message").find(entry) == 0 &&
          e.Get("message").find("not on the main thread") != std::string::npos)
        ++n;
    return n;
  };
  const int loads = Count("load_url");
  const int host_loads = logged("BrowserHost.LoadUrl error : ");
  std::thread other([] { g_window->browser_host().LoadUrl(L"http://t.example/elsewhere"); });
  other.join();
  EXPECT_EQ(logged("BrowserHost.LoadUrl error : "), host_loads + 1);
  PumpUntil([] { return false; }, 500);
  EXPECT_EQ(Count("load_url"), loads) << "a refused call still loaded";
  // The same call on the main thread is not recorded.
  g_window->browser_host().LoadUrl(L"http://t.example/?standin-frames=2");
  ASSERT_TRUE(PumpUntil([&] { return Count("load_url") == loads + 1; }));
  EXPECT_EQ(logged("BrowserHost.LoadUrl error : "), host_loads + 1);
}

// The main frame's load end after the latest load of an address that starts with `prefix`, and `sub_frames`
// sub-frames' load ends after it: every load asked for before has ended by then.
bool LoadedAfterLatest(const std::string& prefix, int sub_frames = 0) {
  const auto trace = tracefile::Read(TracePath());
  size_t latest = trace.size();
  for (size_t i = 0; i < trace.size(); ++i) {
    const auto& e = trace[i];
    if (e.pid == GetCurrentProcessId() && e.event == "load_url" && e.Get("frame") == "main" &&
        e.Get("url").rfind(prefix, 0) == 0)
      latest = i;
  }
  bool main = false;
  int frames = 0;
  for (size_t i = latest + 1; i < trace.size(); ++i) {
    if (trace[i].pid != GetCurrentProcessId() || trace[i].event != "on_load_end") continue;
    if (trace[i].Get("frame") == "main") {
      main = true;
    } else {
      ++frames;
    }
  }
  return main && frames >= sub_frames;
}

// The launch's work for after the start runs once, when the game page's own load ends: not at a sub-frame's, nor
// at the client's error page's, and not again at later loads.
TEST_F(GameWindowTest, TheGameLoadedWorkRunsOnceAtTheGamePagesLoadEnd) {
  const std::string home = "http://t.example/?standin-frames=2";
  ChooseCheckedPresetAgain();
  ASSERT_TRUE(PumpUntil([&] { return LoadedAfterLatest(home, 2); }));
  auto runs = std::make_shared<int>(0);
  g_window->SetOnGameLoaded([runs] { ++*runs; });

  const int f1 = Count("on_load_end", "frame", "f1");
  g_window->browser_host().LoadUrl(L"http://t.example/frame", L"f1");
  ASSERT_TRUE(PumpUntil([&] { return Count("on_load_end", "frame", "f1") == f1 + 1; }));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(*runs, 0) << "a sub-frame's load end";

  const std::wstring saved = g_window->homepage();
  g_window->SetHomepage(L"http://t.example/down?standin-neterror=-106");
  ChooseCheckedPresetAgain();
  ASSERT_TRUE(PumpUntil([] { return LoadedAfterLatest("data:text/html"); }));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(*runs, 0) << "the engine's error document's or the error page's load end";

  g_window->SetHomepage(saved);
  ChooseCheckedPresetAgain();
  EXPECT_TRUE(PumpUntil([&] { return *runs == 1; }));
  ASSERT_TRUE(PumpUntil([&] { return LoadedAfterLatest(home, 2); }));
  ChooseCheckedPresetAgain();
  ASSERT_TRUE(PumpUntil([&] { return LoadedAfterLatest(home, 2); }));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(*runs, 1);
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));
}

}  // namespace

int main(int argc, char** argv) {
  testutil::EngineStart start = testutil::StartEngineForTest(TracePath());
  if (!start.app) return start.exit_code;
  g_engine = std::move(start.app);
  testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  // The way out of the program: exit chosen, the browser closed before the engine goes.
  if (g_window && g_dialog) {
    // The click waits in the queue for the dialog's modal loop.
    testutil::ClickOnPanel(testutil::PanelOf(g_dialog->Handle()), testutil::kExitButton);
    g_window->Close();
    if (!g_window->exiting() || Count("on_before_close") != 1) rc = 1;
  }
  ui::Application::DestroyForms();
  g_engine.reset();
  for (auto& e : tracefile::Read(TracePath()))
    if (e.event == "shutdown" && e.Get("open_browsers") != "0") rc = 1;
  // Past the tests' own checks: a broken engine rule anywhere in the run fails it too.
  for (auto& f : tracefile::Faults(TracePath())) {
    std::fprintf(stderr, "engine rule broken in process %lu: %s\n", f.pid, f.Get("what").c_str());
    rc = 1;
  }
  return rc;
}
