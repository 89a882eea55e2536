// The game window in-process, on the engine stand-in: the title item through
// loads and reloads (sub-frames included), the resolution menu as built from the
// settings, what events of an engine-opened popup browser leave alone, and which
// system commands reach the default window procedure.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <utility>
#include <vector>

#include "engine/engine_app.h"
#include "gamewindow/exit_dialog.h"
#include "gamewindow/game_window.h"
#include "config/settings.h"
#include "tests/e2e/client_run.h"
#include "tests/support/exit_dialog.h"
#include "tests/support/trace_faults.h"
#include "ui/forms.h"

namespace {

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

std::wstring Title() { return ChildForm->sTitleBar1->Items(1).Caption(); }

// The game window with a look below its own message handling: every system command
// that reaches the default handling (and so DefWindowProc) is recorded.
class ObservedChildForm : public GameWindow {
 public:
  using GameWindow::GameWindow;
  std::vector<std::pair<WPARAM, LPARAM>> defaultSysCommands;

 protected:
  void DefaultHandler(ui::Message& m) override {
    if (m.msg == WM_SYSCOMMAND) defaultSysCommands.emplace_back(m.wparam, m.lparam);
    GameWindow::DefaultHandler(m);
  }
};

ObservedChildForm* Observed() { return static_cast<ObservedChildForm*>(ChildForm); }

std::wstring g_titleAtCreation;  // the title item right after the window's creation

class ChildFormTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ResetSettingsState();
    g_title = L"测试标题";
    g_SkinName.clear();  // the frame is not under test here
    g_SizeIndex = 3;
    FormCfgSizeArr = {{{1334, 890}, {1000, 720}, {1334, 750}, {1334, 1000}, {800, 600}, {2208, 1242}, {1334, 750}}};
    FormCfgSizeNameArr = {L"经典", L"传统", L"现代", L"高清", L"古典", L"超清", L"全屏"};
    g_WidthArr[0] = 900;
    g_HeightArr[0] = 600;
    g_sPath = testutil::SelfDir() + L"childform_";  // size entries land in a file of this test's own
    ChildForm = ui::Application::CreateForm<ObservedChildForm>();
    g_titleAtCreation = Title();
    FormHint = ui::Application::CreateForm<ExitDialog>();
    ChildForm->FHomepage = L"http://t.example/?standin-frames=2";
    ChildForm->Show();
  }
  static void TearDownTestSuite() {}
};

TEST_F(ChildFormTest, MenuIsBuiltFromTheSettings) {
  const wchar_t* captions[] = {L"经典(1334×890)", L"传统(1000×720)", L"现代(1334×750)", L"高清(1334×1000)",
                               L"古典(800×600)",  L"超清(2208×1242)", L"全屏(1334×750)"};
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  for (int i = 0; i < 7; ++i) {
    ui::MenuItem* item = ChildForm->NSetSizeArr[static_cast<size_t>(i)];
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Tag, i);
    EXPECT_EQ(item->Caption(), captions[i]);
    EXPECT_EQ(item->Checked(), i == 3);
    const SizePreset& s = FormCfgSizeArr[static_cast<size_t>(i)];
    EXPECT_EQ(item->Enabled(), i == 6 || (screenW >= s.Width && screenH >= s.Height)) << i;
  }
  EXPECT_EQ(ChildForm->sTitleBar1->Items(0).Caption(), L"设置分辨率");
  EXPECT_EQ(ChildForm->sTitleBar1->Items(0).DropdownMenu(), ChildForm->PopupMenu1->Handle());
}

TEST_F(ChildFormTest, TitleFollowsEveryLoadEndAndReload) {
  // Created with the loading title; the game title once the home address has loaded.
  EXPECT_EQ(g_titleAtCreation, L"测试标题 正在加载，请稍后...");
  ASSERT_TRUE(PumpUntil([] { return Count("on_load_end", "frame", "f2") >= 1 && Count("load_url") >= 1; }));
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));

  // A reload (profile 0's flag 1) shows the loading title again, then the game title.
  const int ends = Count("on_load_end");
  ChildForm->ReLoadUrl();
  EXPECT_EQ(Title(), L"测试标题 正在加载，请稍后...");
  ASSERT_TRUE(PumpUntil([&] { return Count("on_load_end") >= ends + 3; }));
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));

  // A sub-frame's load end alone sets the game title as well.
  ChildForm->SetMyTitle(L"marker");
  const int f1 = Count("on_load_end", "frame", "f1");
  const int mains = Count("on_load_end", "frame", "main");
  ChildForm->Chromium1->LoadURL(L"http://t.example/frame", L"f1");
  ASSERT_TRUE(PumpUntil([&] { return Count("on_load_end", "frame", "f1") == f1 + 1; }));
  EXPECT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));
  EXPECT_EQ(Count("on_load_end", "frame", "main"), mains) << "the sub-frame's load reloaded the page";

  // Reload flag 0: nothing is loaded and the title stays.
  g_SetSizeReloadArr[0] = 0;
  const int loads = Count("load_url");
  ChildForm->ReLoadUrl();
  EXPECT_EQ(Title(), L"测试标题");
  EXPECT_EQ(Count("load_url"), loads);
  g_SetSizeReloadArr[0] = 1;
}

