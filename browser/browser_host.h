// The browser host: how a window owns one browser of the engine. A host serves one browser in its lifetime and
// is the one owner of that browser's cross-thread state.
//
// Threads. Its public calls run on the main thread. The engine calls it on its UI thread, where it keeps its
// bookkeeping and asks its owner's Policy what must be answered at once: popups, modified clicks, keys and
// navigations, each a pure decision from the values given. Everything else, and what a decision took, the host
// posts to the main thread and reports there to the owner's Delegate, with values instead of engine pointers.
// The main thread holds a browser reference of its own, handed over and dropped there, so it never calls through
// a pointer the engine may have released.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "browser/client.h"
#include "browser/client_events.h"
#include "engine/engine_app.h"

namespace ui {
class Window;
}

namespace lzg {

class BrowserHost : private ClientEvents {
 public:
  // A load that ended in some frame of some browser this host's client serves.
  struct LoadEnd {
    bool own_browser = false;  // the host's own browser, not a popup the engine opened
    bool main_frame = false;
    std::wstring url;  // the main frame's address (empty for other frames)
    int http_status = 0;
  };
  struct LoadError {
    bool own_browser = false;
    bool main_frame = false;
    cef_errorcode_t error_code = ERR_NONE;
    std::wstring error_text, failed_url;
  };
  // A navigation about to start in some frame of some browser this host's client serves.
  struct Navigation {
    bool own_browser = false;
    bool main_frame = false;
    std::wstring url;
    bool user_gesture = false;
  };

  // What the owner hears, on the main thread. The owner outlives the host.
  class Delegate {
   public:
    // The host's own browser is recorded; Browser() holds the main thread's reference.
    virtual void OnBrowserReady() = 0;
    // The page asked to close its browser. The host answered "wait": the owner destroys the browser's parent
    // window, which ends the browser.
    virtual void OnBrowserCloseRequested() = 0;
    virtual void OnBrowserClosed() = 0;
    virtual void OnLoadEnded(const LoadEnd& load) = 0;
    virtual void OnLoadFailed(const LoadError& failure) = 0;
    virtual void OnRendererEnded(bool own_browser, cef_termination_status_t status) = 0;
    // A popup or a modified click that the policy took (not loaded here).
    virtual void OnNewWindowTaken(const std::wstring& target_url, cef_window_open_disposition_t disposition) = 0;
    // A key that the policy took; the system message it came from.
    virtual void OnKeyTaken(UINT message, WPARAM wparam) = 0;
    // A navigation that the policy cancelled.
    virtual void OnNavigationCancelled(const Navigation& navigation) = 0;

   protected:
    ~Delegate() = default;
  };

  // What the owner decides at once, on the engine's UI thread: from the values given alone, with no window and
  // no state of the owner's. Without a policy the engine's own defaults hold.
  class Policy {
   public:
    // True: the page's popup is cancelled (and reported as taken).
    virtual bool TakesPopup(const std::wstring& target_url, cef_window_open_disposition_t disposition) const = 0;
    // True: a Ctrl-, Shift- or middle-click that asks for a new tab or window is dropped (and reported as
    // taken); false loads the address in place.
    virtual bool TakesModifiedClick(const std::wstring& target_url,
                                    cef_window_open_disposition_t disposition) const = 0;
    // Before the page sees a key; `is_shortcut` is what the engine proposed.
    virtual PreKeyAnswer BeforeKey(const cef_key_event_t& event, const MSG* os_event, bool is_shortcut) const = 0;
    // After the page left the key: true handles it (and reports it as taken).
    virtual bool TakesKey(const cef_key_event_t& event, const MSG* os_event) const = 0;
    // True cancels the navigation.
    virtual bool CancelsNavigation(const Navigation& navigation) const = 0;

   protected:
    ~Policy() = default;
  };

  // The engine application object, the delegate and the policy outlive the host; either may be null.
  BrowserHost(EngineApp& engine, Delegate* delegate, const Policy* policy);
  // Does not close the browser: its later callbacks reach a detached client.
  ~BrowserHost();
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // Asks the engine for a browser inside `parent` (its native window, created if needed) at its client area.
  // False before the engine's context is ready (a later call may succeed), and once a browser has been asked for.
  bool CreateBrowser(ui::Window* parent);
  bool CreateBrowser(HWND parent, const RECT& rect);
  // Navigates the main frame, or the frame of that name. Ignored without a live browser.
  void LoadUrl(const std::wstring& url, const std::wstring& frame_name = L"");
  void SetFocus(bool focus);
  // The window hosting the browser moves: the engine re-places or dismisses what it draws outside the browser.
  void NotifyMoveOrResizeStarted();

