// The game window: components, lifecycle and the close protocol.
#include "gamewindow/uChildForm.h"

#include "engine/app.h"
#include "gamewindow/Unit1.h"
#include "config/common.h"
#include "resources/images.h"

TChildForm* ChildForm = nullptr;

namespace {

int BrowserIdOf(cef_browser_t* browser) {
  return browser && browser->get_identifier ? browser->get_identifier(browser) : 0;
}

}  // namespace

TChildForm::TChildForm(ui::TComponent* owner) : ui::TForm(owner) {
  SetBorderStyle(ui::bsSingle);
  SetPosition(ui::poScreenCenter);
  SetText(L"澜舟阁游戏 正在加载，请稍后...");
  SetClientWidth(602);
  SetClientHeight(394);
  SetIcon(lzg::LoadAppIcon());

  wchar_t exe[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, exe, static_cast<DWORD>(std::size(exe)));
  FExePath.assign(exe, n < std::size(exe) ? n : 0);

  CEFWindowParent1 = new TCEFWindowParent(this, this);
  CEFWindowParent1->SetBounds(0, 0, 602, 394);
  CEFWindowParent1->SetAlign(ui::alClient);
  CEFWindowParent1->SetTabOrder(0);

  Chromium1 = new TChromium(this);
  Chromium1->OnAfterCreated = [this](ui::TObject* s, cef_browser_t* b) { Chromium1AfterCreated(s, b); };
  Chromium1->OnClose = [this](ui::TObject* s, cef_browser_t* b, TCefCloseBrowserAction& a) {
    Chromium1Close(s, b, a);
  };
  Chromium1->OnBeforeClose = [this](ui::TObject* s, cef_browser_t* b) { Chromium1BeforeClose(s, b); };
  Chromium1->OnLoadEnd = [this](ui::TObject* s, cef_browser_t* b, cef_frame_t* f, int code) {
    Chromium1LoadEnd(s, b, f, code);
  };
  Chromium1->OnLoadError = [this](ui::TObject* s, cef_browser_t* b, cef_frame_t* f, cef_errorcode_t code,
                                  const std::wstring& text, const std::wstring& url) {
    Chromium1LoadError(s, b, f, code, text, url);
  };
  Chromium1->OnRenderProcessTerminated = [this](ui::TObject* s, cef_browser_t* b, cef_termination_status_t st) {
    Chromium1RenderProcessTerminated(s, b, st);
  };
  Chromium1->OnBeforePopup = [this](ui::TObject* s, cef_browser_t* b, cef_frame_t* f, const std::wstring& url,
                                    const std::wstring& name, TCefWindowOpenDisposition d, bool gesture,
                                    const TCefPopupFeatures& features, TCefWindowInfo& info,
                                    cef_client_t*& client, TCefBrowserSettings& settings, bool& noJs,
                                    bool& result) {
    Chromium1BeforePopup(s, b, f, url, name, d, gesture, features, info, client, settings, noJs, result);
  };
  Chromium1->OnOpenUrlFromTab = [this](ui::TObject* s, cef_browser_t* b, cef_frame_t* f, const std::wstring& url,
                                       TCefWindowOpenDisposition d, bool gesture, bool& result) {
    Chromium1OpenUrlFromTab(s, b, f, url, d, gesture, result);
  };
  Chromium1->OnPreKeyEvent = [this](ui::TObject* s, cef_browser_t* b, const TCefKeyEvent* e, MSG* os,
                                    bool& shortcut, bool& result) {
    Chromium1PreKeyEvent(s, b, e, os, shortcut, result);
  };
  Chromium1->OnKeyEvent = [this](ui::TObject* s, cef_browser_t* b, const TCefKeyEvent* e, MSG* os,
                                 bool& result) { Chromium1KeyEvent(s, b, e, os, result); };

  PopupMenu1 = new ui::TPopupMenu(this);
  ui::TMenuItem** items[] = {&NSetSize1, &NSetSize2, &NSetSize3, &NSetSize4, &NSetSize5, &NSetSize6, &NSetSize7};
  int tag = 0;
  for (ui::TMenuItem** item : items) {
    *item = new ui::TMenuItem(this);
    (*item)->Tag = tag++;
    (*item)->OnClick = [this](ui::TObject* s) { NSetSize1Click(s); };
    PopupMenu1->Add(*item);
  }

  sTitleBar1 = std::make_unique<lzg::TsTitleBar>();
  sTitleBar1->SetItemMargin(6);
  lzg::TacTitleBarItem& resolution = sTitleBar1->Add();
  resolution.SetAlign(lzg::TacItemAlign::Right);
  resolution.SetStyle(lzg::TacItemStyle::Button);
  resolution.SetCaption(L"设置分辨率");
  resolution.SetDropdownMenu(PopupMenu1->Handle());
  resolution.SetFont(L"Tahoma", 8);
  lzg::TacTitleBarItem& title = sTitleBar1->Add();
  title.SetAlign(lzg::TacItemAlign::Left);
  title.SetStyle(lzg::TacItemStyle::Info);
  title.SetCaption(L"澜舟阁游戏 正在加载，请稍后...");
  title.SetFont(L"Tahoma", 8);
  sSkinManager1 = std::make_unique<lzg::TsSkinManager>();
  sSkinProvider1 = std::make_unique<lzg::TsSkinProvider>(sSkinManager1.get());
  sSkinProvider1->SkinSection = L"FORM";
  sSkinProvider1->SetTitleBar(sTitleBar1.get());

  OnMessage(CEFBROWSER_CREATED, [this](ui::TMessage& m) { BrowserCreatedMsg(m); });
  OnMessage(CEFBROWSER_DESTROY, [this](ui::TMessage& m) { BrowserDestroyMsg(m); });
  OnMessage(CEFBROWSER_INITIALIZED, [this](ui::TMessage& m) { CEFInitializedMsg(m); });
  OnMessage(CEFBROWSER_LOADEND, [this](ui::TMessage& m) { LoadEndMsg(m); });
  OnMessage(CEFBROWSER_RENDERERGONE, [this](ui::TMessage& m) { RendererGoneMsg(m); });
  OnMessage(CEFBROWSER_LOADERROR, [this](ui::TMessage& m) { LoadErrorMsg(m); });
  OnMessage(CEFBROWSER_STARTINSTANCE, [this](ui::TMessage& m) { StartInstanceMsg(m); });
  OnMessage(CEFBROWSER_COOKIESREADY, [this](ui::TMessage& m) { CookiesReadyMsg(m); });
  OnMessage(WM_TIMER, [this](ui::TMessage& m) { WMTimer(m); });
  OnMessage(WM_MOVE, [this](ui::TMessage& m) { WMMove(m); });
  OnMessage(WM_MOVING, [this](ui::TMessage& m) { WMMoving(m); });
  OnMessage(WM_ENTERMENULOOP, [this](ui::TMessage& m) { WMEnterMenuLoop(m); });
  OnMessage(WM_EXITMENULOOP, [this](ui::TMessage& m) { WMExitMenuLoop(m); });
  OnMessage(WM_SYSCOMMAND, [this](ui::TMessage& m) { WMsyscommand(m); });
  OnMessage(WM_QUERYENDSESSION, [this](ui::TMessage& m) { WMQueryEndSession(m); });
  OnMessage(WM_ENDSESSION, [this](ui::TMessage& m) { WMEndSession(m); });

  OnCreate = [this](ui::TObject* s) { FormCreate(s); };
  OnShow = [this](ui::TObject* s) { FormShow(s); };
  OnCloseQuery = [this](ui::TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
  OnClose = [this](ui::TObject* s, ui::TCloseAction& a) { FormClose(s, a); };
  OnDestroy = [this](ui::TObject* s) { FormDestroy(s); };
}

TChildForm::~TChildForm() {
  // The skin lets go of the window while it still exists.
  if (sSkinProvider1) sSkinProvider1->Detach();
  sSkinProvider1.reset();
  sSkinManager1.reset();
  sTitleBar1.reset();
  if (ChildForm == this) ChildForm = nullptr;
}

std::uint8_t TChildForm::GetGameIndex() { return g_ParamStr_1.empty() ? 0 : 1; }

std::wstring TChildForm::LoadingTitle() { return g_title + L" 正在加载，请稍后..."; }

bool TChildForm::IsMainBrowser(cef_browser_t* browser) const {
  const int id = BrowserIdOf(browser);
  return id != 0 && id == FMainBrowserId.load();
}

// ---- window events -----------------------------------------------------------

void TChildForm::FormCreate(ui::TObject*) {
  FWindow = Handle();
  for (int i = 0; i < FormSizeNum; ++i) NSetSizeArr[static_cast<size_t>(i)] = PopupMenu1->Items(i);
  init_SetSizeMenuItem();
  init_Skin();
  SetMyTitle(LoadingTitle());
}

void TChildForm::FormShow(ui::TObject*) {
  const int p = GetGameIndex();
  SetClientWidth(g_WidthArr[static_cast<size_t>(p)]);
  SetClientHeight(g_HeightArr[static_cast<size_t>(p)]);
  if (!FShown) {
    FShown = true;
    // Refused while the engine's context is not ready; asked again on CEFBROWSER_INITIALIZED.
    if (CEFWindowParent1) FBrowserRequested = Chromium1->CreateBrowser(CEFWindowParent1);
  }
}

void TChildForm::FormCloseQuery(ui::TObject*, bool& CanClose) {
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

void TChildForm::FormClose(ui::TObject*, ui::TCloseAction& Action) { Action = ui::caFree; }

void TChildForm::FormDestroy(ui::TObject*) { StopRecovery(); }

void TChildForm::CloseBrowserBeforeExit() {
  // The engine must not be shut down with a browser open: destroying the parent
  // destroys the browser's window, after which the engine reports it closed.
  const bool open = FMainBrowserId.load() != 0 && !FBrowserClosed.load();
  // The wait below still dispatches messages: the window takes no input meanwhile.
  EnableWindow(Handle(), FALSE);
  // Popups the engine opened go first: the game browser's close detaches the client they share.
  if (Chromium1) Chromium1->CloseOtherBrowsers(kBrowserCloseWaitMs);
  if (CEFWindowParent1) {
    CEFWindowParent1->Free();
    CEFWindowParent1 = nullptr;
  }
  if (open) ui::Application.ProcessMessagesUntil([this] { return FBrowserClosed.load(); }, kBrowserCloseWaitMs);
}

// ---- browser life span (engine UI thread: post only) -------------------------------

void TChildForm::Chromium1AfterCreated(ui::TObject*, cef_browser_t* browser) {
  // The host has recorded its own browser before raising the event; a popup
  // browser the engine opened is not recorded and gets nothing.
  const int id = BrowserIdOf(browser);
  if (id == 0 || id != Chromium1->BrowserId()) return;
  FMainBrowserId = id;
  PostMessageW(FWindow.load(), CEFBROWSER_CREATED, 0, 0);
}

void TChildForm::Chromium1Close(ui::TObject*, cef_browser_t* browser, TCefCloseBrowserAction& aAction) {
  if (!IsMainBrowser(browser)) {
    aAction = cbaClose;
    return;
  }
  PostMessageW(FWindow.load(), CEFBROWSER_DESTROY, 0, 0);
  aAction = cbaDelay;
}

void TChildForm::Chromium1BeforeClose(ui::TObject*, cef_browser_t* browser) {
  if (!IsMainBrowser(browser)) return;
  FBrowserClosed = true;
  if (FExiting) {
    // Wakes the exit's wait.
    PostMessageW(FWindow.load(), WM_NULL, 0, 0);
    return;
  }
  PostMessageW(FWindow.load(), WM_CLOSE, 0, 0);
}

// ---- main-thread messages -----------------------------------------------------------

void TChildForm::BrowserCreatedMsg(ui::TMessage&) {
  if (!CEFWindowParent1) return;
  CEFWindowParent1->UpdateSize();
  LoadHome();
}

void TChildForm::BrowserDestroyMsg(ui::TMessage&) {
  if (!CEFWindowParent1) return;
  CEFWindowParent1->Free();
  CEFWindowParent1 = nullptr;
}

void TChildForm::CEFInitializedMsg(ui::TMessage&) {
  if (FShown && !FBrowserRequested && CEFWindowParent1 && !FExiting)
    FBrowserRequested = Chromium1->CreateBrowser(CEFWindowParent1);
}

// The engine places what it draws outside the browser window (select lists, tooltips) from that window's
// place on the screen: it must hear of every move to close or move them.
void TChildForm::WMMove(ui::TMessage& m) {
  Default(m);
  if (Chromium1) Chromium1->NotifyMoveOrResizeStarted();
}

void TChildForm::WMMoving(ui::TMessage& m) {
  Default(m);
  if (Chromium1) Chromium1->NotifyMoveOrResizeStarted();
}

// A menu's modal loop (the system menu, the title bar's drop-down) runs inside this thread's message
// dispatch: the engine is told so, as it asks for around any such loop.
void TChildForm::WMEnterMenuLoop(ui::TMessage& m) {
  Default(m);
  if (m.WParam == 0 && GlobalCEFApp) GlobalCEFApp->SetOsmodalLoop(true);
}

void TChildForm::WMExitMenuLoop(ui::TMessage& m) {
  Default(m);
  if (m.WParam == 0 && GlobalCEFApp) GlobalCEFApp->SetOsmodalLoop(false);
}

// ---- the cookie store before the first page ---------------------------------------------

void TChildForm::LoadHome() {
  // The flag turns true before its message is posted: a load held here is always released.
  if (GlobalCEFApp && !GlobalCEFApp->CookieStoreSettled()) {
    FHomeLoadHeld = true;
    return;
  }
  FHomeLoadHeld = false;
  Chromium1->LoadURL(FHomepage);
}

void TChildForm::CookiesReadyMsg(ui::TMessage&) {
  if (FHomeLoadHeld && !FExiting && CEFWindowParent1) LoadHome();
}