TEST_F(ChildFormTest, EmptyTitleKeepsTheLeadingSpace) {
  const std::wstring saved = g_title;
  g_title.clear();
  EXPECT_EQ(GameWindow::LoadingTitle(), L" 正在加载，请稍后...");
  g_title = saved;
}

// Ends the menu loop that a system command opened on this thread: Escape to the menu
// window once it shows (as a user leaves it), cancel-mode to the window as a last resort.
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

TEST_F(ChildFormTest, AltNeverReachesKeyboardMenuModeWhileOtherSystemCommandsDo) {
  ASSERT_TRUE(PumpUntil([] { return Count("load_url") >= 1; }));
  ObservedChildForm* form = Observed();
  HWND window = form->Handle();

  // Alt alone, Alt with a letter, and the same with the command's low bits set:
  // answered by the window, no menu mode, nothing else happens.
  const std::pair<WPARAM, LPARAM> swallowed[] = {
      {SC_KEYMENU, 0}, {SC_KEYMENU, 'a'}, {SC_KEYMENU, 'Z'}, {SC_KEYMENU | 0x3, 0}, {SC_KEYMENU | 0xF, 'q'}};
  const int loads = Count("load_url");
  int menuLoops = 0;
  const ui::MessageHandler enterLoop = [&](ui::Message& m) {
    ++menuLoops;
    form->WMEnterMenuLoop(m);
  };
  form->OnMessage(WM_ENTERMENULOOP, enterLoop);
  for (auto [cmd, lp] : swallowed) {
    form->defaultSysCommands.clear();
    MenuCloser closer(window);
    EXPECT_EQ(SendMessageW(window, WM_SYSCOMMAND, cmd, lp), 0);
    EXPECT_TRUE(form->defaultSysCommands.empty()) << std::hex << cmd << " " << lp;
    EXPECT_FALSE(closer.SawMenu()) << std::hex << cmd << " " << lp;
  }
  EXPECT_EQ(menuLoops, 0);
  EXPECT_EQ(Count("load_url"), loads);

  // Alt+Space: the system menu, through the default handling.
  {
    form->defaultSysCommands.clear();
    MenuCloser closer(window);
    SendMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    ASSERT_EQ(form->defaultSysCommands.size(), 1u);
    EXPECT_EQ(form->defaultSysCommands[0], std::make_pair(WPARAM{SC_KEYMENU}, LPARAM{' '}));
    EXPECT_TRUE(closer.SawMenu()) << "Alt+Space opened no system menu";
  }
  form->OnMessage(WM_ENTERMENULOOP, [form](ui::Message& m) { form->WMEnterMenuLoop(m); });

  // Maximise and restore: performed, and each reloads the home address (profile 0's flag is 1).
  form->defaultSysCommands.clear();
  SendMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(window));
  EXPECT_TRUE(PumpUntil([&] { return Count("load_url") == loads + 1; }));
  SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(window));
  EXPECT_TRUE(PumpUntil([&] { return Count("load_url") == loads + 2; }));
  ASSERT_EQ(form->defaultSysCommands.size(), 2u);
  EXPECT_EQ(form->defaultSysCommands[0].first, WPARAM{SC_MAXIMIZE});
  EXPECT_EQ(form->defaultSysCommands[1].first, WPARAM{SC_RESTORE});

  // Close: the exit dialog; the stay click waits in the queue for its modal loop.
  int shows = 0;
  const ui::NotifyEvent show = FormHint->OnShow;
  FormHint->OnShow = [&](ui::TObject* s) {
    ++shows;
    show(s);
  };
  testutil::ClickOnPanel(FormHint->Panel1->Handle(), testutil::kStayButton);
  form->defaultSysCommands.clear();
  SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  FormHint->OnShow = show;
  ASSERT_EQ(form->defaultSysCommands.size(), 1u);
  EXPECT_EQ(form->defaultSysCommands[0].first, WPARAM{SC_CLOSE});
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(g_btNeedClose, 0);
  EXPECT_TRUE(IsWindow(window));
}

HWND BrowserWindow() { return GetWindow(ChildForm->CEFWindowParent1->Handle(), GW_CHILD); }

TEST_F(ChildFormTest, RendererEndsReloadThreeTimesThenTheTitleSaysWhy) {
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));
  const std::string home = "http://t.example/?standin-frames=2";
  for (int i = 1; i <= 3; ++i) {
    const int loads = Count("load_url", "url", home);
    const int mains = Count("on_load_end", "frame", "main");
    ChildForm->SetMyTitle(L"marker");
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
  ChildForm->ReLoadUrl();
  EXPECT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }));
}

