// The client and handler objects the browser host hands to the engine. Each is a bridged engine struct
// (engine/bridge.h), reference-counted and shared by the host and the engine, with only the members bound that
// the client answers: for a null member the engine gives its own default. They reach the host only through
// ClientEvents; after Detach they answer every callback with the engine's default (popups excepted: those are
// cancelled) and reach nothing. Callbacks
// arrive on the engine's UI thread, except can_get_cookies (IO thread).
#pragma once

#include <windows.h>

#include "browser/client_events.h"
#include "engine/bridge.h"

namespace lzg {

// The non-owning link from a handler object to the host. A callback holds it for its duration, so that clearing
// the link (the host going away on the main thread) waits for a callback that is running on an engine thread.
// Reentrant on one thread: the host clears links from inside its own callbacks.
class EventsLink {
 public:
  explicit EventsLink(ClientEvents* events) noexcept : events_(events) { InitializeCriticalSection(&lock_); }
  ~EventsLink() { DeleteCriticalSection(&lock_); }
  EventsLink(const EventsLink&) = delete;
  EventsLink& operator=(const EventsLink&) = delete;

  void Clear() noexcept {
    EnterCriticalSection(&lock_);
    events_ = nullptr;
    LeaveCriticalSection(&lock_);
  }
  // Runs f(events) while linked; false when the link is cleared.
  template <class F>
  bool With(F&& f) {
    struct Hold {
      CRITICAL_SECTION* cs;
      ~Hold() { LeaveCriticalSection(cs); }
    } hold{&lock_};
    EnterCriticalSection(&lock_);
    if (!events_) return false;
    f(*events_);
    return true;
  }

 private:
  CRITICAL_SECTION lock_;
  ClientEvents* events_;
};

class LifeSpanHandler : public CefObject<cef_life_span_handler_t, LifeSpanHandler> {
  using Self = LifeSpanHandler;

 public:
  explicit LifeSpanHandler(ClientEvents* events);
  void Detach() { events_.Clear(); }

  int OnBeforePopup(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* target_url,
                    const cef_string_t* target_frame_name, cef_window_open_disposition_t target_disposition,
                    int user_gesture, const cef_popup_features_t* popup_features, cef_window_info_t* window_info,
                    cef_client_t** client, cef_browser_settings_t* settings, int* no_javascript_access);
  void OnAfterCreated(cef_browser_t* browser);
  int DoClose(cef_browser_t* browser);
  void OnBeforeClose(cef_browser_t* browser);

 private:
  EventsLink events_;
};

class KeyboardHandler : public CefObject<cef_keyboard_handler_t, KeyboardHandler> {
  using Self = KeyboardHandler;

 public:
  explicit KeyboardHandler(ClientEvents* events);
  void Detach() { events_.Clear(); }

  int OnPreKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, cef_event_handle_t os_event,
                    int* is_keyboard_shortcut);
  int OnKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, cef_event_handle_t os_event);

 private:
  EventsLink events_;
};

class LoadHandler : public CefObject<cef_load_handler_t, LoadHandler> {
  using Self = LoadHandler;

 public:
  explicit LoadHandler(ClientEvents* events);
  void Detach() { events_.Clear(); }

  void OnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int http_status);
  void OnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t error, const cef_string_t* error_text,
                   const cef_string_t* failed_url);

 private:
  EventsLink events_;
};

class RequestHandler : public CefObject<cef_request_handler_t, RequestHandler> {
  using Self = RequestHandler;

 public:
  explicit RequestHandler(ClientEvents* events);
  void Detach() { events_.Clear(); }

  int OnBeforeBrowse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, int user_gesture,
                     int is_redirect);
  int OnOpenUrlFromTab(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* target_url,
                       cef_window_open_disposition_t target_disposition, int user_gesture);
  // A null member here would block every cookie: the engine's default for it is "no".
  int CanGetCookies(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request);
  int CanSetCookie(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, const cef_cookie_t* cookie);
  void OnRenderProcessTerminated(cef_browser_t* browser, cef_termination_status_t status);

 private:
  EventsLink events_;
};

// The browser's cef_client_t: hands the engine its four handler objects, each with a new reference.
class Client : public CefObject<cef_client_t, Client> {
  using Self = Client;

 public:
  explicit Client(ClientEvents* events);
  // Detaches every handler object from the host.
  void Detach();

  cef_life_span_handler_t* GetLifeSpanHandler() { return life_span_->ToCef(); }
  cef_keyboard_handler_t* GetKeyboardHandler() { return keyboard_->ToCef(); }
  cef_load_handler_t* GetLoadHandler() { return load_->ToCef(); }
  cef_request_handler_t* GetRequestHandler() { return request_->ToCef(); }

 private:
  Ref<LifeSpanHandler> life_span_;
  Ref<KeyboardHandler> keyboard_;
  Ref<LoadHandler> load_;
  Ref<RequestHandler> request_;
};

}  // namespace lzg
