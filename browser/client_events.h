// The browser host's dispatch interface: one operation per engine callback of
// the handlers it registers. Implemented by BrowserHost; handler objects hold it
// without owning it. Called on the engine's threads (see each group).
#pragma once

#include <windows.h>

#include <string>

#include "engine/cef_capi.h"


enum class CloseBrowserAction { kClose = 0, kDelay = 1, kCancel = 2 };

// Counted arguments (browser, frame, request, ...) are borrowed for the call:
// the handler object owns the engine's reference and releases it afterwards.
class ClientEvents {
 public:
  // ---- life span, keyboard, load, client: the engine's UI thread ----
  virtual void doOnAfterCreated(cef_browser_t* browser) = 0;
  // True cancels the popup. `client` is borrowed; the caller writes it back.
  virtual bool doOnBeforePopup(cef_browser_t* browser, cef_frame_t* frame, const std::wstring& targetUrl,
                               const std::wstring& targetFrameName, cef_window_open_disposition_t targetDisposition,
                               bool userGesture, const cef_popup_features_t& popupFeatures, cef_window_info_t& windowInfo,
                               cef_client_t*& client, cef_browser_settings_t& settings, bool& noJavascriptAccess) = 0;
  virtual bool doOnClose(cef_browser_t* browser) = 0;
  virtual void doOnBeforeClose(cef_browser_t* browser) = 0;
  virtual bool doOnPreKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, MSG* osEvent,
                               bool& isKeyboardShortcut) = 0;
  virtual bool doOnKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, MSG* osEvent) = 0;
  virtual void doOnLoadingStateChange(cef_browser_t* browser, bool isLoading, bool canGoBack, bool canGoForward) = 0;
  virtual void doOnLoadStart(cef_browser_t* browser, cef_frame_t* frame, cef_transition_type_t transitionType) = 0;
  virtual void doOnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int httpStatusCode) = 0;
  virtual void doOnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t errorCode,
                             const std::wstring& errorText, const std::wstring& failedUrl) = 0;
  virtual bool doOnProcessMessageReceived(cef_browser_t* browser, cef_process_id_t sourceProcess,
                                          cef_process_message_t* message) = 0;

  // ---- request handler: navigation ones on the UI thread, network ones on the IO thread ----
  virtual bool doOnBeforeBrowse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, bool userGesture,
                                bool isRedirect) = 0;
  virtual bool doOnOpenUrlFromTab(cef_browser_t* browser, cef_frame_t* frame, const std::wstring& targetUrl,
                                  cef_window_open_disposition_t targetDisposition, bool userGesture) = 0;
  virtual cef_return_value_t doOnBeforeResourceLoad(cef_browser_t* browser, cef_frame_t* frame,
                                                    cef_request_t* request) = 0;
  virtual bool doOnResourceResponse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                                    cef_response_t* response) = 0;
  virtual bool doOnGetAuthCredentials(cef_browser_t* browser, cef_frame_t* frame, bool isProxy,
                                      const std::wstring& host, int port, const std::wstring& realm,
                                      const std::wstring& scheme) = 0;
  virtual bool doCanGetCookies(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request) = 0;
  virtual bool doCanSetCookie(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request) = 0;
  virtual bool doOnQuotaRequest(cef_browser_t* browser, const std::wstring& originUrl, int64 newSize) = 0;
  virtual void doOnProtocolExecution(cef_browser_t* browser, const std::wstring& url, bool& allowOsExecution) = 0;
  virtual bool doOnCertificateError(cef_browser_t* browser, cef_errorcode_t certError,
                                    const std::wstring& requestUrl) = 0;
  virtual bool doOnSelectClientCertificate(cef_browser_t* browser, bool isProxy, const std::wstring& host,
                                           int port) = 0;
  virtual void doOnRenderViewReady(cef_browser_t* browser) = 0;
  virtual void doOnRenderProcessTerminated(cef_browser_t* browser, cef_termination_status_t status) = 0;

 protected:
  ~ClientEvents() = default;
};