TEST_F(ChildFormTest, AFailedGameLoadShowsTheErrorPageAndARetryThatLoadsEndsIt) {
  const std::wstring saved = ChildForm->FHomepage;
  ChildForm->FHomepage = L"http://t.example/down?standin-neterror=-106";
  const int errorPages = Count("on_load_end", "frame", "main");
  ChildForm->ReLoadUrl();
  const std::wstring errorTitle = L"测试标题 无法连接游戏（ERR_INTERNET_DISCONNECTED），稍后自动重试";
  ASSERT_TRUE(PumpUntil([&] { return Title() == errorTitle; }));
  // The error page's own load end leaves the notice in place.
  ASSERT_TRUE(PumpUntil([&] { return Count("on_load_end", "frame", "main") > errorPages; }));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(Title(), errorTitle);
  std::string page;
  for (auto& e : tracefile::Read(TracePath()))
    if (e.event == "load_url" && e.Get("url").rfind("data:text/html", 0) == 0) page = e.Get("url");
  EXPECT_NE(page.find("ERR_INTERNET_DISCONNECTED"), std::string::npos);
  // The game is reachable again before the first retry: the retry loads it and the title comes back.
  ChildForm->FHomepage = saved;
  const DWORD start = GetTickCount();
  ASSERT_TRUE(PumpUntil([] { return Title() == L"测试标题"; }, 15000));
  EXPECT_GE(GetTickCount() - start, 3000u) << "retried long before its time";
}

// The window and the host's operations belong to the main thread: a call from any other thread is refused and
// recorded in the engine's log, in every build.
TEST_F(ChildFormTest, MainThreadEntryPointsCalledFromAnotherThreadAreRecordedAndRefused) {
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
  const int clicks = logged("TChildForm.NSetSize1Click"), hostLoads = logged("TChromium.LoadURL");
  const int width = ChildForm->ClientWidth();
  const bool fourthChecked = ChildForm->NSetSizeArr[4]->Checked();
  std::thread other([] {
    ChildForm->NSetSize1Click(ChildForm->NSetSizeArr[4]);  // 800 x 600, which reloads
    ChildForm->Chromium1->LoadURL(L"http://t.example/elsewhere");
  });
  other.join();
  EXPECT_EQ(logged("TChildForm.NSetSize1Click"), clicks + 1);
  EXPECT_EQ(logged("TChromium.LoadURL"), hostLoads + 1);
  PumpUntil([] { return false; }, 500);
  EXPECT_EQ(Count("load_url"), loads) << "a refused call still loaded";
  EXPECT_EQ(ChildForm->ClientWidth(), width) << "a refused call still resized";
  EXPECT_EQ(ChildForm->NSetSizeArr[4]->Checked(), fourthChecked);
  // The same calls on the main thread are not recorded.
  ChildForm->Chromium1->LoadURL(L"http://t.example/?standin-frames=2");
  ASSERT_TRUE(PumpUntil([&] { return Count("load_url") == loads + 1; }));
  EXPECT_EQ(logged("TChromium.LoadURL"), hostLoads + 1);
}

}  // namespace

int main(int argc, char** argv) {
  const bool sub = std::wstring(GetCommandLineW()).find(L"--type=") != std::wstring::npos;
  if (!sub) {
    DeleteFileW(TracePath().c_str());
    SetEnvironmentVariableW(L"STANDIN_TRACE", TracePath().c_str());
  }
  GlobalCEFApp = new EngineApp();
  GlobalCEFApp->SetFrameworkDirPath(L"cef");
  GlobalCEFApp->SetResourcesDirPath(L"cef");
  GlobalCEFApp->SetLocalesDirPath(L"cef\\locales");
  GlobalCEFApp->Locale = L"zh-CN";
  GlobalCEFApp->LocalesRequired = L"zh-CN";
  if (!GlobalCEFApp->StartMainProcess()) {
    DestroyGlobalCEFApp();
    return sub ? 0 : 1;
  }
  testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  // The way out of the program: exit chosen, the browser closed before the engine goes.
  if (ChildForm && FormHint) {
    // The clicks wait in the queue for the dialog's modal loop.
    testutil::ClickOnPanel(FormHint->Panel1->Handle(), testutil::kExitButton);
    ChildForm->Close();
    if (g_btNeedClose != 1 || Count("on_before_close") != 1) rc = 1;
  }
  ui::Application::DestroyForms();
  DestroyGlobalCEFApp();
  for (auto& e : tracefile::Read(TracePath()))
    if (e.event == "shutdown" && e.Get("open_browsers") != "0") rc = 1;
  // Past the tests' own checks: a broken engine rule anywhere in the run fails it too.
  for (auto& f : tracefile::Faults(TracePath())) {
    std::fprintf(stderr, "engine rule broken in process %lu: %s\n", f.pid, f.Get("what").c_str());
    rc = 1;
  }
  return rc;
}
