#include "browser/client.h"

#include "engine/cef_ref.h"
#include "engine/cef_string.h"

namespace lzg {

namespace {

// The engine's reference on a callback argument, released when the call ends
// (also when the call fails).
template <class T>
CefRef<T> Owned(T* p) {
  return CefRef<T>(p);
}

}  // namespace

// ---- life span ---------------------------------------------------------------

LifeSpanHandler::LifeSpanHandler(ClientEvents* events) : FEvents(events) {
  LZG_BIND(on_before_popup, OnBeforePopup, "TCustomLifeSpanHandler.OnBeforePopup");
  LZG_BIND(on_after_created, OnAfterCreated, "TCustomLifeSpanHandler.OnAfterCreated");
  LZG_BIND(do_close, DoClose, "TCustomLifeSpanHandler.DoClose");
  LZG_BIND(on_before_close, OnBeforeClose, "TCustomLifeSpanHandler.OnBeforeClose");
}

int LifeSpanHandler::OnBeforePopup(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* targetUrl,
                                          const cef_string_t* targetFrameName,
                                          cef_window_open_disposition_t targetDisposition, int userGesture,
                                          const cef_popup_features_t* popupFeatures, cef_window_info_t* windowInfo,
                                          cef_client_t** client, cef_browser_settings_t* settings,
                                          int* noJavascriptAccess) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  cef_popup_features_t noFeatures{};
  cef_window_info_t noWindowInfo{};
  cef_browser_settings_t noSettings{};
  bool noJs = noJavascriptAccess && *noJavascriptAccess != 0;
  // The slot arrives holding a reference that is ours whatever we answer; the
  // engine takes a reference back only from a different client stored there.
  cef_client_t* const proposed = client ? *client : nullptr;
  auto slotRef = Owned(proposed);
  cef_client_t* chosen = proposed;
  bool result = false;
  bool linked = FEvents.With([&](ClientEvents& e) {
    result = e.doOnBeforePopup(browser, frame, CefToWString(targetUrl), CefToWString(targetFrameName),
                               targetDisposition, userGesture != 0, popupFeatures ? *popupFeatures : noFeatures,
                               windowInfo ? *windowInfo : noWindowInfo, chosen, settings ? *settings : noSettings,
                               noJs);
  });
  if (!linked) return 0;
  if (noJavascriptAccess) *noJavascriptAccess = noJs ? 1 : 0;
  if (client && chosen != proposed) {
    // A replacement carries a reference of its own for the engine.
    if (chosen) lzg::AddRefCefObject(chosen);
    *client = chosen;
  }
  return result ? 1 : 0;
}

void LifeSpanHandler::OnAfterCreated(cef_browser_t* browser) {
  auto b = Owned(browser);
  FEvents.With([&](ClientEvents& e) { e.doOnAfterCreated(browser); });
}

int LifeSpanHandler::DoClose(cef_browser_t* browser) {
  auto b = Owned(browser);
  bool r = false;
  FEvents.With([&](ClientEvents& e) { r = e.doOnClose(browser); });
  return r ? 1 : 0;
}

void LifeSpanHandler::OnBeforeClose(cef_browser_t* browser) {
  auto b = Owned(browser);
  FEvents.With([&](ClientEvents& e) { e.doOnBeforeClose(browser); });
}

// ---- keyboard ------------------------------------------------------------------

KeyboardHandler::KeyboardHandler(ClientEvents* events) : FEvents(events) {
  LZG_BIND(on_pre_key_event, OnPreKeyEvent, "TCustomKeyboardHandler.OnPreKeyEvent");
  LZG_BIND(on_key_event, OnKeyEvent, "TCustomKeyboardHandler.OnKeyEvent");
}

int KeyboardHandler::OnPreKeyEvent(cef_browser_t* browser, const cef_key_event_t* event,
                                          cef_event_handle_t osEvent, int* isKeyboardShortcut) {
  auto b = Owned(browser);
  bool shortcut = isKeyboardShortcut && *isKeyboardShortcut != 0;
  bool r = false;
  bool linked = FEvents.With([&](ClientEvents& e) { r = e.doOnPreKeyEvent(browser, event, osEvent, shortcut); });
  if (linked && isKeyboardShortcut) *isKeyboardShortcut = shortcut ? 1 : 0;
  return r ? 1 : 0;
}

int KeyboardHandler::OnKeyEvent(cef_browser_t* browser, const cef_key_event_t* event,
                                       cef_event_handle_t osEvent) {
  auto b = Owned(browser);
  bool r = false;
  FEvents.With([&](ClientEvents& e) { r = e.doOnKeyEvent(browser, event, osEvent); });
  return r ? 1 : 0;
}

// ---- load ----------------------------------------------------------------------

