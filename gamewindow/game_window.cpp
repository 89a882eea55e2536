// The game window: components, lifecycle and the close protocol.
#include "gamewindow/game_window.h"

#include "base/threads.h"
#include "config/settings.h"
#include "engine/engine_app.h"
#include "gamewindow/exit_dialog.h"
#include "gamewindow/popup_policy.h"
#include "resources/images.h"

GameWindow* ChildForm = nullptr;

namespace {

// The engine's immediate questions, answered on its UI thread from the values given, nothing else: a new tab or
// window is taken (an instance may follow, on the main thread); Escape is handled and closes on its release.
void NewWindowRule(cef_window_open_disposition_t disposition, bool& Result) {
  Result = lzg::StartsNewInstance(static_cast<int>(disposition));
}

void PreKeyRule(const cef_key_event_t* event, bool& isKeyboardShortcut, bool& Result) {
  Result = false;
  if (event && lzg::MarksShortcut(static_cast<int>(event->type), event->windows_key_code)) isKeyboardShortcut = true;
}

void KeyRule(const cef_key_event_t* event, const MSG* osEvent, bool& Result) {
  // Characters and system keys (Alt) are left alone.
  Result = event && osEvent && (osEvent->message == WM_KEYDOWN || osEvent->message == WM_KEYUP) &&
           LOWORD(osEvent->wParam) == lzg::kVkEscape;
}

}  // namespace

