// The remaining exports: message loop, logging, tasks, values, contexts, and the
// neutral answers of everything this system never calls. A neutral export still
// releases the counted objects it is given.
#include <windows.h>

#include <memory>
#include <type_traits>

#include "standin/engine.h"
#include "standin/storage.h"
#include "standin/text.h"

namespace standin {
namespace {

// The engine's task object: the ref-counted base and one callback.
struct TaskStruct {
  cef_base_ref_counted_t base;
  void(CEF_CALLBACK* execute)(cef_task_t* self);
};
static_assert(sizeof(TaskStruct) == 24, "cef_task_t size");
static_assert(offsetof(TaskStruct, execute) == 20, "cef_task_t.execute");

TaskThread* ThreadFor(cef_thread_id_t id) {
  switch (id) {
    case TID_UI: return &UiThread();
    case TID_IO:
    case TID_FILE_BACKGROUND:
    case TID_FILE_USER_VISIBLE:
    case TID_FILE_USER_BLOCKING: return &IoThread();
    case TID_PROCESS_LAUNCHER: return &LauncherThread();
    default: return nullptr;
  }
}

int PostTask(cef_thread_id_t id, cef_task_t* task, int64 delay_ms) {
  if (!task) return 0;
  // The queued job owns the reference the argument carried; a job that never
  // runs releases it when its queue is dropped.
  std::shared_ptr<TaskStruct> holder(reinterpret_cast<TaskStruct*>(task),
                                     [](TaskStruct* t) { t->base.release(&t->base); });
  TaskThread* thread = ThreadFor(id);
  if (!thread || !EngineRunning()) return 0;
  DWORD ms = delay_ms <= 0 ? 0 : delay_ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(delay_ms);
  return thread->PostDelayed(ms, [holder] {
    if (holder->execute) holder->execute(reinterpret_cast<cef_task_t*>(holder.get()));
  }) ? 1 : 0;
}

DWORD g_loop_thread_id = 0;

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

// --- Message loop, logging ------------------------------------------------------------------

void CEF_EXPORT cef_do_message_loop_work(void) {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}
void CEF_EXPORT cef_run_message_loop(void) {
  g_loop_thread_id = GetCurrentThreadId();
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  g_loop_thread_id = 0;
}
void CEF_EXPORT cef_quit_message_loop(void) {
  if (g_loop_thread_id) PostThreadMessageW(g_loop_thread_id, WM_QUIT, 0, 0);
}
void CEF_EXPORT cef_set_osmodal_loop(int osModalLoop) { Trace("set_osmodal_loop").Add("value", osModalLoop); }
void CEF_EXPORT cef_enable_highdpi_support(void) { Trace("enable_highdpi_support"); }

void CEF_EXPORT cef_log(const char* file, int line, int severity, const char* message) {
  // The texts come in the system's ANSI code page.
  auto ansi = [](const char* s) {
    if (!s || !*s) return std::string();
    int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
    return ToUtf8(w);
  };
  Trace("log").Add("file", ansi(file)).Add("line", line).Add("severity", severity).Add("message", ansi(message));
}
int CEF_EXPORT cef_get_min_log_level(void) { return 0; }
int CEF_EXPORT cef_get_vlog_level(const char*, size_t) { return 0; }

// --- Tasks and threads ----------------------------------------------------------------------

int CEF_EXPORT cef_currently_on(cef_thread_id_t threadId) {
  TaskThread* t = ThreadFor(threadId);
  return t && t->Running() && t->IsCurrent();
}
int CEF_EXPORT cef_post_task(cef_thread_id_t threadId, cef_task_t* task) { return PostTask(threadId, task, 0); }
int CEF_EXPORT cef_post_delayed_task(cef_thread_id_t threadId, cef_task_t* task, int64 delay_ms) {
  return PostTask(threadId, task, delay_ms);
}
cef_platform_thread_id_t CEF_EXPORT cef_get_current_platform_thread_id(void) { return GetCurrentThreadId(); }
cef_platform_thread_handle_t CEF_EXPORT cef_get_current_platform_thread_handle(void) { return GetCurrentThreadId(); }

// --- Values, events, requests, contexts, cookies ------------------------------------------

cef_value_t* CEF_EXPORT cef_value_create(void) { return lzg::MakeRef<Value>()->ToCef(); }
cef_dictionary_value_t* CEF_EXPORT cef_dictionary_value_create(void) {
  return lzg::MakeRef<DictionaryValue>()->ToCef();
}
cef_string_userfree_t CEF_EXPORT cef_write_json(cef_value_t* node, cef_json_writer_options_t) {
  ValueData d = Value::DataOf(node);
  DropArg(node);
  return d.type == VTYPE_INVALID ? nullptr : NewUserFree(Utf8ToWide(RenderValue(d)));
}
cef_waitable_event_t* CEF_EXPORT cef_waitable_event_create(int automatic_reset, int initially_signaled) {
  return lzg::MakeRef<WaitableEvent>(automatic_reset != 0, initially_signaled != 0)->ToCef();
}
cef_request_t* CEF_EXPORT cef_request_create(void) { return lzg::MakeRef<Request>()->ToCef(); }

cef_request_context_t* CEF_EXPORT cef_request_context_get_global_context(void) {
  return lzg::MakeRef<RequestContext>(Engine().prefs, 0, true)->ToCef();
}
cef_request_context_t* CEF_EXPORT cef_request_context_create_context(const cef_request_context_settings_t*,
                                                                     cef_request_context_handler_t* handler) {
  DropArg(handler);
  return lzg::MakeRef<RequestContext>(std::make_shared<PrefStore>(), 0, false)->ToCef();
}
cef_request_context_t* CEF_EXPORT cef_create_context_shared(cef_request_context_t* other,
                                                            cef_request_context_handler_t* handler) {
  RequestContext* o = other ? RequestContext::FromCef(other) : nullptr;
  auto store = o ? o->Store() : Engine().prefs;
  DropArg(other);
  DropArg(handler);
  return lzg::MakeRef<RequestContext>(store, 0, false)->ToCef();
}
cef_cookie_manager_t* CEF_EXPORT cef_cookie_manager_get_blocking_manager(void) {
  return lzg::MakeRef<CookieManager>()->ToCef();
}
cef_cookie_manager_t* CEF_EXPORT cef_cookie_manager_create_manager(const cef_string_t* path, int persist,
                                                                   cef_completion_callback_t* callback) {
  Trace("cookie_create_manager").Add("path", path).Add("persist", persist);
  UseStorageFolder("cookie storage path", ToWide(path));
  auto m = lzg::MakeRef<CookieManager>();
  CookieManager::NotifyReady(callback, "cookie_storage_ready");
  return m->ToCef();
}

int CEF_EXPORT cef_launch_process(cef_command_line_t* command_line) {
  CommandLine* c = command_line ? CommandLine::FromCef(command_line) : nullptr;
  std::wstring line = c ? c->CommandLineString() : std::wstring();
  DropArg(command_line);
  if (line.empty()) return 0;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 1;
}

// --- Neutral answers that release what they are given ------------------------------------

cef_menu_model_t* CEF_EXPORT cef_menu_model_create(cef_menu_model_delegate_t* d) { DropArg(d); return nullptr; }
void CEF_EXPORT cef_server_create(const cef_string_t*, uint16, int, cef_server_handler_t* h) { DropArg(h); }
int CEF_EXPORT cef_register_scheme_handler_factory(const cef_string_t*, const cef_string_t*,
                                                   cef_scheme_handler_factory_t* f) {
  DropArg(f);
  return 0;
}
cef_stream_reader_t* CEF_EXPORT cef_stream_reader_create_for_handler(cef_read_handler_t* h) { DropArg(h); return nullptr; }
cef_stream_writer_t* CEF_EXPORT cef_stream_writer_create_for_handler(cef_write_handler_t* h) { DropArg(h); return nullptr; }
int CEF_EXPORT cef_begin_tracing(const cef_string_t*, cef_completion_callback_t* c) { DropArg(c); return 0; }
int CEF_EXPORT cef_end_tracing(const cef_string_t*, cef_end_tracing_callback_t* c) { DropArg(c); return 0; }
cef_urlrequest_t* CEF_EXPORT cef_urlrequest_create(cef_request_t* r, cef_urlrequest_client_t* c,
                                                   cef_request_context_t* x) {
  DropArg(r);
  DropArg(c);
  DropArg(x);
  return nullptr;
}
cef_v8value_t* CEF_EXPORT cef_v8value_create_object(cef_v8accessor_t* a, cef_v8interceptor_t* i) {
  DropArg(a);
  DropArg(i);
  return nullptr;
}
cef_v8value_t* CEF_EXPORT cef_v8value_create_array_buffer(void*, size_t, cef_v8array_buffer_release_callback_t* c) {
  DropArg(c);
  return nullptr;
}
cef_v8value_t* CEF_EXPORT cef_v8value_create_function(const cef_string_t*, cef_v8handler_t* h) { DropArg(h); return nullptr; }
int CEF_EXPORT cef_register_extension(const cef_string_t*, const cef_string_t*, cef_v8handler_t* h) { DropArg(h); return 0; }
void CEF_EXPORT cef_visit_web_plugin_info(cef_web_plugin_info_visitor_t* v) { DropArg(v); }
void CEF_EXPORT cef_is_web_plugin_unstable(const cef_string_t*, cef_web_plugin_unstable_callback_t* c) { DropArg(c); }
void CEF_EXPORT cef_register_widevine_cdm(const cef_string_t*, cef_register_cdm_callback_t* c) { DropArg(c); }
cef_xml_reader_t* CEF_EXPORT cef_xml_reader_create(cef_stream_reader_t* s, cef_xml_encoding_type_t, const cef_string_t*) {
  DropArg(s);
  return nullptr;
}
cef_zip_reader_t* CEF_EXPORT cef_zip_reader_create(cef_stream_reader_t* s) { DropArg(s); return nullptr; }
cef_browser_view_t* CEF_EXPORT cef_browser_view_create(cef_client_t* c, const cef_string_t*, const cef_browser_settings_t*,
                                                       cef_request_context_t* x, cef_browser_view_delegate_t* d) {
  DropArg(c);
  DropArg(x);
  DropArg(d);
  return nullptr;
}
cef_browser_view_t* CEF_EXPORT cef_browser_view_get_for_browser(cef_browser_t* b) { DropArg(b); return nullptr; }
cef_label_button_t* CEF_EXPORT cef_label_button_create(cef_button_delegate_t* d, const cef_string_t*, int) {
  DropArg(d);
  return nullptr;
}
cef_menu_button_t* CEF_EXPORT cef_menu_button_create(cef_menu_button_delegate_t* d, const cef_string_t*, int) {
  DropArg(d);
  return nullptr;
}
cef_panel_t* CEF_EXPORT cef_panel_create(cef_panel_delegate_t* d) { DropArg(d); return nullptr; }
cef_scroll_view_t* CEF_EXPORT cef_scroll_view_create(cef_view_delegate_t* d) { DropArg(d); return nullptr; }
cef_textfield_t* CEF_EXPORT cef_textfield_create(cef_textfield_delegate_t* d) { DropArg(d); return nullptr; }
cef_window_t* CEF_EXPORT cef_window_create_top_level(cef_window_delegate_t* d) { DropArg(d); return nullptr; }

}  // extern "C"

// --- Everything else: the neutral value, whatever the arguments ---------------------------
// (Exports use the caller-cleans convention, so a definition without parameters is
// safe for any argument list.)
template <class Fn>
struct ExportResult;
template <class R, class... A>
struct ExportResult<R(CEF_EXPORT*)(A...)> {
  using type = R;
};
#define STANDIN_NEUTRAL_EXPORT(name)                                   \
  extern "C" ExportResult<name##_ptr>::type CEF_EXPORT name(void) {   \
    using R = ExportResult<name##_ptr>::type;                          \
    if constexpr (!std::is_void_v<R>) return R{};                      \
  }

