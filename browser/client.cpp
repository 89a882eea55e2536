#include "browser/client.h"

#include "engine/cef_ref.h"
#include "engine/cef_string.h"

namespace lzg {
namespace {

// The engine's reference on a callback argument, released when the call ends (also when the call fails).
template <class T>
CefRef<T> Owned(T* p) {
  return CefRef<T>(p);
}

}  // namespace

// ---- life span ----------------------------------------------------------------------------------

LifeSpanHandler::LifeSpanHandler(ClientEvents* events) : events_(events) {
  LZG_BIND(on_before_popup, OnBeforePopup);
  LZG_BIND(on_after_created, OnAfterCreated);
  LZG_BIND(do_close, DoClose);
  LZG_BIND(on_before_close, OnBeforeClose);
}

int LifeSpanHandler::OnBeforePopup(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* target_url,
                                   const cef_string_t*, cef_window_open_disposition_t target_disposition, int,
                                   const cef_popup_features_t*, cef_window_info_t*, cef_client_t** client,
                                   cef_browser_settings_t*, int*) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  // The slot arrives holding a reference that is ours whatever we answer; left unchanged, the engine keeps its
  // own client for the popup (window, settings and script access as it proposed them).
  auto slot = Owned(client ? *client : nullptr);
  // Detached, the host no longer tracks the browsers its client serves: a popup opened now would be a browser
  // that nobody closes before the engine goes down.
  bool cancel = true;
  events_.With([&](ClientEvents& e) { cancel = e.OnBeforePopup(browser, CefToWString(target_url), target_disposition); });
  return cancel ? 1 : 0;
}

void LifeSpanHandler::OnAfterCreated(cef_browser_t* browser) {
  auto b = Owned(browser);
  events_.With([&](ClientEvents& e) { e.OnAfterCreated(browser); });
}

int LifeSpanHandler::DoClose(cef_browser_t* browser) {
  auto b = Owned(browser);
  bool wait = false;
  events_.With([&](ClientEvents& e) { wait = e.DoClose(browser); });
  return wait ? 1 : 0;
}

void LifeSpanHandler::OnBeforeClose(cef_browser_t* browser) {
  auto b = Owned(browser);
  events_.With([&](ClientEvents& e) { e.OnBeforeClose(browser); });
}

// ---- keyboard -----------------------------------------------------------------------------------

KeyboardHandler::KeyboardHandler(ClientEvents* events) : events_(events) {
  LZG_BIND(on_pre_key_event, OnPreKeyEvent);
  LZG_BIND(on_key_event, OnKeyEvent);
}

int KeyboardHandler::OnPreKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, cef_event_handle_t os_event,
                                   int* is_keyboard_shortcut) {
  auto b = Owned(browser);
  if (!event) return 0;
  PreKeyAnswer answer;
  answer.is_shortcut = is_keyboard_shortcut && *is_keyboard_shortcut != 0;
  const bool linked = events_.With([&](ClientEvents& e) {
    answer = e.OnPreKeyEvent(browser, *event, os_event, answer.is_shortcut);
  });
  if (linked && is_keyboard_shortcut) *is_keyboard_shortcut = answer.is_shortcut ? 1 : 0;
  return answer.handled ? 1 : 0;
}

int KeyboardHandler::OnKeyEvent(cef_browser_t* browser, const cef_key_event_t* event, cef_event_handle_t os_event) {
  auto b = Owned(browser);
  if (!event) return 0;
  bool handled = false;
  events_.With([&](ClientEvents& e) { handled = e.OnKeyEvent(browser, *event, os_event); });
  return handled ? 1 : 0;
}

// ---- load ---------------------------------------------------------------------------------------

LoadHandler::LoadHandler(ClientEvents* events) : events_(events) {
  LZG_BIND(on_load_end, OnLoadEnd);
  LZG_BIND(on_load_error, OnLoadError);
}

void LoadHandler::OnLoadEnd(cef_browser_t* browser, cef_frame_t* frame, int http_status) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  events_.With([&](ClientEvents& e) { e.OnLoadEnd(browser, frame, http_status); });
}

void LoadHandler::OnLoadError(cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t error,
                              const cef_string_t* error_text, const cef_string_t* failed_url) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  events_.With(
      [&](ClientEvents& e) { e.OnLoadError(browser, frame, error, CefToWString(error_text), CefToWString(failed_url)); });
}

// ---- request ------------------------------------------------------------------------------------

RequestHandler::RequestHandler(ClientEvents* events) : events_(events) {
  LZG_BIND(on_before_browse, OnBeforeBrowse);
  LZG_BIND(on_open_urlfrom_tab, OnOpenUrlFromTab);
  LZG_BIND_OR(can_get_cookies, CanGetCookies, 1);
  LZG_BIND_OR(can_set_cookie, CanSetCookie, 1);
  LZG_BIND(on_render_process_terminated, OnRenderProcessTerminated);
}

int RequestHandler::OnBeforeBrowse(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                                   int user_gesture, int) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  bool cancel = false;
  events_.With([&](ClientEvents& e) { cancel = e.OnBeforeBrowse(browser, frame, request, user_gesture != 0); });
  return cancel ? 1 : 0;
}

int RequestHandler::OnOpenUrlFromTab(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* target_url,
                                     cef_window_open_disposition_t target_disposition, int) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  bool drop = false;
  events_.With([&](ClientEvents& e) { drop = e.OnOpenUrlFromTab(browser, CefToWString(target_url), target_disposition); });
  return drop ? 1 : 0;
}

// The game's cookies are the game's business: every request may read and set them.
int RequestHandler::CanGetCookies(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  return 1;
}

int RequestHandler::CanSetCookie(cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request,
                                 const cef_cookie_t*) {
  auto b = Owned(browser);
  auto f = Owned(frame);
  auto q = Owned(request);
  return 1;
}

void RequestHandler::OnRenderProcessTerminated(cef_browser_t* browser, cef_termination_status_t status) {
  auto b = Owned(browser);
  events_.With([&](ClientEvents& e) { e.OnRenderProcessTerminated(browser, status); });
}

// ---- client -------------------------------------------------------------------------------------

Client::Client(ClientEvents* events)
    : life_span_(MakeRef<LifeSpanHandler>(events)),
      keyboard_(MakeRef<KeyboardHandler>(events)),
      load_(MakeRef<LoadHandler>(events)),
      request_(MakeRef<RequestHandler>(events)) {
  LZG_BIND(get_keyboard_handler, GetKeyboardHandler);
  LZG_BIND(get_life_span_handler, GetLifeSpanHandler);
  LZG_BIND(get_load_handler, GetLoadHandler);
  LZG_BIND(get_request_handler, GetRequestHandler);
}

void Client::Detach() {
  life_span_->Detach();
  keyboard_->Detach();
  load_->Detach();
  request_->Detach();
}

}  // namespace lzg
