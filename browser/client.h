// The client and handler objects the browser host hands to the engine. Each is
// a bridged engine struct (engine/bridge.h), reference-counted and shared by the
// host and the engine. They reach the host only through ClientEvents; after
// RemoveReferences they answer every callback with its default and reach
// nothing. Callbacks arrive on the engine's threads.
#pragma once

#include <windows.h>

#include "browser/client_events.h"
#include "browser/host_rules.h"
#include "engine/bridge.h"

namespace lzg {

// The non-owning link from a handler object to the host. A dispatch holds it for
// its duration, so that clearing the link (host going away on the main thread)
// waits for a callback that is running on an engine thread. Reentrant on one
// thread: the host clears links from inside its own callbacks.
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
  void RemoveReferences() { FEvents.Clear(); }

  int OnBeforePopup(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* targetUrl,
                    const cef_string_t* targetFrameName, cef_window_open_disposition_t targetDisposition,
                    int userGesture, const cef_popup_features_t* popupFeatures, cef_window_info_t* windowInfo,
                    cef_client_t** client, cef_browser_settings_t* settings, int* noJavascriptAccess);
  void OnAfterCreated(cef_browser_t* browser);
  int DoClose(cef_browser_t* browser);
  void OnBeforeClose(cef_browser_t* browser);

 private:
  EventsLink FEvents;
};

class KeyboardHandler : public CefObject<cef_keyboard_handler_t, KeyboardHandler> {
  using Self = KeyboardHandler;

 public:
  explicit KeyboardHandler(ClientEvents* events);
  void RemoveReferences() { FEvents.Clear(); }

  int OnPreKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, cef_event_handle_t osEvent,
                    int* isKeyboardShortcut);
  int OnKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, cef_event_handle_t osEvent);

 private:
  EventsLink FEvents;
};

class LoadHandler : public CefObject<cef_load_handler_t, LoadHandler> {
  using Self = LoadHandler;

 public:
  explicit LoadHandler(ClientEvents* events);
  void RemoveReferences() { FEvents.Clear(); }

  void OnLoadingStateChange(cef_browser_t* browser, int isLoading, int canGoBack, int canGoForward);
  void OnLoadStart(cef_browser_t* browser, cef_frame_t* frame, cef_transition_type_t transitionType);
  void OnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int httpStatusCode);
  void OnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t errorCode,
                   const cef_string_t* errorText, const cef_string_t* failedUrl);

 private:
  EventsLink FEvents;
};

class RequestHandler : public CefObject<cef_request_handler_t, RequestHandler> {
  using Self = RequestHandler;

 public:
  explicit RequestHandler(ClientEvents* events);
  void RemoveReferences() { FEvents.Clear(); }

  int OnBeforeBrowse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, int userGesture,
                     int isRedirect);
  int OnOpenUrlFromTab(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* targetUrl,
                       cef_window_open_disposition_t targetDisposition, int userGesture);
  cef_return_value_t OnBeforeResourceLoad(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                                          cef_request_callback_t* callback);
  cef_resource_handler_t* GetResourceHandler(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request);
  void OnResourceRedirect(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                          cef_response_t* response, cef_string_t* newUrl);
  int OnResourceResponse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                         cef_response_t* response);
  cef_response_filter_t* GetResourceResponseFilter(cef_browser_t* browser, cef_frame_t* frame,
                                                   cef_request_t* request, cef_response_t* response);
  void OnResourceLoadComplete(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                              cef_response_t* response, cef_urlrequest_status_t status, int64 receivedContentLength);
  int GetAuthCredentials(cef_browser_t* browser, cef_frame_t* frame, int isProxy, const cef_string_t* host, int port,
                         const cef_string_t* realm, const cef_string_t* scheme, cef_auth_callback_t* callback);
  int CanGetCookies(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request);
  int CanSetCookie(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, const cef_cookie_t* cookie);
  int OnQuotaRequest(cef_browser_t* browser, const cef_string_t* originUrl, int64 newSize,
                     cef_request_callback_t* callback);
  void OnProtocolExecution(cef_browser_t* browser, const cef_string_t* url, int* allowOsExecution);
  int OnCertificateError(cef_browser_t* browser, cef_errorcode_t certError, const cef_string_t* requestUrl,
                         cef_sslinfo_t* sslInfo, cef_request_callback_t* callback);
  int OnSelectClientCertificate(cef_browser_t* browser, int isProxy, const cef_string_t* host, int port,
                                size_t certificatesCount, cef_x509certificate_t* const* certificates,
                                cef_select_client_certificate_callback_t* callback);
  void OnPluginCrashed(cef_browser_t* browser, const cef_string_t* pluginPath);
  void OnRenderViewReady(cef_browser_t* browser);
  void OnRenderProcessTerminated(cef_browser_t* browser, cef_termination_status_t status);

 private:
  EventsLink FEvents;
};

// The browser's cef_client_t: hands the engine the handler objects chosen at
// construction, each with a new reference.
class Client : public CefObject<cef_client_t, Client> {
  using Self = Client;

 public:
  Client(ClientEvents* events, const ClientHandlerFlags& flags);
  // Detaches this object and every handler object from the host.
  void RemoveReferences();

  cef_life_span_handler_t* GetLifeSpanHandler();
  cef_keyboard_handler_t* GetKeyboardHandler();
  cef_load_handler_t* GetLoadHandler();
  cef_request_handler_t* GetRequestHandler();
  template <class T>
  T* NoHandler() {
    return nullptr;
  }
  int OnProcessMessageReceived(cef_browser_t* browser, cef_process_id_t sourceProcess,
                               cef_process_message_t* message);

  bool HasLoadHandler() const { return bool(FLoadHandler); }
  bool HasKeyboardHandler() const { return bool(FKeyboardHandler); }

 private:
  EventsLink FEvents;
  Ref<LifeSpanHandler> FLifeSpanHandler;
  Ref<KeyboardHandler> FKeyboardHandler;
  Ref<LoadHandler> FLoadHandler;
  Ref<RequestHandler> FRequestHandler;
};

}  // namespace lzg