STANDIN_NEUTRAL_EXPORT(cef_crash_reporting_enabled)
STANDIN_NEUTRAL_EXPORT(cef_set_crash_key_value)
STANDIN_NEUTRAL_EXPORT(cef_drag_data_create)
STANDIN_NEUTRAL_EXPORT(cef_create_directory)
STANDIN_NEUTRAL_EXPORT(cef_get_temp_directory)
STANDIN_NEUTRAL_EXPORT(cef_create_new_temp_directory)
STANDIN_NEUTRAL_EXPORT(cef_create_temp_directory_in_directory)
STANDIN_NEUTRAL_EXPORT(cef_directory_exists)
STANDIN_NEUTRAL_EXPORT(cef_delete_file)
STANDIN_NEUTRAL_EXPORT(cef_zip_directory)
STANDIN_NEUTRAL_EXPORT(cef_load_crlsets_file)
STANDIN_NEUTRAL_EXPORT(cef_image_create)
STANDIN_NEUTRAL_EXPORT(cef_add_cross_origin_whitelist_entry)
STANDIN_NEUTRAL_EXPORT(cef_remove_cross_origin_whitelist_entry)
STANDIN_NEUTRAL_EXPORT(cef_clear_cross_origin_whitelist)
STANDIN_NEUTRAL_EXPORT(cef_parse_url)
STANDIN_NEUTRAL_EXPORT(cef_create_url)
STANDIN_NEUTRAL_EXPORT(cef_format_url_for_security_display)
STANDIN_NEUTRAL_EXPORT(cef_get_mime_type)
STANDIN_NEUTRAL_EXPORT(cef_get_extensions_for_mime_type)
STANDIN_NEUTRAL_EXPORT(cef_base64encode)
STANDIN_NEUTRAL_EXPORT(cef_base64decode)
STANDIN_NEUTRAL_EXPORT(cef_uriencode)
STANDIN_NEUTRAL_EXPORT(cef_uridecode)
STANDIN_NEUTRAL_EXPORT(cef_parse_json)
STANDIN_NEUTRAL_EXPORT(cef_parse_jsonand_return_error)
STANDIN_NEUTRAL_EXPORT(cef_get_path)
STANDIN_NEUTRAL_EXPORT(cef_print_settings_create)
STANDIN_NEUTRAL_EXPORT(cef_process_message_create)
STANDIN_NEUTRAL_EXPORT(cef_post_data_create)
STANDIN_NEUTRAL_EXPORT(cef_post_data_element_create)
STANDIN_NEUTRAL_EXPORT(cef_resource_bundle_get_global)
STANDIN_NEUTRAL_EXPORT(cef_response_create)
STANDIN_NEUTRAL_EXPORT(cef_clear_scheme_handler_factories)
STANDIN_NEUTRAL_EXPORT(cef_is_cert_status_error)
STANDIN_NEUTRAL_EXPORT(cef_is_cert_status_minor_error)
STANDIN_NEUTRAL_EXPORT(cef_stream_reader_create_for_file)
STANDIN_NEUTRAL_EXPORT(cef_stream_reader_create_for_data)
STANDIN_NEUTRAL_EXPORT(cef_stream_writer_create_for_file)
STANDIN_NEUTRAL_EXPORT(cef_task_runner_get_for_current_thread)
STANDIN_NEUTRAL_EXPORT(cef_task_runner_get_for_thread)
STANDIN_NEUTRAL_EXPORT(cef_thread_create)
STANDIN_NEUTRAL_EXPORT(cef_now_from_system_trace_time)
STANDIN_NEUTRAL_EXPORT(cef_v8context_get_current_context)
STANDIN_NEUTRAL_EXPORT(cef_v8context_get_entered_context)
STANDIN_NEUTRAL_EXPORT(cef_v8context_in_context)
STANDIN_NEUTRAL_EXPORT(cef_v8value_create_undefined)
STANDIN_NEUTRAL_EXPORT(cef_v8value_create_null)
STANDIN_NEUTRAL_EXPORT(cef_v8value_create_bool)
STANDIN_NEUTRAL_EXPORT(cef_v8value_create_int)
STANDIN_NEUTRAL_EXPORT(cef_v8value_create_uint)
STANDIN_NEUTRAL_EXPORT(cef_v8value_create_double)
STANDIN_NEUTRAL_EXPORT(cef_v8value_create_date)
STANDIN_NEUTRAL_EXPORT(cef_v8value_create_string)
STANDIN_NEUTRAL_EXPORT(cef_v8value_create_array)
STANDIN_NEUTRAL_EXPORT(cef_v8stack_trace_get_current)
STANDIN_NEUTRAL_EXPORT(cef_binary_value_create)
STANDIN_NEUTRAL_EXPORT(cef_list_value_create)
STANDIN_NEUTRAL_EXPORT(cef_refresh_web_plugins)
STANDIN_NEUTRAL_EXPORT(cef_unregister_internal_web_plugin)
STANDIN_NEUTRAL_EXPORT(cef_register_web_plugin_crash)
STANDIN_NEUTRAL_EXPORT(cef_trace_event_instant)
STANDIN_NEUTRAL_EXPORT(cef_trace_event_begin)
STANDIN_NEUTRAL_EXPORT(cef_trace_event_end)
STANDIN_NEUTRAL_EXPORT(cef_trace_counter)
STANDIN_NEUTRAL_EXPORT(cef_trace_counter_id)
STANDIN_NEUTRAL_EXPORT(cef_trace_event_async_begin)
STANDIN_NEUTRAL_EXPORT(cef_trace_event_async_step_into)
STANDIN_NEUTRAL_EXPORT(cef_trace_event_async_step_past)
STANDIN_NEUTRAL_EXPORT(cef_trace_event_async_end)
STANDIN_NEUTRAL_EXPORT(cef_display_get_primary)
STANDIN_NEUTRAL_EXPORT(cef_display_get_nearest_point)
STANDIN_NEUTRAL_EXPORT(cef_display_get_matching_bounds)
STANDIN_NEUTRAL_EXPORT(cef_display_get_count)
STANDIN_NEUTRAL_EXPORT(cef_display_get_alls)