GameWindow::GameWindow(ui::Component* owner) : ui::Form(owner) {
  SetBorderStyle(ui::BorderStyle::kSingle);
  SetPosition(ui::Position::kScreenCenter);
  SetText(L"澜舟阁游戏 正在加载，请稍后...");
  SetClientWidth(602);
  SetClientHeight(394);
  SetIcon(lzg::LoadAppIcon());

  CEFWindowParent1 = new BrowserParent(this, this);
  CEFWindowParent1->SetBounds(0, 0, 602, 394);
  CEFWindowParent1->SetAlign(ui::Align::kClient);
  CEFWindowParent1->SetTabOrder(0);

  Chromium1 = new BrowserHost(this);
  // Engine UI thread: the rules above, with no access to this window.
  Chromium1->OnBeforePopup = [](ui::TObject*, cef_browser_t*, cef_frame_t*, const std::wstring&,
                                const std::wstring&, cef_window_open_disposition_t d, bool, const cef_popup_features_t&,
                                cef_window_info_t&, cef_client_t*&, cef_browser_settings_t&, bool&,
                                bool& result) { NewWindowRule(d, result); };
  Chromium1->OnOpenUrlFromTab = [](ui::TObject*, cef_browser_t*, cef_frame_t*, const std::wstring&,
                                   cef_window_open_disposition_t d, bool, bool& result) { NewWindowRule(d, result); };
  Chromium1->OnPreKeyEvent = [](ui::TObject*, cef_browser_t*, const cef_key_event_t* e, MSG*, bool& shortcut,
                                bool& result) { PreKeyRule(e, shortcut, result); };
  Chromium1->OnKeyEvent = [](ui::TObject*, cef_browser_t*, const cef_key_event_t* e, MSG* os, bool& result) {
    KeyRule(e, os, result);
  };
  // Main thread.
  Chromium1->OnBrowserReady = [this](ui::TObject* s) { Chromium1BrowserReady(s); };
  Chromium1->OnBrowserCloseRequested = [this](ui::TObject* s) { Chromium1BrowserCloseRequested(s); };
  Chromium1->OnBrowserClosed = [this](ui::TObject* s) { Chromium1BrowserClosed(s); };
  Chromium1->OnLoadEnded = [this](ui::TObject* s, const LoadEnd& n) { Chromium1LoadEnded(s, n); };
  Chromium1->OnLoadFailed = [this](ui::TObject* s, const LoadError& n) { Chromium1LoadFailed(s, n); };
  Chromium1->OnRendererEnded = [this](ui::TObject* s, bool own, cef_termination_status_t st) {
    Chromium1RendererEnded(s, own, st);
  };
  Chromium1->OnNewWindowTaken = [this](ui::TObject* s, const std::wstring& url, cef_window_open_disposition_t d) {
    Chromium1NewWindowTaken(s, url, d);
  };
  Chromium1->OnKeyTaken = [this](ui::TObject* s, UINT message, WPARAM wParam) { Chromium1KeyTaken(s, message, wParam); };

  PopupMenu1 = new ui::PopupMenu(this);
  ui::MenuItem** items[] = {&NSetSize1, &NSetSize2, &NSetSize3, &NSetSize4, &NSetSize5, &NSetSize6, &NSetSize7};
  int tag = 0;
  for (ui::MenuItem** item : items) {
    *item = new ui::MenuItem(this);
    (*item)->Tag = tag++;
    (*item)->OnClick = [this](ui::TObject* s) { NSetSize1Click(s); };
    PopupMenu1->Add(*item);
  }

  sTitleBar1 = std::make_unique<lzg::TitleBar>();
  sTitleBar1->SetItemMargin(6);
  lzg::TitleBarItem& resolution = sTitleBar1->Add();
  resolution.SetAlign(lzg::ItemAlign::kRight);
  resolution.SetStyle(lzg::ItemStyle::kButton);
  resolution.SetCaption(L"设置分辨率");
  resolution.SetDropdownMenu(PopupMenu1->Handle());
  resolution.SetFont(L"Tahoma", 8);
  lzg::TitleBarItem& title = sTitleBar1->Add();
  title.SetAlign(lzg::ItemAlign::kLeft);
  title.SetStyle(lzg::ItemStyle::kInfo);
  title.SetCaption(L"澜舟阁游戏 正在加载，请稍后...");
  title.SetFont(L"Tahoma", 8);
  sSkinManager1 = std::make_unique<lzg::SkinManager>();
  sSkinProvider1 = std::make_unique<lzg::SkinProvider>(sSkinManager1.get());
  sSkinProvider1->SkinSection = L"FORM";
  sSkinProvider1->SetTitleBar(sTitleBar1.get());

  OnMessage(CEFBROWSER_INITIALIZED, [this](ui::Message& m) { CEFInitializedMsg(m); });
  OnMessage(CEFBROWSER_COOKIESREADY, [this](ui::Message& m) { CookiesReadyMsg(m); });
  OnMessage(WM_TIMER, [this](ui::Message& m) { WMTimer(m); });
  OnMessage(WM_MOVE, [this](ui::Message& m) { WMMove(m); });
  OnMessage(WM_MOVING, [this](ui::Message& m) { WMMoving(m); });
  OnMessage(WM_ENTERMENULOOP, [this](ui::Message& m) { WMEnterMenuLoop(m); });
  OnMessage(WM_EXITMENULOOP, [this](ui::Message& m) { WMExitMenuLoop(m); });
  OnMessage(WM_SYSCOMMAND, [this](ui::Message& m) { WMsyscommand(m); });
  OnMessage(WM_QUERYENDSESSION, [this](ui::Message& m) { WMQueryEndSession(m); });
  OnMessage(WM_ENDSESSION, [this](ui::Message& m) { WMEndSession(m); });

  OnCreate = [this](ui::TObject* s) { FormCreate(s); };
  OnShow = [this](ui::TObject* s) { FormShow(s); };
  OnCloseQuery = [this](ui::TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
  OnClose = [this](ui::TObject* s, ui::CloseAction& a) { FormClose(s, a); };
  OnDestroy = [this](ui::TObject* s) { FormDestroy(s); };
}

GameWindow::~GameWindow() {
  // The skin lets go of the window while it still exists.
  if (sSkinProvider1) sSkinProvider1->Detach();
  sSkinProvider1.reset();
  sSkinManager1.reset();
  sTitleBar1.reset();
  if (ChildForm == this) ChildForm = nullptr;
}

std::uint8_t GameWindow::GetGameIndex() { return g_ParamStr_1.empty() ? 0 : 1; }

std::wstring GameWindow::LoadingTitle() { return g_title + L" 正在加载，请稍后..."; }

// ---- window events -----------------------------------------------------------

void GameWindow::FormCreate(ui::TObject*) {
  for (int i = 0; i < FormSizeNum; ++i) NSetSizeArr[static_cast<size_t>(i)] = PopupMenu1->Items(i);
  init_SetSizeMenuItem();
  init_Skin();
  SetMyTitle(LoadingTitle());
}

void GameWindow::FormShow(ui::TObject*) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.FormShow")) return;
  const int p = GetGameIndex();
  SetClientWidth(g_WidthArr[static_cast<size_t>(p)]);
  SetClientHeight(g_HeightArr[static_cast<size_t>(p)]);
  if (!FShown) {
    FShown = true;
    // Refused while the engine's context is not ready; asked again on CEFBROWSER_INITIALIZED.
    if (CEFWindowParent1) FBrowserRequested = Chromium1->CreateBrowser(CEFWindowParent1);
  }
}

