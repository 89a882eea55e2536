// Shared machinery of the stand-in: counted references to the client's objects,
// neutral answers for members it does not implement, engine threads with their
// own message loops, and the process-wide engine state.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/bridge.h"
#include "engine/cef_capi.h"
#include "standin/trace.h"

namespace standin {

// --- References to objects the client implemented -------------------------------

// Owns one reference to a client object; releases it when dropped.
template <class T>
class Foreign {
 public:
  Foreign() = default;
  static Foreign Adopt(T* p) noexcept {
    Foreign f;
    f.p_ = p;
    return f;
  }
  static Foreign Share(T* p) noexcept {
    if (p) p->base.add_ref(&p->base);
    return Adopt(p);
  }
  Foreign(const Foreign& o) noexcept : p_(o.p_) {
    if (p_) p_->base.add_ref(&p_->base);
  }
  Foreign(Foreign&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Foreign& operator=(Foreign o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Foreign() { reset(); }
  void reset() noexcept {
    if (T* p = p_) {
      p_ = nullptr;
      p->base.release(&p->base);
    }
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // A new reference for handing across the interface.
  T* Give() const noexcept {
    if (p_) p_->base.add_ref(&p_->base);
    return p_;
  }

 private:
  T* p_ = nullptr;
};

// Calls a handler getter of the client; the result carries the reference it returned.
template <class H>
Foreign<H> GetHandler(cef_client_t* client, H* (CEF_CALLBACK* cef_client_t::*getter)(cef_client_t*)) {
  if (!client || !(client->*getter)) return Foreign<H>();
  return Foreign<H>::Adopt((client->*getter)(client));
}

// Our own objects, with a new reference for the client.
template <class T>
auto GiveOwn(const lzg::Ref<T>& r) -> decltype(r->ToCef()) {
  return r ? r->ToCef() : nullptr;
}

// --- Members the stand-in does not implement --------------------------------------

// Reference-counted engine types (pointer arguments of these carry a reference).
template <class T>
struct IsCounted : std::false_type {};
#define STANDIN_COUNTED(name) \
  template <>                 \
  struct IsCounted<cef_##name##_t> : std::true_type {};
#define STANDIN_COUNTED_TYPES(X)                                                                                   \
  X(app) X(browser_process_handler) X(client) X(life_span_handler) X(keyboard_handler) X(load_handler)             \
  X(request_handler) X(completion_callback) X(command_line) X(browser) X(browser_host) X(frame)                    \
  X(request_context) X(cookie_manager) X(waitable_event) X(value) X(dictionary_value) X(request) X(audio_handler)   \
  X(auth_callback) X(binary_value) X(browser_view_delegate) X(browser_view) X(button_delegate)                     \
  X(context_menu_handler) X(cookie_visitor) X(delete_cookies_callback) X(dialog_handler) X(display_handler)        \
  X(display) X(domvisitor) X(download_handler) X(download_image_callback) X(drag_data) X(drag_handler)             \
  X(end_tracing_callback) X(extension_handler) X(extension) X(find_handler) X(focus_handler) X(image)              \
  X(jsdialog_handler) X(label_button) X(list_value) X(menu_button_delegate) X(menu_button)                         \
  X(menu_model_delegate) X(menu_model) X(navigation_entry) X(navigation_entry_visitor) X(panel_delegate)           \
  X(panel) X(pdf_print_callback) X(post_data_element) X(post_data) X(print_handler) X(print_settings)              \
  X(process_message) X(read_handler) X(register_cdm_callback) X(render_handler) X(render_process_handler)          \
  X(request_callback) X(request_context_handler) X(resolve_callback) X(resource_bundle_handler)                    \
  X(resource_bundle) X(resource_handler) X(response_filter) X(response) X(run_file_dialog_callback)                \
  X(scheme_handler_factory) X(scroll_view) X(select_client_certificate_callback) X(server_handler)                 \
  X(set_cookie_callback) X(sslinfo) X(stream_reader) X(stream_writer) X(string_visitor) X(task_runner) X(task)     \
  X(textfield_delegate) X(textfield) X(thread) X(urlrequest_client) X(urlrequest) X(v8accessor)                    \
  X(v8array_buffer_release_callback) X(v8context) X(v8handler) X(v8interceptor) X(v8stack_trace) X(v8value)        \
  X(view_delegate) X(web_plugin_info_visitor) X(web_plugin_unstable_callback) X(window_delegate) X(window)         \
  X(write_handler) X(x509certificate) X(xml_reader) X(zip_reader)
STANDIN_COUNTED_TYPES(STANDIN_COUNTED)
#undef STANDIN_COUNTED

// Releases the reference an argument carries, when its type is counted.
template <class A>
void DropArg(A a) noexcept {
  if constexpr (std::is_pointer_v<A>) {
    using T = std::remove_cv_t<std::remove_pointer_t<A>>;
    if constexpr (IsCounted<T>::value) {
      if (a) {
        auto* b = reinterpret_cast<cef_base_ref_counted_t*>(const_cast<T*>(a));
        b->release(b);
      }
    }
  }
}

// The neutral answer (0, null, nothing) of a member we leave unimplemented; it
// still releases the counted arguments it was given.
template <class Fn>
struct NeutralFn;
template <class R, class S, class... A>
struct NeutralFn<R(CEF_CALLBACK*)(S*, A...)> {
  static R CEF_CALLBACK Call(S*, A... a) {
    (DropArg(a), ...);
    if constexpr (!std::is_void_v<R>) return R{};
  }
};

#define STANDIN_NEUTRAL(field) (this->cef().field = &::standin::NeutralFn<decltype(this->cef().field)>::Call);

// Member lists of the engine structs the stand-in implements.
#define STANDIN_MEMBERS_BROWSER(X) \
  X(get_host) X(can_go_back) X(go_back) X(can_go_forward) X(go_forward) X(is_loading) X(reload) \
  X(reload_ignore_cache) X(stop_load) X(get_identifier) X(is_same) X(is_popup) X(has_document) X(get_main_frame) \
  X(get_focused_frame) X(get_frame_byident) X(get_frame) X(get_frame_count) X(get_frame_identifiers) \
  X(get_frame_names) X(send_process_message)
#define STANDIN_MEMBERS_BROWSER_HOST(X) \
  X(get_browser) X(close_browser) X(try_close_browser) X(set_focus) X(get_window_handle) \
  X(get_opener_window_handle) X(has_view) X(get_client) X(get_request_context) X(get_zoom_level) \
  X(set_zoom_level) X(run_file_dialog) X(start_download) X(download_image) X(print) X(print_to_pdf) X(find) \
  X(stop_finding) X(show_dev_tools) X(close_dev_tools) X(has_dev_tools) X(get_navigation_entries) \
  X(set_mouse_cursor_change_disabled) X(is_mouse_cursor_change_disabled) X(replace_misspelling) \
  X(add_word_to_dictionary) X(is_window_rendering_disabled) X(was_resized) X(was_hidden) \
  X(notify_screen_info_changed) X(invalidate) X(send_external_begin_frame) X(send_key_event) \
  X(send_mouse_click_event) X(send_mouse_move_event) X(send_mouse_wheel_event) X(send_touch_event) \
  X(send_focus_event) X(send_capture_lost_event) X(notify_move_or_resize_started) X(get_windowless_frame_rate) \
  X(set_windowless_frame_rate) X(ime_set_composition) X(ime_commit_text) X(ime_finish_composing_text) \
  X(ime_cancel_composition) X(drag_target_drag_enter) X(drag_target_drag_over) X(drag_target_drag_leave) \
  X(drag_target_drop) X(drag_source_ended_at) X(drag_source_system_drag_ended) X(get_visible_navigation_entry) \
  X(set_accessibility_state) X(set_auto_resize_enabled) X(get_extension) X(is_background_host) \
  X(set_audio_muted) X(is_audio_muted)
#define STANDIN_MEMBERS_FRAME(X) \
  X(is_valid) X(undo) X(redo) X(cut) X(copy) X(paste) X(del) X(select_all) X(view_source) X(get_source) \
  X(get_text) X(load_request) X(load_url) X(load_string) X(execute_java_script) X(is_main) X(is_focused) \
  X(get_name) X(get_identifier) X(get_parent) X(get_url) X(get_browser) X(get_v8context) X(visit_dom)
#define STANDIN_MEMBERS_REQUEST_CONTEXT(X) \
  X(is_same) X(is_sharing_with) X(is_global) X(get_handler) X(get_cache_path) X(get_default_cookie_manager) \
  X(register_scheme_handler_factory) X(clear_scheme_handler_factories) X(purge_plugin_list_cache) \
  X(has_preference) X(get_preference) X(get_all_preferences) X(can_set_preference) X(set_preference) \
  X(clear_certificate_exceptions) X(close_all_connections) X(resolve_host) X(load_extension) \
  X(did_load_extension) X(has_extension) X(get_extensions) X(get_extension)
#define STANDIN_MEMBERS_COOKIE_MANAGER(X) \
  X(set_supported_schemes) X(visit_all_cookies) X(visit_url_cookies) X(set_cookie) X(delete_cookies) \
  X(set_storage_path) X(flush_store)
#define STANDIN_MEMBERS_VALUE(X) \
  X(is_valid) X(is_owned) X(is_read_only) X(is_same) X(is_equal) X(copy) X(get_type) X(get_bool) X(get_int) \
  X(get_double) X(get_string) X(get_binary) X(get_dictionary) X(get_list) X(set_null) X(set_bool) X(set_int) \
  X(set_double) X(set_string) X(set_binary) X(set_dictionary) X(set_list)
#define STANDIN_MEMBERS_DICTIONARY_VALUE(X) \
  X(is_valid) X(is_owned) X(is_read_only) X(is_same) X(is_equal) X(copy) X(get_size) X(clear) X(has_key) \
  X(get_keys) X(remove) X(get_type) X(get_value) X(get_bool) X(get_int) X(get_double) X(get_string) \
  X(get_binary) X(get_dictionary) X(get_list) X(set_value) X(set_null) X(set_bool) X(set_int) X(set_double) \
  X(set_string) X(set_binary) X(set_dictionary) X(set_list)
#define STANDIN_MEMBERS_COMMAND_LINE(X) \
  X(is_valid) X(is_read_only) X(copy) X(init_from_argv) X(init_from_string) X(reset) X(get_argv) \
  X(get_command_line_string) X(get_program) X(set_program) X(has_switches) X(has_switch) X(get_switch_value) \
  X(get_switches) X(append_switch) X(append_switch_with_value) X(has_arguments) X(get_arguments) \
  X(append_argument) X(prepend_wrapper)
#define STANDIN_MEMBERS_WAITABLE_EVENT(X) \
  X(reset) X(signal) X(is_signaled) X(wait) X(timed_wait)
#define STANDIN_MEMBERS_REQUEST(X) \
  X(is_read_only) X(get_url) X(set_url) X(get_method) X(set_method) X(set_referrer) X(get_referrer_url) \
  X(get_referrer_policy) X(get_post_data) X(set_post_data) X(get_header_map) X(set_header_map) X(set) \
  X(get_flags) X(set_flags) X(get_first_party_for_cookies) X(set_first_party_for_cookies) X(get_resource_type) \
  X(get_transition_type) X(get_identifier)

// --- Engine threads ---------------------------------------------------------------

// A thread with its own message loop and a message-only window that runs tasks,
// so tasks keep running inside modal loops of that thread too.
class TaskThread {
 public:
  explicit TaskThread(const char* name) : name_(name) {}
  bool Start();
  // Ends the loop and joins the thread without answering messages sent to the caller;
  // pending tasks are dropped (their captures freed).
  void Stop(const char* caller);
  bool Post(std::function<void()> task);
  bool PostDelayed(DWORD ms, std::function<void()> task);
  // Runs the task on the thread and waits, still dispatching sent messages meanwhile.
  void RunSync(std::function<void()> task);
  // Runs the task on the thread and waits without answering messages sent to the caller
  // (cef_initialize and cef_shutdown wait this way); `caller` names the waiting call in a fault.
  void RunWaiting(std::function<void()> task, const char* caller);
  // Waits, as RunWaiting does, until every task posted before this call has run.
  void Flush(const char* caller);
  bool IsCurrent() const { return GetCurrentThreadId() == id_.load(); }
  bool Running() const { return wnd_.load() != nullptr; }
  DWORD id() const { return id_.load(); }

 private:
  static DWORD WINAPI Main(void* self);
  static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

  const char* name_;
  HANDLE thread_ = nullptr;
  HANDLE ready_ = nullptr;
  std::atomic<DWORD> id_{0};
  std::atomic<HWND> wnd_{nullptr};
  std::map<UINT_PTR, std::function<void()>> timers_;  // touched on the thread only
  UINT_PTR next_timer_ = 1;
};

// Waits for `h` while still answering messages sent to this thread.
void WaitPumpingSent(HANDLE h);

// The path of module `m` (null: the process's executable).
std::wstring ModulePath(HMODULE m);

// How long cef_initialize and cef_shutdown wait for an engine thread before the wait counts as a
// deadlock of the real engine, which never answers the caller's messages meanwhile.
constexpr DWORD kDeadlockMs = 5000;

// Waits for `h` without answering messages sent to this thread, as the real engine's start and
// shutdown do. A wait that outlasts kDeadlockMs would never end there: it is recorded as a fault
// naming `caller`, and only then finished while answering sent messages, so that the run ends.
void WaitWithoutPumping(HANDLE h, const char* caller);

TaskThread& UiThread();
TaskThread& IoThread();
// The engine's process-launcher thread: sub-processes start there.
TaskThread& LauncherThread();

HINSTANCE ModuleInstance();

}  // namespace standin