LoadHandler::LoadHandler(ClientEvents* events) : FEvents(events) {
  LZG_BIND(on_loading_state_change, OnLoadingStateChange, "TCustomLoadHandler.OnLoadingStateChange");
  LZG_BIND(on_load_start, OnLoadStart, "TCustomLoadHandler.OnLoadStart");
  LZG_BIND(on_load_end, OnLoadEnd, "TCustomLoadHandler.OnLoadEnd");
  LZG_BIND(on_load_error, OnLoadError, "TCustomLoadHandler.OnLoadError");
}

void LoadHandler::OnLoadingStateChange(cef_browser_t* browser, int isLoading, int canGoBack,
                                              int canGoForward) {
  auto b = Owned(browser);
  FEvents.With([&](ClientEvents& e) {
    e.doOnLoadingStateChange(browser, isLoading != 0, canGoBack != 0, canGoForward != 0);
  });
}

void LoadHandler::OnLoadStart(cef_browser_t* browser, cef_frame_t* frame,
                                     cef_transition_type_t transitionType) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  FEvents.With([&](ClientEvents& e) { e.doOnLoadStart(browser, frame, transitionType); });
}

void LoadHandler::OnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int httpStatusCode) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  FEvents.With([&](ClientEvents& e) { e.doOnLoadEnd(browser, frame, httpStatusCode); });
}

void LoadHandler::OnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t errorCode,
                                     const cef_string_t* errorText, const cef_string_t* failedUrl) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  FEvents.With([&](ClientEvents& e) {
    e.doOnLoadError(browser, frame, errorCode, CefToWString(errorText), CefToWString(failedUrl));
  });
}

// ---- request -------------------------------------------------------------------

RequestHandler::RequestHandler(ClientEvents* events) : FEvents(events) {
  LZG_BIND(on_before_browse, OnBeforeBrowse, "TCustomRequestHandler.OnBeforeBrowse");
  LZG_BIND(on_open_urlfrom_tab, OnOpenUrlFromTab, "TCustomRequestHandler.OnOpenUrlFromTab");
  LZG_BIND_OR(on_before_resource_load, OnBeforeResourceLoad, "TCustomRequestHandler.OnBeforeResourceLoad",
              RV_CONTINUE);
  LZG_BIND(get_resource_handler, GetResourceHandler, "TCustomRequestHandler.GetResourceHandler");
  LZG_BIND(on_resource_redirect, OnResourceRedirect, "TCustomRequestHandler.OnResourceRedirect");
  LZG_BIND(on_resource_response, OnResourceResponse, "TCustomRequestHandler.OnResourceResponse");
  LZG_BIND(get_resource_response_filter, GetResourceResponseFilter,
           "TCustomRequestHandler.GetResourceResponseFilter");
  LZG_BIND(on_resource_load_complete, OnResourceLoadComplete, "TCustomRequestHandler.OnResourceLoadComplete");
  LZG_BIND(get_auth_credentials, GetAuthCredentials, "TCustomRequestHandler.GetAuthCredentials");
  LZG_BIND_OR(can_get_cookies, CanGetCookies, "TCustomRequestHandler.CanGetCookies", 1);
  LZG_BIND_OR(can_set_cookie, CanSetCookie, "TCustomRequestHandler.CanSetCookie", 1);
  LZG_BIND(on_quota_request, OnQuotaRequest, "TCustomRequestHandler.OnQuotaRequest");
  LZG_BIND(on_protocol_execution, OnProtocolExecution, "TCustomRequestHandler.OnProtocolExecution");
  LZG_BIND(on_certificate_error, OnCertificateError, "TCustomRequestHandler.OnCertificateError");
  LZG_BIND(on_select_client_certificate, OnSelectClientCertificate,
           "TCustomRequestHandler.OnSelectClientCertificate");
  LZG_BIND(on_plugin_crashed, OnPluginCrashed, "TCustomRequestHandler.OnPluginCrashed");
  LZG_BIND(on_render_view_ready, OnRenderViewReady, "TCustomRequestHandler.OnRenderViewReady");
  LZG_BIND(on_render_process_terminated, OnRenderProcessTerminated,
           "TCustomRequestHandler.OnRenderProcessTerminated");
}

int RequestHandler::OnBeforeBrowse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                                          int userGesture, int isRedirect) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  bool r = false;
  FEvents.With([&](ClientEvents& e) { r = e.doOnBeforeBrowse(browser, frame, request, userGesture != 0, isRedirect != 0); });
  return r ? 1 : 0;
}

int RequestHandler::OnOpenUrlFromTab(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* targetUrl,
                                            cef_window_open_disposition_t targetDisposition, int userGesture) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  bool r = false;
  FEvents.With([&](ClientEvents& e) {
    r = e.doOnOpenUrlFromTab(browser, frame, CefToWString(targetUrl), targetDisposition, userGesture != 0);
  });
  return r ? 1 : 0;
}