void GameWindow::FormCloseQuery(ui::TObject*, bool& CanClose) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.FormCloseQuery")) {
    CanClose = false;
    return;
  }
  if (FSessionExitChosen) {
    // "Exit" was chosen at a session end that did not come: the browser is already closed.
    CanClose = true;
    return;
  }
  // A request that comes while the dialog is up (the page closing itself, a key
  // posted before the dialog disabled the window) or while the exit is under way
  // has already been answered.
  if (FExiting || !FormHint || FormHint->InModal()) {
    CanClose = false;
    return;
  }
  FormHint->ShowModal();
  CanClose = g_btNeedClose == 1;
  if (!CanClose) {
    AfterExitDialog(false);
    if (Chromium1) Chromium1->SetFocus(true);
    return;
  }
  FExiting = true;
  AfterExitDialog(true);
  CloseBrowserBeforeExit();
}

void GameWindow::FormClose(ui::TObject*, ui::CloseAction& Action) { Action = ui::CloseAction::kFree; }

void GameWindow::FormDestroy(ui::TObject*) { StopRecovery(); }

void GameWindow::CloseBrowserBeforeExit() {
  // The engine must not be shut down with a browser open: destroying the parent
  // destroys the browser's window, after which the engine reports it closed.
  // The host knows its browser from the engine's report, before the main thread has heard of it.
  const bool open = Chromium1 && Chromium1->BrowserId() != 0 && !FBrowserClosed;
  // The wait below still dispatches messages: the window takes no input meanwhile.
  EnableWindow(Handle(), FALSE);
  // Popups the engine opened go first: the game browser's close detaches the client they share.
  if (Chromium1) Chromium1->CloseOtherBrowsers(kBrowserCloseWaitMs);
  if (CEFWindowParent1) {
    CEFWindowParent1->Free();
    CEFWindowParent1 = nullptr;
  }
  // The host raises its close event from a posted message, which this wait dispatches.
  if (open) ui::Application::ProcessMessagesUntil([this] { return FBrowserClosed; }, kBrowserCloseWaitMs);
}

// ---- the browser's life span (main thread, raised by the host) ----------------------------

void GameWindow::Chromium1BrowserReady(ui::TObject*) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.Chromium1BrowserReady")) return;
  if (!CEFWindowParent1) return;
  CEFWindowParent1->UpdateSize();
  LoadHome();
}

// The page asked to close (window.close()): the browser ends with its parent window.
void GameWindow::Chromium1BrowserCloseRequested(ui::TObject*) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.Chromium1BrowserCloseRequested")) return;
  if (!CEFWindowParent1) return;
  CEFWindowParent1->Free();
  CEFWindowParent1 = nullptr;
}

void GameWindow::Chromium1BrowserClosed(ui::TObject*) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.Chromium1BrowserClosed")) return;
  FBrowserClosed = true;
  // During the exit the wait above sees the flag; otherwise the page closed itself and the window asks.
  if (!FExiting) PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

// ---- main-thread messages -----------------------------------------------------------

void GameWindow::CEFInitializedMsg(ui::Message&) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.CEFInitializedMsg")) return;
  if (FShown && !FBrowserRequested && CEFWindowParent1 && !FExiting)
    FBrowserRequested = Chromium1->CreateBrowser(CEFWindowParent1);
}

// The engine places what it draws outside the browser window (select lists, tooltips) from that window's
// place on the screen: it must hear of every move to close or move them.
void GameWindow::WMMove(ui::Message& m) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.WMMove")) return;
  Default(m);
  if (Chromium1) Chromium1->NotifyMoveOrResizeStarted();
}

void GameWindow::WMMoving(ui::Message& m) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.WMMoving")) return;
  Default(m);
  if (Chromium1) Chromium1->NotifyMoveOrResizeStarted();
}

// A menu's modal loop (the system menu, the title bar's drop-down) runs inside this thread's message
// dispatch: the engine is told so, as it asks for around any such loop.
void GameWindow::WMEnterMenuLoop(ui::Message& m) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.WMEnterMenuLoop")) return;
  Default(m);
  if (m.WParam == 0 && GlobalCEFApp) GlobalCEFApp->SetOsmodalLoop(true);
}

void GameWindow::WMExitMenuLoop(ui::Message& m) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.WMExitMenuLoop")) return;
  Default(m);
  if (m.WParam == 0 && GlobalCEFApp) GlobalCEFApp->SetOsmodalLoop(false);
}

// ---- the cookie store before the first page ---------------------------------------------

void GameWindow::LoadHome() {
  // The flag turns true before its message is posted: a load held here is always released.
  if (GlobalCEFApp && !GlobalCEFApp->CookieStoreSettled()) {
    FHomeLoadHeld = true;
    return;
  }
  FHomeLoadHeld = false;
  Chromium1->LoadURL(FHomepage);
}

void GameWindow::CookiesReadyMsg(ui::Message&) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.CookiesReadyMsg")) return;
  if (FHomeLoadHeld && !FExiting && CEFWindowParent1) LoadHome();
}
