// What the client's handler objects report to the browser host: one operation per engine callback the client
// answers. The host implements it; handler objects hold it without owning it. Called on the engine's UI thread;
// counted arguments (browser, frame, request) are borrowed for the call: the handler object owns the engine's
// reference and releases it afterwards.
#pragma once

#include <windows.h>

#include <string>

#include "engine/cef_capi.h"

namespace lzg {

// The answer before the page sees a key: taken here, or marked as a shortcut that OnKeyEvent handles.
struct PreKeyAnswer {
  bool handled = false;
  bool is_shortcut = false;
};

class ClientEvents {
 public:
  // ---- life span ----
  // True cancels the popup.
  virtual bool OnBeforePopup(cef_browser_t* browser, const std::wstring& target_url,
                             cef_window_open_disposition_t disposition) = 0;
  virtual void OnAfterCreated(cef_browser_t* browser) = 0;
  // True: the engine waits for the browser's window to go.
  virtual bool DoClose(cef_browser_t* browser) = 0;
  virtual void OnBeforeClose(cef_browser_t* browser) = 0;

  // ---- keyboard ----
  virtual PreKeyAnswer OnPreKeyEvent(cef_browser_t* browser, const cef_key_event_t& event, const MSG* os_event,
                                     bool is_shortcut) = 0;
  // True: handled, no default processing.
  virtual bool OnKeyEvent(cef_browser_t* browser, const cef_key_event_t& event, const MSG* os_event) = 0;

  // ---- load ----
  virtual void OnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int http_status) = 0;
  virtual void OnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t error,
                           const std::wstring& error_text, const std::wstring& failed_url) = 0;

  // ---- request ----
  // True cancels the navigation.
  virtual bool OnBeforeBrowse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                              bool user_gesture) = 0;
  // A modified click asked for a new tab or window; true drops it, false loads it in place.
  virtual bool OnOpenUrlFromTab(cef_browser_t* browser, const std::wstring& target_url,
                                cef_window_open_disposition_t disposition) = 0;
  virtual void OnRenderProcessTerminated(cef_browser_t* browser, cef_termination_status_t status) = 0;

 protected:
  ~ClientEvents() = default;
};

}  // namespace lzg