cef_return_value_t RequestHandler::OnBeforeResourceLoad(cef_browser_t* browser, cef_frame_t* frame,
                                                               cef_request_t* request,
                                                               cef_request_callback_t* callback) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  auto c = Owned(callback);
  cef_return_value_t r = RV_CONTINUE;
  FEvents.With([&](ClientEvents& e) { r = e.doOnBeforeResourceLoad(browser, frame, request); });
  return r;
}

cef_resource_handler_t* RequestHandler::GetResourceHandler(cef_browser_t* browser, cef_frame_t* frame,
                                                                  cef_request_t* request) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  return nullptr;
}

void RequestHandler::OnResourceRedirect(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                                               cef_response_t* response, cef_string_t*) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  auto s = Owned(response);
}

int RequestHandler::OnResourceResponse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                                              cef_response_t* response) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  auto s = Owned(response);
  bool r = false;
  FEvents.With([&](ClientEvents& e) { r = e.doOnResourceResponse(browser, frame, request, response); });
  return r ? 1 : 0;
}

cef_response_filter_t* RequestHandler::GetResourceResponseFilter(cef_browser_t* browser, cef_frame_t* frame,
                                                                       cef_request_t* request,
                                                                       cef_response_t* response) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  auto s = Owned(response);
  return nullptr;
}

void RequestHandler::OnResourceLoadComplete(cef_browser_t* browser, cef_frame_t* frame,
                                                   cef_request_t* request, cef_response_t* response,
                                                   cef_urlrequest_status_t, int64) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  auto s = Owned(response);
}

int RequestHandler::GetAuthCredentials(cef_browser_t* browser, cef_frame_t* frame, int isProxy,
                                              const cef_string_t* host, int port, const cef_string_t* realm,
                                              const cef_string_t* scheme, cef_auth_callback_t* callback) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto c = Owned(callback);
  bool r = false;
  FEvents.With([&](ClientEvents& e) {
    r = e.doOnGetAuthCredentials(browser, frame, isProxy != 0, CefToWString(host), port, CefToWString(realm),
                                 CefToWString(scheme));
  });
  return r ? 1 : 0;
}

int RequestHandler::CanGetCookies(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  bool r = true;
  FEvents.With([&](ClientEvents& e) { r = e.doCanGetCookies(browser, frame, request); });
  return r ? 1 : 0;
}

int RequestHandler::CanSetCookie(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                                        const cef_cookie_t*) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  bool r = true;
  FEvents.With([&](ClientEvents& e) { r = e.doCanSetCookie(browser, frame, request); });
  return r ? 1 : 0;
}

int RequestHandler::OnQuotaRequest(cef_browser_t* browser, const cef_string_t* originUrl, int64 newSize,
                                          cef_request_callback_t* callback) {
  auto b = Owned(browser);
  auto c = Owned(callback);
  bool r = false;
  FEvents.With([&](ClientEvents& e) { r = e.doOnQuotaRequest(browser, CefToWString(originUrl), newSize); });
  return r ? 1 : 0;
}

void RequestHandler::OnProtocolExecution(cef_browser_t* browser, const cef_string_t* url,
                                                int* allowOsExecution) {
  auto b = Owned(browser);
  bool allow = allowOsExecution && *allowOsExecution != 0;
  bool linked =
      FEvents.With([&](ClientEvents& e) { e.doOnProtocolExecution(browser, CefToWString(url), allow); });
  if (linked && allowOsExecution) *allowOsExecution = allow ? 1 : 0;
}

int RequestHandler::OnCertificateError(cef_browser_t* browser, cef_errorcode_t certError,
                                              const cef_string_t* requestUrl, cef_sslinfo_t* sslInfo,
                                              cef_request_callback_t* callback) {
  auto b = Owned(browser);
  auto s = Owned(sslInfo);
  auto c = Owned(callback);
  bool r = false;
  FEvents.With([&](ClientEvents& e) { r = e.doOnCertificateError(browser, certError, CefToWString(requestUrl)); });
  return r ? 1 : 0;
}

int RequestHandler::OnSelectClientCertificate(cef_browser_t* browser, int isProxy, const cef_string_t* host,
                                                     int port, size_t certificatesCount,
                                                     cef_x509certificate_t* const* certificates,
                                                     cef_select_client_certificate_callback_t* callback) {
  auto b = Owned(browser);
  auto c = Owned(callback);
  for (size_t i = 0; certificates && i < certificatesCount; ++i) ReleaseCefObject(certificates[i]);
  bool r = false;
  FEvents.With([&](ClientEvents& e) { r = e.doOnSelectClientCertificate(browser, isProxy != 0, CefToWString(host), port); });
  return r ? 1 : 0;
}

