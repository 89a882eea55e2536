#include "gamewindow/game_window.h"

#include <shellapi.h>

#include <utility>

#include "base/files.h"
#include "engine/diagnostics.h"
#include "gamewindow/exit_dialog.h"
#include "gamewindow/key_policy.h"
#include "gamewindow/page_recovery.h"
#include "gamewindow/popup_policy.h"
#include "resources/images.h"

namespace lzg {
namespace {

// The window's size before the settings give it one.
constexpr int kDesignWidth = 602;
constexpr int kDesignHeight = 394;

// The engine's immediate questions, answered on its UI thread from the values given, nothing else: a new tab or
// window is taken (an instance may follow, on the main thread); Escape is the window's.
class GamePolicy final : public BrowserHost::Policy {
 public:
  bool TakesPopup(const std::wstring&, cef_window_open_disposition_t disposition) const override {
    return StartsNewInstance(static_cast<int>(disposition));
  }
  bool TakesModifiedClick(const std::wstring&, cef_window_open_disposition_t disposition) const override {
    return StartsNewInstance(static_cast<int>(disposition));
  }
  PreKeyAnswer BeforeKey(const cef_key_event_t& event, const MSG*, bool is_shortcut) const override {
    return {false, is_shortcut || MarksShortcut(static_cast<int>(event.type), event.windows_key_code)};
  }
  bool TakesKey(const cef_key_event_t&, const MSG* os_event) const override {
    return os_event && lzg::TakesKey(os_event->message, os_event->wParam);
  }
  // The game's page going to another program (customer service in a chat program, mail) would be replaced by the
  // engine's error document: the game stays instead, and no program is started. Sub-frames and other browsers
  // are the engine's business.
  bool CancelsNavigation(const BrowserHost::Navigation& navigation) const override {
    return navigation.own_browser && navigation.main_frame && !EngineHandlesScheme(navigation.url);
  }
};

const GamePolicy kGamePolicy;

}  // namespace

GameWindow::GameWindow(ui::Component* owner, EngineApp& engine, Settings settings)
    : ui::Form(owner), engine_(engine), settings_(std::move(settings)) {
  SetBorderStyle(ui::BorderStyle::kSingle);
  SetPosition(ui::Position::kScreenCenter);
  // The caption shown when no skin is active; the title bar's item says the rest.
  SetText(LoadingTitle(kDefaultTitle));
  SetClientWidth(kDesignWidth);
  SetClientHeight(kDesignHeight);
  SetIcon(LoadAppIcon());

  browser_parent_ = new BrowserParent(this, this);
  browser_parent_->SetBounds(0, 0, kDesignWidth, kDesignHeight);
  browser_parent_->SetAlign(ui::Align::kClient);
  browser_parent_->SetTabOrder(0);

  BrowserHost::Delegate* const host_delegate = this;
  browser_host_ = std::make_unique<BrowserHost>(engine_, host_delegate, &kGamePolicy);
  preset_menu_ = std::make_unique<PresetMenu>(*this, settings_, [this](int preset) { OnPresetChosen(preset); });

  title_bar_ = std::make_unique<TitleBar>();
  title_bar_->SetItemMargin(6);
  TitleBarItem& resolution = title_bar_->Add();
  resolution.SetAlign(ItemAlign::kRight);
  resolution.SetStyle(ItemStyle::kButton);
  resolution.SetCaption(L"设置分辨率");
  resolution.SetDropdownMenu(preset_menu_->Handle());
  resolution.SetFont(L"Tahoma", 8);
  TitleBarItem& title = title_bar_->Add();
  title.SetAlign(ItemAlign::kLeft);
  title.SetStyle(ItemStyle::kInfo);
  title.SetCaption(LoadingTitle(kDefaultTitle));
  title.SetFont(L"Tahoma", 8);
  skin_manager_ = std::make_unique<SkinManager>();
  skin_provider_ = std::make_unique<SkinProvider>(skin_manager_.get());
  skin_provider_->SkinSection = L"FORM";
  skin_provider_->SetTitleBar(title_bar_.get());
}

GameWindow::~GameWindow() {
  // The skin lets go of the window while it still exists.
  if (skin_provider_) skin_provider_->Detach();
  skin_provider_.reset();
  skin_manager_.reset();
  title_bar_.reset();
}

std::wstring GameWindow::Title() const { return title_bar_->Items(1).Caption(); }

void GameWindow::SetTitle(const std::wstring& title) { title_bar_->Items(1).SetCaption(title); }

// ---- the window's life -------------------------------------------------------------------------------

void GameWindow::OnCreate() {
  RecoveryController::Delegate& recovery_delegate = *this;
  recovery_ = std::make_unique<RecoveryController>(recovery_delegate, Handle(), settings_.title);
  preset_menu_->Build();
  SetUpSkin();
  SetTitle(LoadingTitle(settings_.title));
}

void GameWindow::SetUpSkin() {
  skin_provider_->Attach(Handle());
  skin_manager_->SetActive(false);
  skin_manager_->SetSkinDirectory(settings_.exe_dir + L"\\Skins");
  if (!settings_.skin_name.empty()) {
    skin_manager_->SetSkinName(settings_.skin_name);
    skin_manager_->SetActive(true);
  }
}

void GameWindow::OnShow() {
  const Size& size = settings_.own().size;
  SetClientWidth(size.width);
  SetClientHeight(size.height);
  if (!shown_) {
    shown_ = true;
    // Refused while the engine's context is not ready; asked again on kContextInitializedMessage.
    if (browser_parent_) browser_requested_ = browser_host_->CreateBrowser(browser_parent_);
  }
}

void GameWindow::OnDestroy() {
  if (recovery_) recovery_->Stop();
}

bool GameWindow::OnCloseQuery() {
  // "Exit" was chosen at a session end that did not come: the browser is already closed.
  if (session_exit_chosen_) return true;
  // A request that comes while the dialog is up (the page closing itself, a key posted before the dialog
  // disabled the window) or while the exit is under way has already been answered.
  if (exiting_ || !exit_dialog_ || exit_dialog_->InModal()) return false;
  if (!AskToExit()) {
    recovery_->AfterExitDialog(false);
    browser_host_->SetFocus(true);
    return false;
  }
  CloseBrowserBeforeExit();
  return true;
}

bool GameWindow::AskToExit() {
  if (!exit_dialog_->AskToExit(Handle())) return false;
  exiting_ = true;
  recovery_->AfterExitDialog(true);
  return true;
}

void GameWindow::CloseBrowserBeforeExit() {
  // The engine must not be shut down with a browser open: destroying the parent destroys the browser's window,
  // after which the engine reports it closed. The host knows its browser from the engine's report, before the
  // main thread has heard of it.
  const bool open = browser_host_->BrowserId() != 0 && !browser_closed_;
  // The wait below still dispatches messages: the window takes no input meanwhile.
  EnableWindow(Handle(), FALSE);
  // Popups the engine opened go first: the game browser's close detaches the client they share.
  browser_host_->CloseOtherBrowsers(kBrowserCloseWaitMs);
  DestroyBrowserParent();
  // The host reports the close from a posted message, which this wait dispatches.
  if (open) ui::Application::ProcessMessagesUntil([this] { return browser_closed_; }, kBrowserCloseWaitMs);
}

void GameWindow::DestroyBrowserParent() {
  if (!browser_parent_) return;
  browser_parent_->Free();
  browser_parent_ = nullptr;
}

// ---- the browser's life (reported by the host) ---------------------------------------------------------

void GameWindow::OnBrowserReady() {
  if (!browser_parent_) return;
  browser_parent_->UpdateSize();
  LoadHome();
}

// The page asked to close (window.close()): the browser ends with its parent window. Popups the engine opened go
// first, as at the exit: the game browser's close detaches the client they share, and they would be browsers
// nobody hears of.
void GameWindow::OnBrowserCloseRequested() {
  browser_host_->CloseOtherBrowsers(kBrowserCloseWaitMs);
  DestroyBrowserParent();
}

void GameWindow::OnBrowserClosed() {
  browser_closed_ = true;
  // During the exit the wait above sees the flag; otherwise the page closed itself and the window asks.
  if (!exiting_) PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void GameWindow::OnLoadEnded(const BrowserHost::LoadEnd& load) {
  recovery_->OnLoadEnded(load);
  if (on_game_loaded_ && IsGameArrival(load.own_browser, load.main_frame, load.url, load.http_status))
    std::exchange(on_game_loaded_, nullptr)();
}

void GameWindow::OnLoadFailed(const BrowserHost::LoadError& failure) { recovery_->OnLoadFailed(failure, homepage_); }

void GameWindow::OnRendererEnded(bool own_browser, cef_termination_status_t status) {
  recovery_->OnRendererEnded(own_browser, status);
}

// A popup or a modified click asked for a new tab or window: only web addresses become another instance's home,
// as exactly one argument that the engine never reads as a switch; any other address stays cancelled.
void GameWindow::OnNewWindowTaken(const std::wstring& target_url, cef_window_open_disposition_t) {
  const InstanceStart start = InstanceStartFor(target_url);
  if (!start.start) {
    OutputDebugMessage(start.note);
    return;
  }
  ShellExecuteW(Handle(), L"open", ExePath().c_str(), start.parameters.c_str(), L"", SW_SHOWNORMAL);
}

// Escape is taken on its press and release alike (the page never sees it); its release closes the window.
void GameWindow::OnKeyTaken(UINT message, WPARAM wparam) {
  if (ClosesWindow(message, wparam)) PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void GameWindow::OnNavigationCancelled(const BrowserHost::Navigation& navigation) {
  OutputDebugMessage(RefusedNavigationNote(navigation.url));
}

// ---- recovery ----------------------------------------------------------------------------------------

bool GameWindow::CanReload() const { return !exiting_ && browser_parent_; }

bool GameWindow::ExitDialogOpen() const { return exit_dialog_ && exit_dialog_->InModal(); }

void GameWindow::ReloadHome() {
  // A retry of a game that failed keeps saying why until the game is there.
  if (!recovery_->ShowsNotice()) SetTitle(LoadingTitle(settings_.title));
  // The browser's parent is gone once the page closed itself; only the host is asked then.
  if (browser_parent_) browser_parent_->UpdateSize();
  LoadHome();
}

void GameWindow::ShowPage(const std::wstring& address) { browser_host_->LoadUrl(address); }

void GameWindow::LoadHome() {
  // The flag turns true before its message is posted: a load held here is always released.
  if (!engine_.CookieStoreSettled()) {
    home_load_held_ = true;
    return;
  }
  home_load_held_ = false;
  browser_host_->LoadUrl(homepage_);
}

// ---- size presets ------------------------------------------------------------------------------------

void GameWindow::OnPresetChosen(int preset) {
  if (exiting_) return;  // no size change or save while the exit waits for the browser
  preset_menu_->Apply(preset);
  ReloadAfterResize();
}

void GameWindow::ReloadAfterResize() {
  if (settings_.own().reload_on_resize != 1) return;
  // The player's own reload: automatic retries start again from the first wait.
  recovery_->OnPlayerReload();
  ReloadHome();
}

// ---- messages ----------------------------------------------------------------------------------------

void GameWindow::WndProc(ui::Message& m) {
  switch (m.msg) {
    case kContextInitializedMessage:
      OnContextInitialized();
      return;
    case kCookiesReadyMessage:
      OnCookiesReady();
      return;
    case WM_TIMER:
      if (recovery_ && recovery_->OnTimer(m.wparam)) return;
      break;
    case WM_MOVE:
    case WM_MOVING:
      // The engine places what it draws outside the browser window (select lists, tooltips) from that window's
      // place on the screen: it must hear of every move to close or move them.
      ui::Form::WndProc(m);
      browser_host_->NotifyMoveOrResizeStarted();
      return;
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
      // A menu's modal loop (the system menu) runs inside this thread's message dispatch: the engine is told so,
      // as it asks for around any such loop. A track-popup menu (wParam not 0, the resolution drop-down) is not.
      ui::Form::WndProc(m);
      if (m.wparam == 0) engine_.SetOsmodalLoop(m.msg == WM_ENTERMENULOOP);
      return;
    case WM_SYSCOMMAND:
      OnSysCommand(m);
      return;
    case WM_QUERYENDSESSION:
      OnQueryEndSession(m);
      return;
    case WM_ENDSESSION:
      OnEndSession(m);
      return;
    default:
      break;
  }
  ui::Form::WndProc(m);
}

void GameWindow::OnContextInitialized() {
  if (shown_ && !browser_requested_ && browser_parent_ && !exiting_)
    browser_requested_ = browser_host_->CreateBrowser(browser_parent_);
}

void GameWindow::OnCookiesReady() {
  if (home_load_held_ && !exiting_ && browser_parent_) LoadHome();
}

void GameWindow::OnSysCommand(ui::Message& m) {
  // Alt alone or with a letter would put this thread into keyboard menu mode, in which the engine's UI thread (it
  // owns the focused browser window and shares this thread's input state) hangs on Windows 10 and later; with no
  // menu bar or access keys here, only Alt+Space, the system menu, goes on to the default handling.
  if ((m.wparam & 0xFFF0) == SC_KEYMENU && m.lparam != L' ') {
    m.result = 0;
    return;
  }
  // While the exit waits for the browser, no state changes: no maximise (and its reload), no second close.
  if (exiting_) {
    m.result = 0;
    return;
  }
  // The whole value: a command with its low bits set (a caption double-click) does not reload.
  if (m.wparam == SC_MAXIMIZE || m.wparam == SC_RESTORE) ReloadAfterResize();
  ui::Form::WndProc(m);
}

// ---- log-off and shutdown ----------------------------------------------------------------------------
// The query asks the player as any close request does: "stay" refuses the session end; "exit" closes the browser
// and allows it. Whatever the system does next, the window is never left half closed: a session that ends shuts
// the engine down cleanly before the process goes, and a session end that another program cancels ends the
// program as the player chose.

void GameWindow::OnQueryEndSession(ui::Message& m) {
  if (session_exit_chosen_ || exiting_) {
    m.result = 1;  // already on the way out
    return;
  }
  session_exit_chosen_ = OnCloseQuery();
  m.result = session_exit_chosen_ ? 1 : 0;
}

void GameWindow::OnEndSession(ui::Message& m) {
  m.result = 0;
  if (!m.wparam) {
    // Cancelled by another program after the player chose to exit: the exit goes ahead now.
    if (session_exit_chosen_) PostMessageW(Handle(), WM_CLOSE, 0, 0);
    return;
  }
  // The session ends, and the process with it as soon as this returns. Even when the query was refused (a forced
  // log-off), every browser is closed and the engine shut down first.
  if (!session_exit_chosen_) {
    if (ExitDialogOpen()) exit_dialog_->Hide();  // its modal loop never resumes
    exiting_ = true;
    recovery_->AfterExitDialog(true);
    CloseBrowserBeforeExit();
  }
  // A copy: the sequence's end frees this window.
  const std::function<void()> end = on_session_ending_;
  if (end) end();
}

}  // namespace lzg