  // Browsers the engine opened with this host's client (popups it let through) that it has not reported closed.
  int OtherBrowserCount() const;
  // Asks the engine to close each of them and waits, at most `ms`, until it has reported every one closed; the
  // engine must not be shut down with a browser open. Before the host's own browser closes: that close detaches
  // the client the popups share.
  bool CloseOtherBrowsers(DWORD ms);

  // A browser recorded, not closing (any thread).
  bool Initialized() const { return initialized_.load() && !closing_.load(); }
  int BrowserId() const { return browser_id_.load(); }
  // The main thread's own reference to the browser (borrowed; main thread only).
  cef_browser_t* Browser() const { return browser_; }
  bool IsClosing() const { return closing_.load(); }
  bool HasClient() const { return client_.load() != nullptr; }
  const cef_window_info_t& WindowInfo() const { return window_info_; }
  const cef_browser_settings_t& BrowserSettings() const { return browser_settings_; }

  // The first page of every browser; the owner loads its own address once the browser is ready.
  static constexpr const wchar_t* kDefaultUrl = L"about:blank";

 private:
  // ---- ClientEvents (engine UI thread) ----
  bool OnBeforePopup(cef_browser_t* browser, const std::wstring& target_url,
                     cef_window_open_disposition_t disposition) override;
  void OnAfterCreated(cef_browser_t* browser) override;
  bool DoClose(cef_browser_t* browser) override;
  void OnBeforeClose(cef_browser_t* browser) override;
  PreKeyAnswer OnPreKeyEvent(cef_browser_t* browser, const cef_key_event_t& event, const MSG* os_event,
                             bool is_shortcut) override;
  bool OnKeyEvent(cef_browser_t* browser, const cef_key_event_t& event, const MSG* os_event) override;
  void OnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int http_status) override;
  void OnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t error, const std::wstring& error_text,
                   const std::wstring& failed_url) override;
  bool OnBeforeBrowse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, bool user_gesture) override;
  bool OnOpenUrlFromTab(cef_browser_t* browser, const std::wstring& target_url,
                        cef_window_open_disposition_t disposition) override;
  void OnRenderProcessTerminated(cef_browser_t* browser, cef_termination_status_t status) override;

  bool IsOwnBrowser(cef_browser_t* browser) const;
  void UpdatePreferences(cef_browser_t* browser);
  void DetachClient();
  void DropBrowser();

  // ---- the hand-overs to the main thread ----
  // The engine's UI thread hands the main thread a browser reference of its own by a posted message; the main
  // thread drops it once the engine has reported the browser closed (or when the host goes). A reference the
  // engine passes to a callback is valid only during that call.
  static LRESULT CALLBACK MessageWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void PostBrowserCreated(cef_browser_t* browser);
  void OnBrowserCreatedMessage(cef_browser_t* browser);
  void OnBrowserClosedMessage(int id);
  // Runs `report` on the main thread later, with the delegate; dropped unrun when the host goes first.
  void PostToDelegate(std::function<void(Delegate&)> report);
  void DestroyMessageWindow();

  EngineApp& engine_;
  Delegate* const delegate_;
  const Policy* const policy_;

  // Cross-thread state: written on the engine's UI thread, read anywhere.
  std::atomic<Client*> client_{nullptr};  // one reference
  std::atomic<int> browser_id_{0};
  std::atomic<bool> initialized_{false};
  std::atomic<bool> closing_{false};
  std::atomic<HWND> message_window_{nullptr};  // the main thread's window for the hand-overs
  // Popup browsers by identifier, one reference each, taken and dropped on the engine's UI thread.
  mutable std::mutex others_mu_;
  std::map<int, cef_browser_t*> others_;
  // Main thread only.
  cef_browser_t* browser_ = nullptr;  // one reference of its own
  cef_window_info_t window_info_{};
  cef_browser_settings_t browser_settings_{};
};

}  // namespace lzg