void RequestHandler::OnPluginCrashed(cef_browser_t* browser, const cef_string_t*) { auto b = Owned(browser); }

void RequestHandler::OnRenderViewReady(cef_browser_t* browser) {
  auto b = Owned(browser);
  FEvents.With([&](ClientEvents& e) { e.doOnRenderViewReady(browser); });
}

void RequestHandler::OnRenderProcessTerminated(cef_browser_t* browser, cef_termination_status_t status) {
  auto b = Owned(browser);
  FEvents.With([&](ClientEvents& e) { e.doOnRenderProcessTerminated(browser, status); });
}

// ---- client --------------------------------------------------------------------

Client::Client(ClientEvents* events, const ClientHandlerFlags& flags)
    : FEvents(events) {
  if (flags.lifeSpan) FLifeSpanHandler = MakeRef<LifeSpanHandler>(events);
  if (flags.keyboard) FKeyboardHandler = MakeRef<KeyboardHandler>(events);
  if (flags.load) FLoadHandler = MakeRef<LoadHandler>(events);
  if (flags.request) FRequestHandler = MakeRef<RequestHandler>(events);
  LZG_BIND(get_audio_handler, NoHandler<cef_audio_handler_t>, "TCustomClientHandler.GetAudioHandler");
  LZG_BIND(get_context_menu_handler, NoHandler<cef_context_menu_handler_t>,
           "TCustomClientHandler.GetContextMenuHandler");
  LZG_BIND(get_dialog_handler, NoHandler<cef_dialog_handler_t>, "TCustomClientHandler.GetDialogHandler");
  LZG_BIND(get_display_handler, NoHandler<cef_display_handler_t>, "TCustomClientHandler.GetDisplayHandler");
  LZG_BIND(get_download_handler, NoHandler<cef_download_handler_t>, "TCustomClientHandler.GetDownloadHandler");
  LZG_BIND(get_drag_handler, NoHandler<cef_drag_handler_t>, "TCustomClientHandler.GetDragHandler");
  LZG_BIND(get_find_handler, NoHandler<cef_find_handler_t>, "TCustomClientHandler.GetFindHandler");
  LZG_BIND(get_focus_handler, NoHandler<cef_focus_handler_t>, "TCustomClientHandler.GetFocusHandler");
  LZG_BIND(get_jsdialog_handler, NoHandler<cef_jsdialog_handler_t>, "TCustomClientHandler.GetJsdialogHandler");
  LZG_BIND(get_keyboard_handler, GetKeyboardHandler, "TCustomClientHandler.GetKeyboardHandler");
  LZG_BIND(get_life_span_handler, GetLifeSpanHandler, "TCustomClientHandler.GetLifeSpanHandler");
  LZG_BIND(get_load_handler, GetLoadHandler, "TCustomClientHandler.GetLoadHandler");
  LZG_BIND(get_render_handler, NoHandler<cef_render_handler_t>, "TCustomClientHandler.GetRenderHandler");
  LZG_BIND(get_request_handler, GetRequestHandler, "TCustomClientHandler.GetRequestHandler");
  LZG_BIND(on_process_message_received, OnProcessMessageReceived, "TCustomClientHandler.OnProcessMessageReceived");
}

void Client::RemoveReferences() {
  FEvents.Clear();
  if (FLifeSpanHandler) FLifeSpanHandler->RemoveReferences();
  if (FKeyboardHandler) FKeyboardHandler->RemoveReferences();
  if (FLoadHandler) FLoadHandler->RemoveReferences();
  if (FRequestHandler) FRequestHandler->RemoveReferences();
}

cef_life_span_handler_t* Client::GetLifeSpanHandler() {
  return FLifeSpanHandler ? FLifeSpanHandler->ToCef() : nullptr;
}
cef_keyboard_handler_t* Client::GetKeyboardHandler() {
  return FKeyboardHandler ? FKeyboardHandler->ToCef() : nullptr;
}
cef_load_handler_t* Client::GetLoadHandler() { return FLoadHandler ? FLoadHandler->ToCef() : nullptr; }
cef_request_handler_t* Client::GetRequestHandler() {
  return FRequestHandler ? FRequestHandler->ToCef() : nullptr;
}

int Client::OnProcessMessageReceived(cef_browser_t* browser, cef_process_id_t sourceProcess,
                                                   cef_process_message_t* message) {
  auto b = Owned(browser);
  auto m = Owned(message);
  bool r = false;
  FEvents.With([&](ClientEvents& e) { r = e.doOnProcessMessageReceived(browser, sourceProcess, message); });
  return r ? 1 : 0;
}

}  // namespace lzg
