// The engine's C interface (CEF 74.1.19) as a 32-bit Windows process sees it.
// Layouts are checked below with static_assert; the client and the stand-in
// library both compile against this one header.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CEF_CALLBACK __stdcall
#define CEF_EXPORT __cdecl

typedef wchar_t char16;
typedef int64_t int64;
typedef uint64_t uint64;
typedef int32_t int32;
typedef uint32_t uint32;
typedef uint16_t uint16;
typedef uint32 cef_color_t;
typedef DWORD cef_platform_thread_id_t;
typedef DWORD cef_platform_thread_handle_t;
typedef MSG* cef_event_handle_t;
typedef HWND cef_window_handle_t;
typedef HCURSOR cef_cursor_handle_t;

typedef struct _cef_string_utf16_t {
  char16* str;
  size_t length;
  void (*dtor)(char16* str);
} cef_string_utf16_t;
typedef struct _cef_string_utf8_t {
  char* str;
  size_t length;
  void (*dtor)(char* str);
} cef_string_utf8_t;
typedef struct _cef_string_wide_t {
  wchar_t* str;
  size_t length;
  void (*dtor)(wchar_t* str);
} cef_string_wide_t;
typedef cef_string_utf16_t cef_string_t;
typedef cef_string_utf16_t* cef_string_userfree_utf16_t;
typedef cef_string_utf8_t* cef_string_userfree_utf8_t;
typedef cef_string_wide_t* cef_string_userfree_wide_t;
typedef cef_string_userfree_utf16_t cef_string_userfree_t;
typedef void* cef_string_list_t;
typedef void* cef_string_map_t;
typedef void* cef_string_multimap_t;

typedef enum { LOGSEVERITY_DEFAULT = 0, LOGSEVERITY_VERBOSE = 1, LOGSEVERITY_DEBUG = 1, LOGSEVERITY_INFO = 2,
  LOGSEVERITY_WARNING = 3, LOGSEVERITY_ERROR = 4, LOGSEVERITY_FATAL = 5, LOGSEVERITY_DISABLE = 99 } cef_log_severity_t;
typedef enum { STATE_DEFAULT = 0, STATE_ENABLED = 1, STATE_DISABLED = 2 } cef_state_t;
typedef enum { WOD_UNKNOWN = 0, WOD_CURRENT_TAB, WOD_SINGLETON_TAB, WOD_NEW_FOREGROUND_TAB, WOD_NEW_BACKGROUND_TAB,
  WOD_NEW_POPUP, WOD_NEW_WINDOW, WOD_SAVE_TO_DISK, WOD_OFF_THE_RECORD, WOD_IGNORE_ACTION } cef_window_open_disposition_t;
typedef enum { KEYEVENT_RAWKEYDOWN = 0, KEYEVENT_KEYDOWN, KEYEVENT_KEYUP, KEYEVENT_CHAR } cef_key_event_type_t;
typedef enum { EVENTFLAG_NONE = 0, EVENTFLAG_CAPS_LOCK_ON = 1, EVENTFLAG_SHIFT_DOWN = 2, EVENTFLAG_CONTROL_DOWN = 4,
  EVENTFLAG_ALT_DOWN = 8, EVENTFLAG_LEFT_MOUSE_BUTTON = 16, EVENTFLAG_MIDDLE_MOUSE_BUTTON = 32,
  EVENTFLAG_RIGHT_MOUSE_BUTTON = 64, EVENTFLAG_COMMAND_DOWN = 128, EVENTFLAG_NUM_LOCK_ON = 256,
  EVENTFLAG_IS_KEY_PAD = 512, EVENTFLAG_IS_LEFT = 1024, EVENTFLAG_IS_RIGHT = 2048 } cef_event_flags_t;
typedef enum { RV_CANCEL = 0, RV_CONTINUE, RV_CONTINUE_ASYNC } cef_return_value_t;
typedef enum { VTYPE_INVALID = 0, VTYPE_NULL, VTYPE_BOOL, VTYPE_INT, VTYPE_DOUBLE, VTYPE_STRING, VTYPE_BINARY,
  VTYPE_DICTIONARY, VTYPE_LIST } cef_value_type_t;
typedef enum { PID_BROWSER = 0, PID_RENDERER } cef_process_id_t;
typedef enum { TID_UI = 0, TID_FILE_BACKGROUND, TID_FILE_USER_VISIBLE, TID_FILE_USER_BLOCKING, TID_PROCESS_LAUNCHER,
  TID_IO, TID_RENDERER } cef_thread_id_t;
typedef enum { TS_ABNORMAL_TERMINATION = 0, TS_PROCESS_WAS_KILLED, TS_PROCESS_CRASHED, TS_PROCESS_OOM } cef_termination_status_t;
typedef enum { UR_UNKNOWN = 0, UR_SUCCESS, UR_IO_PENDING, UR_CANCELED, UR_FAILED } cef_urlrequest_status_t;
// A transition is its source in the low byte with qualifier bits ORed in above it (redirects, chain start and end,
// the top bit among them), and the engine reports hundreds of network error codes: neither fits an enumeration
// of the values named here, so both travel as plain 32-bit integers with named constants.
typedef int32_t cef_transition_type_t;
enum { TT_LINK = 0, TT_EXPLICIT = 1, TT_AUTO_SUBFRAME = 3, TT_MANUAL_SUBFRAME = 4, TT_FORM_SUBMIT = 7,
  TT_RELOAD = 8, TT_SOURCE_MASK = 0xFF };
typedef int32_t cef_errorcode_t;
enum { ERR_NONE = 0, ERR_FAILED = -2, ERR_ABORTED = -3, ERR_NAME_NOT_RESOLVED = -105,
  ERR_INTERNET_DISCONNECTED = -106 };

// Enumerations the system passes through without looking at their values.
typedef int cef_cert_status_t;
typedef int cef_com_init_mode_t;

typedef int cef_drag_operations_mask_t;
typedef int cef_file_dialog_mode_t;
typedef int cef_json_parser_options_t;
typedef int cef_json_writer_options_t;
typedef int cef_message_loop_type_t;
typedef int cef_mouse_button_type_t;
typedef int cef_paint_element_type_t;
typedef int cef_path_key_t;
typedef int cef_referrer_policy_t;
typedef int cef_resource_type_t;
typedef int cef_thread_priority_t;
typedef int cef_uri_unescape_rule_t;
typedef int cef_xml_encoding_type_t;

// Types used only through pointers.
typedef struct _cef_composition_underline_t cef_composition_underline_t;
typedef struct _cef_audio_handler_t cef_audio_handler_t;
typedef struct _cef_auth_callback_t cef_auth_callback_t;
typedef struct _cef_binary_value_t cef_binary_value_t;
typedef struct _cef_browser_view_delegate_t cef_browser_view_delegate_t;
typedef struct _cef_browser_view_t cef_browser_view_t;
typedef struct _cef_button_delegate_t cef_button_delegate_t;
typedef struct _cef_context_menu_handler_t cef_context_menu_handler_t;
typedef struct _cef_cookie_t cef_cookie_t;
typedef struct _cef_cookie_visitor_t cef_cookie_visitor_t;
typedef struct _cef_delete_cookies_callback_t cef_delete_cookies_callback_t;
typedef struct _cef_dialog_handler_t cef_dialog_handler_t;
typedef struct _cef_display_handler_t cef_display_handler_t;
typedef struct _cef_display_t cef_display_t;
typedef struct _cef_domvisitor_t cef_domvisitor_t;
typedef struct _cef_download_handler_t cef_download_handler_t;
typedef struct _cef_download_image_callback_t cef_download_image_callback_t;
typedef struct _cef_drag_data_t cef_drag_data_t;
typedef struct _cef_drag_handler_t cef_drag_handler_t;
typedef struct _cef_end_tracing_callback_t cef_end_tracing_callback_t;
typedef struct _cef_extension_handler_t cef_extension_handler_t;
typedef struct _cef_extension_t cef_extension_t;
typedef struct _cef_find_handler_t cef_find_handler_t;
typedef struct _cef_focus_handler_t cef_focus_handler_t;
typedef struct _cef_image_t cef_image_t;
typedef struct _cef_jsdialog_handler_t cef_jsdialog_handler_t;
typedef struct _cef_json_parser_error_t cef_json_parser_error_t;
typedef struct _cef_label_button_t cef_label_button_t;
typedef struct _cef_list_value_t cef_list_value_t;
typedef struct _cef_menu_button_delegate_t cef_menu_button_delegate_t;
typedef struct _cef_menu_button_t cef_menu_button_t;
typedef struct _cef_menu_model_delegate_t cef_menu_model_delegate_t;
typedef struct _cef_menu_model_t cef_menu_model_t;
typedef struct _cef_mouse_event_t cef_mouse_event_t;
typedef struct _cef_navigation_entry_t cef_navigation_entry_t;
typedef struct _cef_navigation_entry_visitor_t cef_navigation_entry_visitor_t;
typedef struct _cef_panel_delegate_t cef_panel_delegate_t;
typedef struct _cef_panel_t cef_panel_t;
typedef struct _cef_pdf_print_callback_t cef_pdf_print_callback_t;
typedef struct _cef_pdf_print_settings_t cef_pdf_print_settings_t;
typedef struct _cef_point_t cef_point_t;
typedef struct _cef_post_data_element_t cef_post_data_element_t;
typedef struct _cef_post_data_t cef_post_data_t;
typedef struct _cef_print_handler_t cef_print_handler_t;
typedef struct _cef_print_settings_t cef_print_settings_t;
typedef struct _cef_process_message_t cef_process_message_t;
typedef struct _cef_range_t cef_range_t;
typedef struct _cef_read_handler_t cef_read_handler_t;
typedef struct _cef_register_cdm_callback_t cef_register_cdm_callback_t;
typedef struct _cef_render_handler_t cef_render_handler_t;
typedef struct _cef_render_process_handler_t cef_render_process_handler_t;
typedef struct _cef_request_callback_t cef_request_callback_t;
typedef struct _cef_request_context_handler_t cef_request_context_handler_t;
typedef struct _cef_request_context_settings_t cef_request_context_settings_t;
typedef struct _cef_resolve_callback_t cef_resolve_callback_t;
typedef struct _cef_resource_bundle_handler_t cef_resource_bundle_handler_t;
typedef struct _cef_resource_bundle_t cef_resource_bundle_t;
typedef struct _cef_resource_handler_t cef_resource_handler_t;
typedef struct _cef_response_filter_t cef_response_filter_t;
typedef struct _cef_response_t cef_response_t;
typedef struct _cef_run_file_dialog_callback_t cef_run_file_dialog_callback_t;
typedef struct _cef_scheme_handler_factory_t cef_scheme_handler_factory_t;
typedef struct _cef_scheme_registrar_t cef_scheme_registrar_t;
typedef struct _cef_scroll_view_t cef_scroll_view_t;
typedef struct _cef_select_client_certificate_callback_t cef_select_client_certificate_callback_t;
typedef struct _cef_server_handler_t cef_server_handler_t;
typedef struct _cef_set_cookie_callback_t cef_set_cookie_callback_t;
typedef struct _cef_size_t cef_size_t;
typedef struct _cef_sslinfo_t cef_sslinfo_t;
typedef struct _cef_stream_reader_t cef_stream_reader_t;
typedef struct _cef_stream_writer_t cef_stream_writer_t;
typedef struct _cef_string_visitor_t cef_string_visitor_t;
typedef struct _cef_task_runner_t cef_task_runner_t;
typedef struct _cef_task_t cef_task_t;
typedef struct _cef_textfield_delegate_t cef_textfield_delegate_t;
typedef struct _cef_textfield_t cef_textfield_t;
typedef struct _cef_thread_t cef_thread_t;
typedef struct _cef_time_t cef_time_t;
typedef struct _cef_touch_event_t cef_touch_event_t;
typedef struct _cef_urlparts_t cef_urlparts_t;
typedef struct _cef_urlrequest_client_t cef_urlrequest_client_t;
typedef struct _cef_urlrequest_t cef_urlrequest_t;
typedef struct _cef_v8accessor_t cef_v8accessor_t;
typedef struct _cef_v8array_buffer_release_callback_t cef_v8array_buffer_release_callback_t;
typedef struct _cef_v8context_t cef_v8context_t;
typedef struct _cef_v8handler_t cef_v8handler_t;
typedef struct _cef_v8interceptor_t cef_v8interceptor_t;
typedef struct _cef_v8stack_trace_t cef_v8stack_trace_t;
typedef struct _cef_v8value_t cef_v8value_t;
typedef struct _cef_view_delegate_t cef_view_delegate_t;
typedef struct _cef_web_plugin_info_visitor_t cef_web_plugin_info_visitor_t;
typedef struct _cef_web_plugin_unstable_callback_t cef_web_plugin_unstable_callback_t;
typedef struct _cef_window_delegate_t cef_window_delegate_t;
typedef struct _cef_window_t cef_window_t;
typedef struct _cef_write_handler_t cef_write_handler_t;
typedef struct _cef_x509certificate_t cef_x509certificate_t;
typedef struct _cef_xml_reader_t cef_xml_reader_t;
typedef struct _cef_zip_reader_t cef_zip_reader_t;
typedef struct _cef_base_ref_counted_t cef_base_ref_counted_t;
typedef struct _cef_main_args_t cef_main_args_t;
typedef struct _cef_settings_t cef_settings_t;
typedef struct _cef_window_info_t cef_window_info_t;
typedef struct _cef_browser_settings_t cef_browser_settings_t;
typedef struct _cef_popup_features_t cef_popup_features_t;
typedef struct _cef_key_event_t cef_key_event_t;
typedef struct _cef_rect_t cef_rect_t;
typedef struct _cef_app_t cef_app_t;
typedef struct _cef_browser_process_handler_t cef_browser_process_handler_t;
typedef struct _cef_client_t cef_client_t;
typedef struct _cef_life_span_handler_t cef_life_span_handler_t;
typedef struct _cef_keyboard_handler_t cef_keyboard_handler_t;
typedef struct _cef_load_handler_t cef_load_handler_t;
typedef struct _cef_request_handler_t cef_request_handler_t;
typedef struct _cef_completion_callback_t cef_completion_callback_t;
typedef struct _cef_command_line_t cef_command_line_t;
typedef struct _cef_browser_t cef_browser_t;
typedef struct _cef_browser_host_t cef_browser_host_t;
typedef struct _cef_frame_t cef_frame_t;
typedef struct _cef_request_context_t cef_request_context_t;
typedef struct _cef_cookie_manager_t cef_cookie_manager_t;
typedef struct _cef_waitable_event_t cef_waitable_event_t;
typedef struct _cef_value_t cef_value_t;
typedef struct _cef_dictionary_value_t cef_dictionary_value_t;
typedef struct _cef_request_t cef_request_t;

struct _cef_base_ref_counted_t {
  size_t size;
  void (CEF_CALLBACK* add_ref)(cef_base_ref_counted_t* self);
  int (CEF_CALLBACK* release)(cef_base_ref_counted_t* self);
  int (CEF_CALLBACK* has_one_ref)(cef_base_ref_counted_t* self);
  int (CEF_CALLBACK* has_at_least_one_ref)(cef_base_ref_counted_t* self);
};

struct _cef_main_args_t {
  HINSTANCE instance;
};

struct _cef_settings_t {
  size_t size;
  int no_sandbox;
  cef_string_utf16_t browser_subprocess_path;
  cef_string_utf16_t framework_dir_path;
  int multi_threaded_message_loop;
  int external_message_pump;
  int windowless_rendering_enabled;
  int command_line_args_disabled;
  cef_string_utf16_t cache_path;
  cef_string_utf16_t user_data_path;
  int persist_session_cookies;
  int persist_user_preferences;
  cef_string_utf16_t user_agent;
  cef_string_utf16_t product_version;
  cef_string_utf16_t locale;
  cef_string_utf16_t log_file;
  cef_log_severity_t log_severity;
  cef_string_utf16_t javascript_flags;
  cef_string_utf16_t resources_dir_path;
  cef_string_utf16_t locales_dir_path;
  int pack_loading_disabled;
  int remote_debugging_port;
  int uncaught_exception_stack_size;
  int ignore_certificate_errors;
  int enable_net_security_expiration;
  cef_color_t background_color;
  cef_string_utf16_t accept_language_list;
};

struct _cef_window_info_t {
  DWORD ex_style;
  cef_string_utf16_t window_name;
  DWORD style;
  int x;
  int y;
  int width;
  int height;
  HWND parent_window;
  HMENU menu;
  int windowless_rendering_enabled;
  int shared_texture_enabled;
  int external_begin_frame_enabled;
  HWND window;
};

struct _cef_browser_settings_t {
  size_t size;
  int windowless_frame_rate;
  cef_string_utf16_t standard_font_family;
  cef_string_utf16_t fixed_font_family;
  cef_string_utf16_t serif_font_family;
  cef_string_utf16_t sans_serif_font_family;
  cef_string_utf16_t cursive_font_family;
  cef_string_utf16_t fantasy_font_family;
  int default_font_size;
  int default_fixed_font_size;
  int minimum_font_size;
  int minimum_logical_font_size;
  cef_string_utf16_t default_encoding;
  cef_state_t remote_fonts;
  cef_state_t javascript;
  cef_state_t javascript_close_windows;
  cef_state_t javascript_access_clipboard;
  cef_state_t javascript_dom_paste;
  cef_state_t plugins;
  cef_state_t universal_access_from_file_urls;
  cef_state_t file_access_from_file_urls;
  cef_state_t web_security;
  cef_state_t image_loading;
  cef_state_t image_shrink_standalone_to_fit;
  cef_state_t text_area_resize;
  cef_state_t tab_to_links;
  cef_state_t local_storage;
  cef_state_t databases;
  cef_state_t application_cache;
  cef_state_t webgl;
  cef_color_t background_color;
  cef_string_utf16_t accept_language_list;
};

struct _cef_popup_features_t {
  int x;
  int xSet;
  int y;
  int ySet;
  int width;
  int widthSet;
  int height;
  int heightSet;
  int menuBarVisible;
  int statusBarVisible;
  int toolBarVisible;
  int scrollbarsVisible;
};

struct _cef_key_event_t {
  cef_key_event_type_t type;
  uint32 modifiers;
  int windows_key_code;
  int native_key_code;
  int is_system_key;
  char16 character;
  char16 unmodified_character;
  int focus_on_editable_field;
};

struct _cef_rect_t {
  int x;
  int y;
  int width;
  int height;
};

struct _cef_app_t {
  cef_base_ref_counted_t base;
  void (CEF_CALLBACK* on_before_command_line_processing)(cef_app_t* self, const cef_string_t* process_type, cef_command_line_t* command_line);
  void (CEF_CALLBACK* on_register_custom_schemes)(cef_app_t* self, cef_scheme_registrar_t* registrar);
  cef_resource_bundle_handler_t* (CEF_CALLBACK* get_resource_bundle_handler)(cef_app_t* self);
  cef_browser_process_handler_t* (CEF_CALLBACK* get_browser_process_handler)(cef_app_t* self);
  cef_render_process_handler_t* (CEF_CALLBACK* get_render_process_handler)(cef_app_t* self);
};

struct _cef_browser_process_handler_t {
  cef_base_ref_counted_t base;
  void (CEF_CALLBACK* on_context_initialized)(cef_browser_process_handler_t* self);
  void (CEF_CALLBACK* on_before_child_process_launch)(cef_browser_process_handler_t* self, cef_command_line_t* command_line);
  void (CEF_CALLBACK* on_render_process_thread_created)(cef_browser_process_handler_t* self, cef_list_value_t* extra_info);
  cef_print_handler_t* (CEF_CALLBACK* get_print_handler)(cef_browser_process_handler_t* self);
  void (CEF_CALLBACK* on_schedule_message_pump_work)(cef_browser_process_handler_t* self, int64 delay_ms);
};

struct _cef_client_t {
  cef_base_ref_counted_t base;
  cef_audio_handler_t* (CEF_CALLBACK* get_audio_handler)(cef_client_t* self);
  cef_context_menu_handler_t* (CEF_CALLBACK* get_context_menu_handler)(cef_client_t* self);
  cef_dialog_handler_t* (CEF_CALLBACK* get_dialog_handler)(cef_client_t* self);
  cef_display_handler_t* (CEF_CALLBACK* get_display_handler)(cef_client_t* self);
  cef_download_handler_t* (CEF_CALLBACK* get_download_handler)(cef_client_t* self);
  cef_drag_handler_t* (CEF_CALLBACK* get_drag_handler)(cef_client_t* self);
  cef_find_handler_t* (CEF_CALLBACK* get_find_handler)(cef_client_t* self);
  cef_focus_handler_t* (CEF_CALLBACK* get_focus_handler)(cef_client_t* self);
  cef_jsdialog_handler_t* (CEF_CALLBACK* get_jsdialog_handler)(cef_client_t* self);
  cef_keyboard_handler_t* (CEF_CALLBACK* get_keyboard_handler)(cef_client_t* self);
  cef_life_span_handler_t* (CEF_CALLBACK* get_life_span_handler)(cef_client_t* self);
  cef_load_handler_t* (CEF_CALLBACK* get_load_handler)(cef_client_t* self);
  cef_render_handler_t* (CEF_CALLBACK* get_render_handler)(cef_client_t* self);
  cef_request_handler_t* (CEF_CALLBACK* get_request_handler)(cef_client_t* self);
  int (CEF_CALLBACK* on_process_message_received)(cef_client_t* self, cef_browser_t* browser, cef_process_id_t source_process, cef_process_message_t* message);
};

struct _cef_life_span_handler_t {
  cef_base_ref_counted_t base;
  int (CEF_CALLBACK* on_before_popup)(cef_life_span_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* target_url, const cef_string_t* target_frame_name, cef_window_open_disposition_t target_disposition, int user_gesture, const cef_popup_features_t* popupFeatures, cef_window_info_t* windowInfo, cef_client_t** client, cef_browser_settings_t* settings, int* no_javascript_access);
  void (CEF_CALLBACK* on_after_created)(cef_life_span_handler_t* self, cef_browser_t* browser);
  int (CEF_CALLBACK* do_close)(cef_life_span_handler_t* self, cef_browser_t* browser);
  void (CEF_CALLBACK* on_before_close)(cef_life_span_handler_t* self, cef_browser_t* browser);
};

struct _cef_keyboard_handler_t {
  cef_base_ref_counted_t base;
  int (CEF_CALLBACK* on_pre_key_event)(cef_keyboard_handler_t* self, cef_browser_t* browser, const cef_key_event_t* event, cef_event_handle_t os_event, int* is_keyboard_shortcut);
  int (CEF_CALLBACK* on_key_event)(cef_keyboard_handler_t* self, cef_browser_t* browser, const cef_key_event_t* event, cef_event_handle_t os_event);
};

struct _cef_load_handler_t {
  cef_base_ref_counted_t base;
  void (CEF_CALLBACK* on_loading_state_change)(cef_load_handler_t* self, cef_browser_t* browser, int isLoading, int canGoBack, int canGoForward);
  void (CEF_CALLBACK* on_load_start)(cef_load_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_transition_type_t transition_type);
  void (CEF_CALLBACK* on_load_end)(cef_load_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, int httpStatusCode);
  void (CEF_CALLBACK* on_load_error)(cef_load_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_errorcode_t errorCode, const cef_string_t* errorText, const cef_string_t* failedUrl);
};

struct _cef_request_handler_t {
  cef_base_ref_counted_t base;
  int (CEF_CALLBACK* on_before_browse)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, int user_gesture, int is_redirect);
  int (CEF_CALLBACK* on_open_urlfrom_tab)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* target_url, cef_window_open_disposition_t target_disposition, int user_gesture);
  cef_return_value_t (CEF_CALLBACK* on_before_resource_load)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, cef_request_callback_t* callback);
  cef_resource_handler_t* (CEF_CALLBACK* get_resource_handler)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request);
  void (CEF_CALLBACK* on_resource_redirect)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, cef_response_t* response, cef_string_t* new_url);
  int (CEF_CALLBACK* on_resource_response)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, cef_response_t* response);
  cef_response_filter_t* (CEF_CALLBACK* get_resource_response_filter)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, cef_response_t* response);
  void (CEF_CALLBACK* on_resource_load_complete)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, cef_response_t* response, cef_urlrequest_status_t status, int64 received_content_length);
  int (CEF_CALLBACK* get_auth_credentials)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, int isProxy, const cef_string_t* host, int port, const cef_string_t* realm, const cef_string_t* scheme, cef_auth_callback_t* callback);
  int (CEF_CALLBACK* can_get_cookies)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request);
  int (CEF_CALLBACK* can_set_cookie)(cef_request_handler_t* self, cef_browser_t* browser, cef_frame_t* frame, cef_request_t* request, const cef_cookie_t* cookie);
  int (CEF_CALLBACK* on_quota_request)(cef_request_handler_t* self, cef_browser_t* browser, const cef_string_t* origin_url, int64 new_size, cef_request_callback_t* callback);
  void (CEF_CALLBACK* on_protocol_execution)(cef_request_handler_t* self, cef_browser_t* browser, const cef_string_t* url, int* allow_os_execution);
  int (CEF_CALLBACK* on_certificate_error)(cef_request_handler_t* self, cef_browser_t* browser, cef_errorcode_t cert_error, const cef_string_t* request_url, cef_sslinfo_t* ssl_info, cef_request_callback_t* callback);
  int (CEF_CALLBACK* on_select_client_certificate)(cef_request_handler_t* self, cef_browser_t* browser, int isProxy, const cef_string_t* host, int port, size_t certificatesCount, cef_x509certificate_t* const* certificates, cef_select_client_certificate_callback_t* callback);
  void (CEF_CALLBACK* on_plugin_crashed)(cef_request_handler_t* self, cef_browser_t* browser, const cef_string_t* plugin_path);
  void (CEF_CALLBACK* on_render_view_ready)(cef_request_handler_t* self, cef_browser_t* browser);
  void (CEF_CALLBACK* on_render_process_terminated)(cef_request_handler_t* self, cef_browser_t* browser, cef_termination_status_t status);
};

struct _cef_completion_callback_t {
  cef_base_ref_counted_t base;
  void (CEF_CALLBACK* on_complete)(cef_completion_callback_t* self);
};

struct _cef_command_line_t {
  cef_base_ref_counted_t base;
  int (CEF_CALLBACK* is_valid)(cef_command_line_t* self);
  int (CEF_CALLBACK* is_read_only)(cef_command_line_t* self);
  cef_command_line_t* (CEF_CALLBACK* copy)(cef_command_line_t* self);
  void (CEF_CALLBACK* init_from_argv)(cef_command_line_t* self, int argc, const char* const* argv);
  void (CEF_CALLBACK* init_from_string)(cef_command_line_t* self, const cef_string_t* command_line);
  void (CEF_CALLBACK* reset)(cef_command_line_t* self);
  void (CEF_CALLBACK* get_argv)(cef_command_line_t* self, cef_string_list_t argv);
  cef_string_userfree_t (CEF_CALLBACK* get_command_line_string)(cef_command_line_t* self);
  cef_string_userfree_t (CEF_CALLBACK* get_program)(cef_command_line_t* self);
  void (CEF_CALLBACK* set_program)(cef_command_line_t* self, const cef_string_t* program);
  int (CEF_CALLBACK* has_switches)(cef_command_line_t* self);
  int (CEF_CALLBACK* has_switch)(cef_command_line_t* self, const cef_string_t* name);
  cef_string_userfree_t (CEF_CALLBACK* get_switch_value)(cef_command_line_t* self, const cef_string_t* name);
  void (CEF_CALLBACK* get_switches)(cef_command_line_t* self, cef_string_map_t switches);
  void (CEF_CALLBACK* append_switch)(cef_command_line_t* self, const cef_string_t* name);
  void (CEF_CALLBACK* append_switch_with_value)(cef_command_line_t* self, const cef_string_t* name, const cef_string_t* value);
  int (CEF_CALLBACK* has_arguments)(cef_command_line_t* self);
  void (CEF_CALLBACK* get_arguments)(cef_command_line_t* self, cef_string_list_t arguments);
  void (CEF_CALLBACK* append_argument)(cef_command_line_t* self, const cef_string_t* argument);
  void (CEF_CALLBACK* prepend_wrapper)(cef_command_line_t* self, const cef_string_t* wrapper);
};

struct _cef_browser_t {
  cef_base_ref_counted_t base;
  cef_browser_host_t* (CEF_CALLBACK* get_host)(cef_browser_t* self);
  int (CEF_CALLBACK* can_go_back)(cef_browser_t* self);
  void (CEF_CALLBACK* go_back)(cef_browser_t* self);
  int (CEF_CALLBACK* can_go_forward)(cef_browser_t* self);
  void (CEF_CALLBACK* go_forward)(cef_browser_t* self);
  int (CEF_CALLBACK* is_loading)(cef_browser_t* self);
  void (CEF_CALLBACK* reload)(cef_browser_t* self);
  void (CEF_CALLBACK* reload_ignore_cache)(cef_browser_t* self);
  void (CEF_CALLBACK* stop_load)(cef_browser_t* self);
  int (CEF_CALLBACK* get_identifier)(cef_browser_t* self);
  int (CEF_CALLBACK* is_same)(cef_browser_t* self, cef_browser_t* that);
  int (CEF_CALLBACK* is_popup)(cef_browser_t* self);
  int (CEF_CALLBACK* has_document)(cef_browser_t* self);
  cef_frame_t* (CEF_CALLBACK* get_main_frame)(cef_browser_t* self);
  cef_frame_t* (CEF_CALLBACK* get_focused_frame)(cef_browser_t* self);
  cef_frame_t* (CEF_CALLBACK* get_frame_byident)(cef_browser_t* self, int64 identifier);
  cef_frame_t* (CEF_CALLBACK* get_frame)(cef_browser_t* self, const cef_string_t* name);
  size_t (CEF_CALLBACK* get_frame_count)(cef_browser_t* self);
  void (CEF_CALLBACK* get_frame_identifiers)(cef_browser_t* self, size_t* identifiersCount, int64* identifiers);
  void (CEF_CALLBACK* get_frame_names)(cef_browser_t* self, cef_string_list_t names);
  int (CEF_CALLBACK* send_process_message)(cef_browser_t* self, cef_process_id_t target_process, cef_process_message_t* message);
};

struct _cef_browser_host_t {
  cef_base_ref_counted_t base;
  cef_browser_t* (CEF_CALLBACK* get_browser)(cef_browser_host_t* self);
  void (CEF_CALLBACK* close_browser)(cef_browser_host_t* self, int force_close);
  int (CEF_CALLBACK* try_close_browser)(cef_browser_host_t* self);
  void (CEF_CALLBACK* set_focus)(cef_browser_host_t* self, int focus);
  cef_window_handle_t (CEF_CALLBACK* get_window_handle)(cef_browser_host_t* self);
  cef_window_handle_t (CEF_CALLBACK* get_opener_window_handle)(cef_browser_host_t* self);
  int (CEF_CALLBACK* has_view)(cef_browser_host_t* self);
  cef_client_t* (CEF_CALLBACK* get_client)(cef_browser_host_t* self);
  cef_request_context_t* (CEF_CALLBACK* get_request_context)(cef_browser_host_t* self);
  double (CEF_CALLBACK* get_zoom_level)(cef_browser_host_t* self);
  void (CEF_CALLBACK* set_zoom_level)(cef_browser_host_t* self, double zoomLevel);
  void (CEF_CALLBACK* run_file_dialog)(cef_browser_host_t* self, cef_file_dialog_mode_t mode, const cef_string_t* title, const cef_string_t* default_file_path, cef_string_list_t accept_filters, int selected_accept_filter, cef_run_file_dialog_callback_t* callback);
  void (CEF_CALLBACK* start_download)(cef_browser_host_t* self, const cef_string_t* url);
  void (CEF_CALLBACK* download_image)(cef_browser_host_t* self, const cef_string_t* image_url, int is_favicon, uint32 max_image_size, int bypass_cache, cef_download_image_callback_t* callback);
  void (CEF_CALLBACK* print)(cef_browser_host_t* self);
  void (CEF_CALLBACK* print_to_pdf)(cef_browser_host_t* self, const cef_string_t* path, const cef_pdf_print_settings_t* settings, cef_pdf_print_callback_t* callback);
  void (CEF_CALLBACK* find)(cef_browser_host_t* self, int identifier, const cef_string_t* searchText, int forward, int matchCase, int findNext);
  void (CEF_CALLBACK* stop_finding)(cef_browser_host_t* self, int clearSelection);
  void (CEF_CALLBACK* show_dev_tools)(cef_browser_host_t* self, const cef_window_info_t* windowInfo, cef_client_t* client, const cef_browser_settings_t* settings, const cef_point_t* inspect_element_at);
  void (CEF_CALLBACK* close_dev_tools)(cef_browser_host_t* self);
  int (CEF_CALLBACK* has_dev_tools)(cef_browser_host_t* self);
  void (CEF_CALLBACK* get_navigation_entries)(cef_browser_host_t* self, cef_navigation_entry_visitor_t* visitor, int current_only);
  void (CEF_CALLBACK* set_mouse_cursor_change_disabled)(cef_browser_host_t* self, int disabled);
  int (CEF_CALLBACK* is_mouse_cursor_change_disabled)(cef_browser_host_t* self);
  void (CEF_CALLBACK* replace_misspelling)(cef_browser_host_t* self, const cef_string_t* word);
  void (CEF_CALLBACK* add_word_to_dictionary)(cef_browser_host_t* self, const cef_string_t* word);
  int (CEF_CALLBACK* is_window_rendering_disabled)(cef_browser_host_t* self);
  void (CEF_CALLBACK* was_resized)(cef_browser_host_t* self);
  void (CEF_CALLBACK* was_hidden)(cef_browser_host_t* self, int hidden);
  void (CEF_CALLBACK* notify_screen_info_changed)(cef_browser_host_t* self);
  void (CEF_CALLBACK* invalidate)(cef_browser_host_t* self, cef_paint_element_type_t type);
  void (CEF_CALLBACK* send_external_begin_frame)(cef_browser_host_t* self);
  void (CEF_CALLBACK* send_key_event)(cef_browser_host_t* self, const cef_key_event_t* event);
  void (CEF_CALLBACK* send_mouse_click_event)(cef_browser_host_t* self, const cef_mouse_event_t* event, cef_mouse_button_type_t type, int mouseUp, int clickCount);
  void (CEF_CALLBACK* send_mouse_move_event)(cef_browser_host_t* self, const cef_mouse_event_t* event, int mouseLeave);
  void (CEF_CALLBACK* send_mouse_wheel_event)(cef_browser_host_t* self, const cef_mouse_event_t* event, int deltaX, int deltaY);
  void (CEF_CALLBACK* send_touch_event)(cef_browser_host_t* self, const cef_touch_event_t* event);
  void (CEF_CALLBACK* send_focus_event)(cef_browser_host_t* self, int setFocus);
  void (CEF_CALLBACK* send_capture_lost_event)(cef_browser_host_t* self);
  void (CEF_CALLBACK* notify_move_or_resize_started)(cef_browser_host_t* self);
  int (CEF_CALLBACK* get_windowless_frame_rate)(cef_browser_host_t* self);
  void (CEF_CALLBACK* set_windowless_frame_rate)(cef_browser_host_t* self, int frame_rate);
  void (CEF_CALLBACK* ime_set_composition)(cef_browser_host_t* self, const cef_string_t* text, size_t underlinesCount, cef_composition_underline_t const* underlines, const cef_range_t* replacement_range, const cef_range_t* selection_range);
  void (CEF_CALLBACK* ime_commit_text)(cef_browser_host_t* self, const cef_string_t* text, const cef_range_t* replacement_range, int relative_cursor_pos);
  void (CEF_CALLBACK* ime_finish_composing_text)(cef_browser_host_t* self, int keep_selection);
  void (CEF_CALLBACK* ime_cancel_composition)(cef_browser_host_t* self);
  void (CEF_CALLBACK* drag_target_drag_enter)(cef_browser_host_t* self, cef_drag_data_t* drag_data, const cef_mouse_event_t* event, cef_drag_operations_mask_t allowed_ops);
  void (CEF_CALLBACK* drag_target_drag_over)(cef_browser_host_t* self, const cef_mouse_event_t* event, cef_drag_operations_mask_t allowed_ops);
  void (CEF_CALLBACK* drag_target_drag_leave)(cef_browser_host_t* self);
  void (CEF_CALLBACK* drag_target_drop)(cef_browser_host_t* self, const cef_mouse_event_t* event);
  void (CEF_CALLBACK* drag_source_ended_at)(cef_browser_host_t* self, int x, int y, cef_drag_operations_mask_t op);
  void (CEF_CALLBACK* drag_source_system_drag_ended)(cef_browser_host_t* self);
  cef_navigation_entry_t* (CEF_CALLBACK* get_visible_navigation_entry)(cef_browser_host_t* self);
  void (CEF_CALLBACK* set_accessibility_state)(cef_browser_host_t* self, cef_state_t accessibility_state);
  void (CEF_CALLBACK* set_auto_resize_enabled)(cef_browser_host_t* self, int enabled, const cef_size_t* min_size, const cef_size_t* max_size);
  cef_extension_t* (CEF_CALLBACK* get_extension)(cef_browser_host_t* self);
  int (CEF_CALLBACK* is_background_host)(cef_browser_host_t* self);
  void (CEF_CALLBACK* set_audio_muted)(cef_browser_host_t* self, int mute);
  int (CEF_CALLBACK* is_audio_muted)(cef_browser_host_t* self);
};

struct _cef_frame_t {
  cef_base_ref_counted_t base;
  int (CEF_CALLBACK* is_valid)(cef_frame_t* self);
  void (CEF_CALLBACK* undo)(cef_frame_t* self);
  void (CEF_CALLBACK* redo)(cef_frame_t* self);
  void (CEF_CALLBACK* cut)(cef_frame_t* self);
  void (CEF_CALLBACK* copy)(cef_frame_t* self);
  void (CEF_CALLBACK* paste)(cef_frame_t* self);
  void (CEF_CALLBACK* del)(cef_frame_t* self);
  void (CEF_CALLBACK* select_all)(cef_frame_t* self);
  void (CEF_CALLBACK* view_source)(cef_frame_t* self);
  void (CEF_CALLBACK* get_source)(cef_frame_t* self, cef_string_visitor_t* visitor);
  void (CEF_CALLBACK* get_text)(cef_frame_t* self, cef_string_visitor_t* visitor);
  void (CEF_CALLBACK* load_request)(cef_frame_t* self, cef_request_t* request);
  void (CEF_CALLBACK* load_url)(cef_frame_t* self, const cef_string_t* url);
  void (CEF_CALLBACK* load_string)(cef_frame_t* self, const cef_string_t* string_val, const cef_string_t* url);
  void (CEF_CALLBACK* execute_java_script)(cef_frame_t* self, const cef_string_t* code, const cef_string_t* script_url, int start_line);
  int (CEF_CALLBACK* is_main)(cef_frame_t* self);
  int (CEF_CALLBACK* is_focused)(cef_frame_t* self);
  cef_string_userfree_t (CEF_CALLBACK* get_name)(cef_frame_t* self);
  int64 (CEF_CALLBACK* get_identifier)(cef_frame_t* self);
  cef_frame_t* (CEF_CALLBACK* get_parent)(cef_frame_t* self);
  cef_string_userfree_t (CEF_CALLBACK* get_url)(cef_frame_t* self);
  cef_browser_t* (CEF_CALLBACK* get_browser)(cef_frame_t* self);
  cef_v8context_t* (CEF_CALLBACK* get_v8context)(cef_frame_t* self);
  void (CEF_CALLBACK* visit_dom)(cef_frame_t* self, cef_domvisitor_t* visitor);
};

struct _cef_request_context_t {
  cef_base_ref_counted_t base;
  int (CEF_CALLBACK* is_same)(cef_request_context_t* self, cef_request_context_t* other);
  int (CEF_CALLBACK* is_sharing_with)(cef_request_context_t* self, cef_request_context_t* other);
  int (CEF_CALLBACK* is_global)(cef_request_context_t* self);
  cef_request_context_handler_t* (CEF_CALLBACK* get_handler)(cef_request_context_t* self);
  cef_string_userfree_t (CEF_CALLBACK* get_cache_path)(cef_request_context_t* self);
  cef_cookie_manager_t* (CEF_CALLBACK* get_default_cookie_manager)(cef_request_context_t* self, cef_completion_callback_t* callback);
  int (CEF_CALLBACK* register_scheme_handler_factory)(cef_request_context_t* self, const cef_string_t* scheme_name, const cef_string_t* domain_name, cef_scheme_handler_factory_t* factory);
  int (CEF_CALLBACK* clear_scheme_handler_factories)(cef_request_context_t* self);
  void (CEF_CALLBACK* purge_plugin_list_cache)(cef_request_context_t* self, int reload_pages);
  int (CEF_CALLBACK* has_preference)(cef_request_context_t* self, const cef_string_t* name);
  cef_value_t* (CEF_CALLBACK* get_preference)(cef_request_context_t* self, const cef_string_t* name);
  cef_dictionary_value_t* (CEF_CALLBACK* get_all_preferences)(cef_request_context_t* self, int include_defaults);
  int (CEF_CALLBACK* can_set_preference)(cef_request_context_t* self, const cef_string_t* name);
  int (CEF_CALLBACK* set_preference)(cef_request_context_t* self, const cef_string_t* name, cef_value_t* value, cef_string_t* error);
  void (CEF_CALLBACK* clear_certificate_exceptions)(cef_request_context_t* self, cef_completion_callback_t* callback);
  void (CEF_CALLBACK* close_all_connections)(cef_request_context_t* self, cef_completion_callback_t* callback);
  void (CEF_CALLBACK* resolve_host)(cef_request_context_t* self, const cef_string_t* origin, cef_resolve_callback_t* callback);
  void (CEF_CALLBACK* load_extension)(cef_request_context_t* self, const cef_string_t* root_directory, cef_dictionary_value_t* manifest, cef_extension_handler_t* handler);
  int (CEF_CALLBACK* did_load_extension)(cef_request_context_t* self, const cef_string_t* extension_id);
  int (CEF_CALLBACK* has_extension)(cef_request_context_t* self, const cef_string_t* extension_id);
  int (CEF_CALLBACK* get_extensions)(cef_request_context_t* self, cef_string_list_t extension_ids);
  cef_extension_t* (CEF_CALLBACK* get_extension)(cef_request_context_t* self, const cef_string_t* extension_id);
};

struct _cef_cookie_manager_t {
  cef_base_ref_counted_t base;
  void (CEF_CALLBACK* set_supported_schemes)(cef_cookie_manager_t* self, cef_string_list_t schemes, cef_completion_callback_t* callback);
  int (CEF_CALLBACK* visit_all_cookies)(cef_cookie_manager_t* self, cef_cookie_visitor_t* visitor);
  int (CEF_CALLBACK* visit_url_cookies)(cef_cookie_manager_t* self, const cef_string_t* url, int includeHttpOnly, cef_cookie_visitor_t* visitor);
  int (CEF_CALLBACK* set_cookie)(cef_cookie_manager_t* self, const cef_string_t* url, const cef_cookie_t* cookie, cef_set_cookie_callback_t* callback);
  int (CEF_CALLBACK* delete_cookies)(cef_cookie_manager_t* self, const cef_string_t* url, const cef_string_t* cookie_name, cef_delete_cookies_callback_t* callback);
  int (CEF_CALLBACK* set_storage_path)(cef_cookie_manager_t* self, const cef_string_t* path, int persist_session_cookies, cef_completion_callback_t* callback);
  int (CEF_CALLBACK* flush_store)(cef_cookie_manager_t* self, cef_completion_callback_t* callback);
};

struct _cef_waitable_event_t {
  cef_base_ref_counted_t base;
  void (CEF_CALLBACK* reset)(cef_waitable_event_t* self);
  void (CEF_CALLBACK* signal)(cef_waitable_event_t* self);
  int (CEF_CALLBACK* is_signaled)(cef_waitable_event_t* self);
  void (CEF_CALLBACK* wait)(cef_waitable_event_t* self);
  int (CEF_CALLBACK* timed_wait)(cef_waitable_event_t* self, int64 max_ms);
};

struct _cef_value_t {
  cef_base_ref_counted_t base;
  int (CEF_CALLBACK* is_valid)(cef_value_t* self);
  int (CEF_CALLBACK* is_owned)(cef_value_t* self);
  int (CEF_CALLBACK* is_read_only)(cef_value_t* self);
  int (CEF_CALLBACK* is_same)(cef_value_t* self, cef_value_t* that);
  int (CEF_CALLBACK* is_equal)(cef_value_t* self, cef_value_t* that);
  cef_value_t* (CEF_CALLBACK* copy)(cef_value_t* self);
  cef_value_type_t (CEF_CALLBACK* get_type)(cef_value_t* self);
  int (CEF_CALLBACK* get_bool)(cef_value_t* self);
  int (CEF_CALLBACK* get_int)(cef_value_t* self);
  double (CEF_CALLBACK* get_double)(cef_value_t* self);
  cef_string_userfree_t (CEF_CALLBACK* get_string)(cef_value_t* self);
  cef_binary_value_t* (CEF_CALLBACK* get_binary)(cef_value_t* self);
  cef_dictionary_value_t* (CEF_CALLBACK* get_dictionary)(cef_value_t* self);
  cef_list_value_t* (CEF_CALLBACK* get_list)(cef_value_t* self);
  int (CEF_CALLBACK* set_null)(cef_value_t* self);
  int (CEF_CALLBACK* set_bool)(cef_value_t* self, int value);
  int (CEF_CALLBACK* set_int)(cef_value_t* self, int value);
  int (CEF_CALLBACK* set_double)(cef_value_t* self, double value);
  int (CEF_CALLBACK* set_string)(cef_value_t* self, const cef_string_t* value);
  int (CEF_CALLBACK* set_binary)(cef_value_t* self, cef_binary_value_t* value);
  int (CEF_CALLBACK* set_dictionary)(cef_value_t* self, cef_dictionary_value_t* value);
  int (CEF_CALLBACK* set_list)(cef_value_t* self, cef_list_value_t* value);
};

struct _cef_dictionary_value_t {
  cef_base_ref_counted_t base;
  int (CEF_CALLBACK* is_valid)(cef_dictionary_value_t* self);
  int (CEF_CALLBACK* is_owned)(cef_dictionary_value_t* self);
  int (CEF_CALLBACK* is_read_only)(cef_dictionary_value_t* self);
  int (CEF_CALLBACK* is_same)(cef_dictionary_value_t* self, cef_dictionary_value_t* that);
  int (CEF_CALLBACK* is_equal)(cef_dictionary_value_t* self, cef_dictionary_value_t* that);
  cef_dictionary_value_t* (CEF_CALLBACK* copy)(cef_dictionary_value_t* self, int exclude_empty_children);
  size_t (CEF_CALLBACK* get_size)(cef_dictionary_value_t* self);
  int (CEF_CALLBACK* clear)(cef_dictionary_value_t* self);
  int (CEF_CALLBACK* has_key)(cef_dictionary_value_t* self, const cef_string_t* key);
  int (CEF_CALLBACK* get_keys)(cef_dictionary_value_t* self, cef_string_list_t keys);
  int (CEF_CALLBACK* remove)(cef_dictionary_value_t* self, const cef_string_t* key);
  cef_value_type_t (CEF_CALLBACK* get_type)(cef_dictionary_value_t* self, const cef_string_t* key);
  cef_value_t* (CEF_CALLBACK* get_value)(cef_dictionary_value_t* self, const cef_string_t* key);
  int (CEF_CALLBACK* get_bool)(cef_dictionary_value_t* self, const cef_string_t* key);
  int (CEF_CALLBACK* get_int)(cef_dictionary_value_t* self, const cef_string_t* key);
  double (CEF_CALLBACK* get_double)(cef_dictionary_value_t* self, const cef_string_t* key);
  cef_string_userfree_t (CEF_CALLBACK* get_string)(cef_dictionary_value_t* self, const cef_string_t* key);
  cef_binary_value_t* (CEF_CALLBACK* get_binary)(cef_dictionary_value_t* self, const cef_string_t* key);
  cef_dictionary_value_t* (CEF_CALLBACK* get_dictionary)(cef_dictionary_value_t* self, const cef_string_t* key);
  cef_list_value_t* (CEF_CALLBACK* get_list)(cef_dictionary_value_t* self, const cef_string_t* key);
  int (CEF_CALLBACK* set_value)(cef_dictionary_value_t* self, const cef_string_t* key, cef_value_t* value);
  int (CEF_CALLBACK* set_null)(cef_dictionary_value_t* self, const cef_string_t* key);
  int (CEF_CALLBACK* set_bool)(cef_dictionary_value_t* self, const cef_string_t* key, int value);
  int (CEF_CALLBACK* set_int)(cef_dictionary_value_t* self, const cef_string_t* key, int value);
  int (CEF_CALLBACK* set_double)(cef_dictionary_value_t* self, const cef_string_t* key, double value);
  int (CEF_CALLBACK* set_string)(cef_dictionary_value_t* self, const cef_string_t* key, const cef_string_t* value);
  int (CEF_CALLBACK* set_binary)(cef_dictionary_value_t* self, const cef_string_t* key, cef_binary_value_t* value);
  int (CEF_CALLBACK* set_dictionary)(cef_dictionary_value_t* self, const cef_string_t* key, cef_dictionary_value_t* value);
  int (CEF_CALLBACK* set_list)(cef_dictionary_value_t* self, const cef_string_t* key, cef_list_value_t* value);
};

struct _cef_request_t {
  cef_base_ref_counted_t base;
  int (CEF_CALLBACK* is_read_only)(cef_request_t* self);
  cef_string_userfree_t (CEF_CALLBACK* get_url)(cef_request_t* self);
  void (CEF_CALLBACK* set_url)(cef_request_t* self, const cef_string_t* url);
  cef_string_userfree_t (CEF_CALLBACK* get_method)(cef_request_t* self);
  void (CEF_CALLBACK* set_method)(cef_request_t* self, const cef_string_t* method);
  void (CEF_CALLBACK* set_referrer)(cef_request_t* self, const cef_string_t* referrer_url, cef_referrer_policy_t policy);
  cef_string_userfree_t (CEF_CALLBACK* get_referrer_url)(cef_request_t* self);
  cef_referrer_policy_t (CEF_CALLBACK* get_referrer_policy)(cef_request_t* self);
  cef_post_data_t* (CEF_CALLBACK* get_post_data)(cef_request_t* self);
  void (CEF_CALLBACK* set_post_data)(cef_request_t* self, cef_post_data_t* postData);
  void (CEF_CALLBACK* get_header_map)(cef_request_t* self, cef_string_multimap_t headerMap);
  void (CEF_CALLBACK* set_header_map)(cef_request_t* self, cef_string_multimap_t headerMap);
  void (CEF_CALLBACK* set)(cef_request_t* self, const cef_string_t* url, const cef_string_t* method, cef_post_data_t* postData, cef_string_multimap_t headerMap);
  int (CEF_CALLBACK* get_flags)(cef_request_t* self);
  void (CEF_CALLBACK* set_flags)(cef_request_t* self, int flags);
  cef_string_userfree_t (CEF_CALLBACK* get_first_party_for_cookies)(cef_request_t* self);
  void (CEF_CALLBACK* set_first_party_for_cookies)(cef_request_t* self, const cef_string_t* url);
  cef_resource_type_t (CEF_CALLBACK* get_resource_type)(cef_request_t* self);
  cef_transition_type_t (CEF_CALLBACK* get_transition_type)(cef_request_t* self);
  uint64 (CEF_CALLBACK* get_identifier)(cef_request_t* self);
};

#ifdef __cplusplus
}  // extern "C"
#endif

// Layout checks against the engine's 32-bit ABI.
static_assert(sizeof(cef_transition_type_t) == 4, "cef_transition_type_t size");
static_assert(sizeof(cef_errorcode_t) == 4, "cef_errorcode_t size");
static_assert(sizeof(cef_base_ref_counted_t) == 20, "cef_base_ref_counted_t size");
static_assert(offsetof(cef_base_ref_counted_t, size) == 0, "cef_base_ref_counted_t.size");
static_assert(offsetof(cef_base_ref_counted_t, add_ref) == 4, "cef_base_ref_counted_t.add_ref");
static_assert(offsetof(cef_base_ref_counted_t, release) == 8, "cef_base_ref_counted_t.release");
static_assert(offsetof(cef_base_ref_counted_t, has_one_ref) == 12, "cef_base_ref_counted_t.has_one_ref");
static_assert(offsetof(cef_base_ref_counted_t, has_at_least_one_ref) == 16, "cef_base_ref_counted_t.has_at_least_one_ref");
static_assert(sizeof(cef_string_utf16_t) == 12, "cef_string_utf16_t size");
static_assert(offsetof(cef_string_utf16_t, str) == 0, "cef_string_utf16_t.str");
static_assert(offsetof(cef_string_utf16_t, length) == 4, "cef_string_utf16_t.length");
static_assert(offsetof(cef_string_utf16_t, dtor) == 8, "cef_string_utf16_t.dtor");
static_assert(sizeof(cef_main_args_t) == 4, "cef_main_args_t size");
static_assert(offsetof(cef_main_args_t, instance) == 0, "cef_main_args_t.instance");
static_assert(sizeof(cef_settings_t) == 204, "cef_settings_t size");
static_assert(offsetof(cef_settings_t, size) == 0, "cef_settings_t.size");
static_assert(offsetof(cef_settings_t, no_sandbox) == 4, "cef_settings_t.no_sandbox");
static_assert(offsetof(cef_settings_t, browser_subprocess_path) == 8, "cef_settings_t.browser_subprocess_path");
static_assert(offsetof(cef_settings_t, framework_dir_path) == 20, "cef_settings_t.framework_dir_path");
static_assert(offsetof(cef_settings_t, multi_threaded_message_loop) == 32, "cef_settings_t.multi_threaded_message_loop");
static_assert(offsetof(cef_settings_t, external_message_pump) == 36, "cef_settings_t.external_message_pump");
static_assert(offsetof(cef_settings_t, windowless_rendering_enabled) == 40, "cef_settings_t.windowless_rendering_enabled");
static_assert(offsetof(cef_settings_t, command_line_args_disabled) == 44, "cef_settings_t.command_line_args_disabled");
static_assert(offsetof(cef_settings_t, cache_path) == 48, "cef_settings_t.cache_path");
static_assert(offsetof(cef_settings_t, user_data_path) == 60, "cef_settings_t.user_data_path");
static_assert(offsetof(cef_settings_t, persist_session_cookies) == 72, "cef_settings_t.persist_session_cookies");
static_assert(offsetof(cef_settings_t, persist_user_preferences) == 76, "cef_settings_t.persist_user_preferences");
static_assert(offsetof(cef_settings_t, user_agent) == 80, "cef_settings_t.user_agent");
static_assert(offsetof(cef_settings_t, product_version) == 92, "cef_settings_t.product_version");
static_assert(offsetof(cef_settings_t, locale) == 104, "cef_settings_t.locale");
static_assert(offsetof(cef_settings_t, log_file) == 116, "cef_settings_t.log_file");
static_assert(offsetof(cef_settings_t, log_severity) == 128, "cef_settings_t.log_severity");
static_assert(offsetof(cef_settings_t, javascript_flags) == 132, "cef_settings_t.javascript_flags");
static_assert(offsetof(cef_settings_t, resources_dir_path) == 144, "cef_settings_t.resources_dir_path");
static_assert(offsetof(cef_settings_t, locales_dir_path) == 156, "cef_settings_t.locales_dir_path");
static_assert(offsetof(cef_settings_t, pack_loading_disabled) == 168, "cef_settings_t.pack_loading_disabled");
static_assert(offsetof(cef_settings_t, remote_debugging_port) == 172, "cef_settings_t.remote_debugging_port");
static_assert(offsetof(cef_settings_t, uncaught_exception_stack_size) == 176, "cef_settings_t.uncaught_exception_stack_size");
static_assert(offsetof(cef_settings_t, ignore_certificate_errors) == 180, "cef_settings_t.ignore_certificate_errors");
static_assert(offsetof(cef_settings_t, enable_net_security_expiration) == 184, "cef_settings_t.enable_net_security_expiration");
static_assert(offsetof(cef_settings_t, background_color) == 188, "cef_settings_t.background_color");
static_assert(offsetof(cef_settings_t, accept_language_list) == 192, "cef_settings_t.accept_language_list");
static_assert(sizeof(cef_window_info_t) == 60, "cef_window_info_t size");
static_assert(offsetof(cef_window_info_t, ex_style) == 0, "cef_window_info_t.ex_style");
static_assert(offsetof(cef_window_info_t, window_name) == 4, "cef_window_info_t.window_name");
static_assert(offsetof(cef_window_info_t, style) == 16, "cef_window_info_t.style");
static_assert(offsetof(cef_window_info_t, x) == 20, "cef_window_info_t.x");
static_assert(offsetof(cef_window_info_t, y) == 24, "cef_window_info_t.y");
static_assert(offsetof(cef_window_info_t, width) == 28, "cef_window_info_t.width");
static_assert(offsetof(cef_window_info_t, height) == 32, "cef_window_info_t.height");
static_assert(offsetof(cef_window_info_t, parent_window) == 36, "cef_window_info_t.parent_window");
static_assert(offsetof(cef_window_info_t, menu) == 40, "cef_window_info_t.menu");
static_assert(offsetof(cef_window_info_t, windowless_rendering_enabled) == 44, "cef_window_info_t.windowless_rendering_enabled");
static_assert(offsetof(cef_window_info_t, shared_texture_enabled) == 48, "cef_window_info_t.shared_texture_enabled");
static_assert(offsetof(cef_window_info_t, external_begin_frame_enabled) == 52, "cef_window_info_t.external_begin_frame_enabled");
static_assert(offsetof(cef_window_info_t, window) == 56, "cef_window_info_t.window");
static_assert(sizeof(cef_browser_settings_t) == 192, "cef_browser_settings_t size");
static_assert(offsetof(cef_browser_settings_t, size) == 0, "cef_browser_settings_t.size");
static_assert(offsetof(cef_browser_settings_t, windowless_frame_rate) == 4, "cef_browser_settings_t.windowless_frame_rate");
static_assert(offsetof(cef_browser_settings_t, standard_font_family) == 8, "cef_browser_settings_t.standard_font_family");
static_assert(offsetof(cef_browser_settings_t, fixed_font_family) == 20, "cef_browser_settings_t.fixed_font_family");
static_assert(offsetof(cef_browser_settings_t, serif_font_family) == 32, "cef_browser_settings_t.serif_font_family");
static_assert(offsetof(cef_browser_settings_t, sans_serif_font_family) == 44, "cef_browser_settings_t.sans_serif_font_family");
static_assert(offsetof(cef_browser_settings_t, cursive_font_family) == 56, "cef_browser_settings_t.cursive_font_family");
static_assert(offsetof(cef_browser_settings_t, fantasy_font_family) == 68, "cef_browser_settings_t.fantasy_font_family");
static_assert(offsetof(cef_browser_settings_t, default_font_size) == 80, "cef_browser_settings_t.default_font_size");
static_assert(offsetof(cef_browser_settings_t, default_fixed_font_size) == 84, "cef_browser_settings_t.default_fixed_font_size");
static_assert(offsetof(cef_browser_settings_t, minimum_font_size) == 88, "cef_browser_settings_t.minimum_font_size");
static_assert(offsetof(cef_browser_settings_t, minimum_logical_font_size) == 92, "cef_browser_settings_t.minimum_logical_font_size");
static_assert(offsetof(cef_browser_settings_t, default_encoding) == 96, "cef_browser_settings_t.default_encoding");
static_assert(offsetof(cef_browser_settings_t, remote_fonts) == 108, "cef_browser_settings_t.remote_fonts");
static_assert(offsetof(cef_browser_settings_t, javascript) == 112, "cef_browser_settings_t.javascript");
static_assert(offsetof(cef_browser_settings_t, javascript_close_windows) == 116, "cef_browser_settings_t.javascript_close_windows");
static_assert(offsetof(cef_browser_settings_t, javascript_access_clipboard) == 120, "cef_browser_settings_t.javascript_access_clipboard");
static_assert(offsetof(cef_browser_settings_t, javascript_dom_paste) == 124, "cef_browser_settings_t.javascript_dom_paste");
static_assert(offsetof(cef_browser_settings_t, plugins) == 128, "cef_browser_settings_t.plugins");
static_assert(offsetof(cef_browser_settings_t, universal_access_from_file_urls) == 132, "cef_browser_settings_t.universal_access_from_file_urls");
static_assert(offsetof(cef_browser_settings_t, file_access_from_file_urls) == 136, "cef_browser_settings_t.file_access_from_file_urls");
static_assert(offsetof(cef_browser_settings_t, web_security) == 140, "cef_browser_settings_t.web_security");
static_assert(offsetof(cef_browser_settings_t, image_loading) == 144, "cef_browser_settings_t.image_loading");
static_assert(offsetof(cef_browser_settings_t, image_shrink_standalone_to_fit) == 148, "cef_browser_settings_t.image_shrink_standalone_to_fit");
static_assert(offsetof(cef_browser_settings_t, text_area_resize) == 152, "cef_browser_settings_t.text_area_resize");
static_assert(offsetof(cef_browser_settings_t, tab_to_links) == 156, "cef_browser_settings_t.tab_to_links");
static_assert(offsetof(cef_browser_settings_t, local_storage) == 160, "cef_browser_settings_t.local_storage");
static_assert(offsetof(cef_browser_settings_t, databases) == 164, "cef_browser_settings_t.databases");
static_assert(offsetof(cef_browser_settings_t, application_cache) == 168, "cef_browser_settings_t.application_cache");
static_assert(offsetof(cef_browser_settings_t, webgl) == 172, "cef_browser_settings_t.webgl");
static_assert(offsetof(cef_browser_settings_t, background_color) == 176, "cef_browser_settings_t.background_color");
static_assert(offsetof(cef_browser_settings_t, accept_language_list) == 180, "cef_browser_settings_t.accept_language_list");
static_assert(sizeof(cef_popup_features_t) == 48, "cef_popup_features_t size");
static_assert(offsetof(cef_popup_features_t, x) == 0, "cef_popup_features_t.x");
static_assert(offsetof(cef_popup_features_t, xSet) == 4, "cef_popup_features_t.xSet");
static_assert(offsetof(cef_popup_features_t, y) == 8, "cef_popup_features_t.y");
static_assert(offsetof(cef_popup_features_t, ySet) == 12, "cef_popup_features_t.ySet");
static_assert(offsetof(cef_popup_features_t, width) == 16, "cef_popup_features_t.width");
static_assert(offsetof(cef_popup_features_t, widthSet) == 20, "cef_popup_features_t.widthSet");
static_assert(offsetof(cef_popup_features_t, height) == 24, "cef_popup_features_t.height");
static_assert(offsetof(cef_popup_features_t, heightSet) == 28, "cef_popup_features_t.heightSet");
static_assert(offsetof(cef_popup_features_t, menuBarVisible) == 32, "cef_popup_features_t.menuBarVisible");
static_assert(offsetof(cef_popup_features_t, statusBarVisible) == 36, "cef_popup_features_t.statusBarVisible");
static_assert(offsetof(cef_popup_features_t, toolBarVisible) == 40, "cef_popup_features_t.toolBarVisible");
static_assert(offsetof(cef_popup_features_t, scrollbarsVisible) == 44, "cef_popup_features_t.scrollbarsVisible");
static_assert(sizeof(cef_key_event_t) == 28, "cef_key_event_t size");
static_assert(offsetof(cef_key_event_t, type) == 0, "cef_key_event_t.type");
static_assert(offsetof(cef_key_event_t, modifiers) == 4, "cef_key_event_t.modifiers");
static_assert(offsetof(cef_key_event_t, windows_key_code) == 8, "cef_key_event_t.windows_key_code");
static_assert(offsetof(cef_key_event_t, native_key_code) == 12, "cef_key_event_t.native_key_code");
static_assert(offsetof(cef_key_event_t, is_system_key) == 16, "cef_key_event_t.is_system_key");
static_assert(offsetof(cef_key_event_t, character) == 20, "cef_key_event_t.character");
static_assert(offsetof(cef_key_event_t, unmodified_character) == 22, "cef_key_event_t.unmodified_character");
static_assert(offsetof(cef_key_event_t, focus_on_editable_field) == 24, "cef_key_event_t.focus_on_editable_field");
static_assert(sizeof(cef_rect_t) == 16, "cef_rect_t size");
static_assert(offsetof(cef_rect_t, x) == 0, "cef_rect_t.x");
static_assert(offsetof(cef_rect_t, y) == 4, "cef_rect_t.y");
static_assert(offsetof(cef_rect_t, width) == 8, "cef_rect_t.width");
static_assert(offsetof(cef_rect_t, height) == 12, "cef_rect_t.height");
static_assert(sizeof(cef_app_t) == 40, "cef_app_t size");
static_assert(offsetof(cef_app_t, base) == 0, "cef_app_t.base");
static_assert(offsetof(cef_app_t, on_before_command_line_processing) == 20, "cef_app_t.on_before_command_line_processing");
static_assert(offsetof(cef_app_t, on_register_custom_schemes) == 24, "cef_app_t.on_register_custom_schemes");
static_assert(offsetof(cef_app_t, get_resource_bundle_handler) == 28, "cef_app_t.get_resource_bundle_handler");
static_assert(offsetof(cef_app_t, get_browser_process_handler) == 32, "cef_app_t.get_browser_process_handler");
static_assert(offsetof(cef_app_t, get_render_process_handler) == 36, "cef_app_t.get_render_process_handler");
static_assert(sizeof(cef_browser_process_handler_t) == 40, "cef_browser_process_handler_t size");
static_assert(offsetof(cef_browser_process_handler_t, base) == 0, "cef_browser_process_handler_t.base");
static_assert(offsetof(cef_browser_process_handler_t, on_context_initialized) == 20, "cef_browser_process_handler_t.on_context_initialized");
static_assert(offsetof(cef_browser_process_handler_t, on_before_child_process_launch) == 24, "cef_browser_process_handler_t.on_before_child_process_launch");
static_assert(offsetof(cef_browser_process_handler_t, on_render_process_thread_created) == 28, "cef_browser_process_handler_t.on_render_process_thread_created");
static_assert(offsetof(cef_browser_process_handler_t, get_print_handler) == 32, "cef_browser_process_handler_t.get_print_handler");
static_assert(offsetof(cef_browser_process_handler_t, on_schedule_message_pump_work) == 36, "cef_browser_process_handler_t.on_schedule_message_pump_work");
static_assert(sizeof(cef_client_t) == 80, "cef_client_t size");
static_assert(offsetof(cef_client_t, base) == 0, "cef_client_t.base");
static_assert(offsetof(cef_client_t, get_audio_handler) == 20, "cef_client_t.get_audio_handler");
static_assert(offsetof(cef_client_t, get_context_menu_handler) == 24, "cef_client_t.get_context_menu_handler");
static_assert(offsetof(cef_client_t, get_dialog_handler) == 28, "cef_client_t.get_dialog_handler");
static_assert(offsetof(cef_client_t, get_display_handler) == 32, "cef_client_t.get_display_handler");
static_assert(offsetof(cef_client_t, get_download_handler) == 36, "cef_client_t.get_download_handler");
static_assert(offsetof(cef_client_t, get_drag_handler) == 40, "cef_client_t.get_drag_handler");
static_assert(offsetof(cef_client_t, get_find_handler) == 44, "cef_client_t.get_find_handler");
static_assert(offsetof(cef_client_t, get_focus_handler) == 48, "cef_client_t.get_focus_handler");
static_assert(offsetof(cef_client_t, get_jsdialog_handler) == 52, "cef_client_t.get_jsdialog_handler");
static_assert(offsetof(cef_client_t, get_keyboard_handler) == 56, "cef_client_t.get_keyboard_handler");
static_assert(offsetof(cef_client_t, get_life_span_handler) == 60, "cef_client_t.get_life_span_handler");
static_assert(offsetof(cef_client_t, get_load_handler) == 64, "cef_client_t.get_load_handler");
static_assert(offsetof(cef_client_t, get_render_handler) == 68, "cef_client_t.get_render_handler");
static_assert(offsetof(cef_client_t, get_request_handler) == 72, "cef_client_t.get_request_handler");
static_assert(offsetof(cef_client_t, on_process_message_received) == 76, "cef_client_t.on_process_message_received");
static_assert(sizeof(cef_life_span_handler_t) == 36, "cef_life_span_handler_t size");
static_assert(offsetof(cef_life_span_handler_t, base) == 0, "cef_life_span_handler_t.base");
static_assert(offsetof(cef_life_span_handler_t, on_before_popup) == 20, "cef_life_span_handler_t.on_before_popup");
static_assert(offsetof(cef_life_span_handler_t, on_after_created) == 24, "cef_life_span_handler_t.on_after_created");
static_assert(offsetof(cef_life_span_handler_t, do_close) == 28, "cef_life_span_handler_t.do_close");
static_assert(offsetof(cef_life_span_handler_t, on_before_close) == 32, "cef_life_span_handler_t.on_before_close");
static_assert(sizeof(cef_keyboard_handler_t) == 28, "cef_keyboard_handler_t size");
static_assert(offsetof(cef_keyboard_handler_t, base) == 0, "cef_keyboard_handler_t.base");
static_assert(offsetof(cef_keyboard_handler_t, on_pre_key_event) == 20, "cef_keyboard_handler_t.on_pre_key_event");
static_assert(offsetof(cef_keyboard_handler_t, on_key_event) == 24, "cef_keyboard_handler_t.on_key_event");
static_assert(sizeof(cef_load_handler_t) == 36, "cef_load_handler_t size");
static_assert(offsetof(cef_load_handler_t, base) == 0, "cef_load_handler_t.base");
static_assert(offsetof(cef_load_handler_t, on_loading_state_change) == 20, "cef_load_handler_t.on_loading_state_change");
static_assert(offsetof(cef_load_handler_t, on_load_start) == 24, "cef_load_handler_t.on_load_start");
static_assert(offsetof(cef_load_handler_t, on_load_end) == 28, "cef_load_handler_t.on_load_end");
static_assert(offsetof(cef_load_handler_t, on_load_error) == 32, "cef_load_handler_t.on_load_error");
static_assert(sizeof(cef_request_handler_t) == 92, "cef_request_handler_t size");
static_assert(offsetof(cef_request_handler_t, base) == 0, "cef_request_handler_t.base");
static_assert(offsetof(cef_request_handler_t, on_before_browse) == 20, "cef_request_handler_t.on_before_browse");
static_assert(offsetof(cef_request_handler_t, on_open_urlfrom_tab) == 24, "cef_request_handler_t.on_open_urlfrom_tab");
static_assert(offsetof(cef_request_handler_t, on_before_resource_load) == 28, "cef_request_handler_t.on_before_resource_load");
static_assert(offsetof(cef_request_handler_t, get_resource_handler) == 32, "cef_request_handler_t.get_resource_handler");
static_assert(offsetof(cef_request_handler_t, on_resource_redirect) == 36, "cef_request_handler_t.on_resource_redirect");
static_assert(offsetof(cef_request_handler_t, on_resource_response) == 40, "cef_request_handler_t.on_resource_response");
static_assert(offsetof(cef_request_handler_t, get_resource_response_filter) == 44, "cef_request_handler_t.get_resource_response_filter");
static_assert(offsetof(cef_request_handler_t, on_resource_load_complete) == 48, "cef_request_handler_t.on_resource_load_complete");
static_assert(offsetof(cef_request_handler_t, get_auth_credentials) == 52, "cef_request_handler_t.get_auth_credentials");
static_assert(offsetof(cef_request_handler_t, can_get_cookies) == 56, "cef_request_handler_t.can_get_cookies");
static_assert(offsetof(cef_request_handler_t, can_set_cookie) == 60, "cef_request_handler_t.can_set_cookie");
static_assert(offsetof(cef_request_handler_t, on_quota_request) == 64, "cef_request_handler_t.on_quota_request");
static_assert(offsetof(cef_request_handler_t, on_protocol_execution) == 68, "cef_request_handler_t.on_protocol_execution");
static_assert(offsetof(cef_request_handler_t, on_certificate_error) == 72, "cef_request_handler_t.on_certificate_error");
static_assert(offsetof(cef_request_handler_t, on_select_client_certificate) == 76, "cef_request_handler_t.on_select_client_certificate");
static_assert(offsetof(cef_request_handler_t, on_plugin_crashed) == 80, "cef_request_handler_t.on_plugin_crashed");
static_assert(offsetof(cef_request_handler_t, on_render_view_ready) == 84, "cef_request_handler_t.on_render_view_ready");
static_assert(offsetof(cef_request_handler_t, on_render_process_terminated) == 88, "cef_request_handler_t.on_render_process_terminated");
static_assert(sizeof(cef_completion_callback_t) == 24, "cef_completion_callback_t size");
static_assert(offsetof(cef_completion_callback_t, base) == 0, "cef_completion_callback_t.base");
static_assert(offsetof(cef_completion_callback_t, on_complete) == 20, "cef_completion_callback_t.on_complete");
static_assert(sizeof(cef_command_line_t) == 100, "cef_command_line_t size");
static_assert(offsetof(cef_command_line_t, base) == 0, "cef_command_line_t.base");
static_assert(offsetof(cef_command_line_t, is_valid) == 20, "cef_command_line_t.is_valid");
static_assert(offsetof(cef_command_line_t, is_read_only) == 24, "cef_command_line_t.is_read_only");
static_assert(offsetof(cef_command_line_t, copy) == 28, "cef_command_line_t.copy");
static_assert(offsetof(cef_command_line_t, init_from_argv) == 32, "cef_command_line_t.init_from_argv");
static_assert(offsetof(cef_command_line_t, init_from_string) == 36, "cef_command_line_t.init_from_string");
static_assert(offsetof(cef_command_line_t, reset) == 40, "cef_command_line_t.reset");
static_assert(offsetof(cef_command_line_t, get_argv) == 44, "cef_command_line_t.get_argv");
static_assert(offsetof(cef_command_line_t, get_command_line_string) == 48, "cef_command_line_t.get_command_line_string");
static_assert(offsetof(cef_command_line_t, get_program) == 52, "cef_command_line_t.get_program");
static_assert(offsetof(cef_command_line_t, set_program) == 56, "cef_command_line_t.set_program");
static_assert(offsetof(cef_command_line_t, has_switches) == 60, "cef_command_line_t.has_switches");
static_assert(offsetof(cef_command_line_t, has_switch) == 64, "cef_command_line_t.has_switch");
static_assert(offsetof(cef_command_line_t, get_switch_value) == 68, "cef_command_line_t.get_switch_value");
static_assert(offsetof(cef_command_line_t, get_switches) == 72, "cef_command_line_t.get_switches");
static_assert(offsetof(cef_command_line_t, append_switch) == 76, "cef_command_line_t.append_switch");
static_assert(offsetof(cef_command_line_t, append_switch_with_value) == 80, "cef_command_line_t.append_switch_with_value");
static_assert(offsetof(cef_command_line_t, has_arguments) == 84, "cef_command_line_t.has_arguments");
static_assert(offsetof(cef_command_line_t, get_arguments) == 88, "cef_command_line_t.get_arguments");
static_assert(offsetof(cef_command_line_t, append_argument) == 92, "cef_command_line_t.append_argument");
static_assert(offsetof(cef_command_line_t, prepend_wrapper) == 96, "cef_command_line_t.prepend_wrapper");
static_assert(sizeof(cef_browser_t) == 104, "cef_browser_t size");
static_assert(offsetof(cef_browser_t, base) == 0, "cef_browser_t.base");
static_assert(offsetof(cef_browser_t, get_host) == 20, "cef_browser_t.get_host");
static_assert(offsetof(cef_browser_t, can_go_back) == 24, "cef_browser_t.can_go_back");
static_assert(offsetof(cef_browser_t, go_back) == 28, "cef_browser_t.go_back");
static_assert(offsetof(cef_browser_t, can_go_forward) == 32, "cef_browser_t.can_go_forward");
static_assert(offsetof(cef_browser_t, go_forward) == 36, "cef_browser_t.go_forward");
static_assert(offsetof(cef_browser_t, is_loading) == 40, "cef_browser_t.is_loading");
static_assert(offsetof(cef_browser_t, reload) == 44, "cef_browser_t.reload");
static_assert(offsetof(cef_browser_t, reload_ignore_cache) == 48, "cef_browser_t.reload_ignore_cache");
static_assert(offsetof(cef_browser_t, stop_load) == 52, "cef_browser_t.stop_load");
static_assert(offsetof(cef_browser_t, get_identifier) == 56, "cef_browser_t.get_identifier");
static_assert(offsetof(cef_browser_t, is_same) == 60, "cef_browser_t.is_same");
static_assert(offsetof(cef_browser_t, is_popup) == 64, "cef_browser_t.is_popup");
static_assert(offsetof(cef_browser_t, has_document) == 68, "cef_browser_t.has_document");
static_assert(offsetof(cef_browser_t, get_main_frame) == 72, "cef_browser_t.get_main_frame");
static_assert(offsetof(cef_browser_t, get_focused_frame) == 76, "cef_browser_t.get_focused_frame");
static_assert(offsetof(cef_browser_t, get_frame_byident) == 80, "cef_browser_t.get_frame_byident");
static_assert(offsetof(cef_browser_t, get_frame) == 84, "cef_browser_t.get_frame");
static_assert(offsetof(cef_browser_t, get_frame_count) == 88, "cef_browser_t.get_frame_count");
static_assert(offsetof(cef_browser_t, get_frame_identifiers) == 92, "cef_browser_t.get_frame_identifiers");
static_assert(offsetof(cef_browser_t, get_frame_names) == 96, "cef_browser_t.get_frame_names");
static_assert(offsetof(cef_browser_t, send_process_message) == 100, "cef_browser_t.send_process_message");
static_assert(sizeof(cef_browser_host_t) == 256, "cef_browser_host_t size");
static_assert(offsetof(cef_browser_host_t, base) == 0, "cef_browser_host_t.base");
static_assert(offsetof(cef_browser_host_t, get_browser) == 20, "cef_browser_host_t.get_browser");
static_assert(offsetof(cef_browser_host_t, close_browser) == 24, "cef_browser_host_t.close_browser");
static_assert(offsetof(cef_browser_host_t, try_close_browser) == 28, "cef_browser_host_t.try_close_browser");
static_assert(offsetof(cef_browser_host_t, set_focus) == 32, "cef_browser_host_t.set_focus");
static_assert(offsetof(cef_browser_host_t, get_window_handle) == 36, "cef_browser_host_t.get_window_handle");
static_assert(offsetof(cef_browser_host_t, get_opener_window_handle) == 40, "cef_browser_host_t.get_opener_window_handle");
static_assert(offsetof(cef_browser_host_t, has_view) == 44, "cef_browser_host_t.has_view");
static_assert(offsetof(cef_browser_host_t, get_client) == 48, "cef_browser_host_t.get_client");
static_assert(offsetof(cef_browser_host_t, get_request_context) == 52, "cef_browser_host_t.get_request_context");
static_assert(offsetof(cef_browser_host_t, get_zoom_level) == 56, "cef_browser_host_t.get_zoom_level");
static_assert(offsetof(cef_browser_host_t, set_zoom_level) == 60, "cef_browser_host_t.set_zoom_level");
static_assert(offsetof(cef_browser_host_t, run_file_dialog) == 64, "cef_browser_host_t.run_file_dialog");
static_assert(offsetof(cef_browser_host_t, start_download) == 68, "cef_browser_host_t.start_download");
static_assert(offsetof(cef_browser_host_t, download_image) == 72, "cef_browser_host_t.download_image");
static_assert(offsetof(cef_browser_host_t, print) == 76, "cef_browser_host_t.print");
static_assert(offsetof(cef_browser_host_t, print_to_pdf) == 80, "cef_browser_host_t.print_to_pdf");
static_assert(offsetof(cef_browser_host_t, find) == 84, "cef_browser_host_t.find");
static_assert(offsetof(cef_browser_host_t, stop_finding) == 88, "cef_browser_host_t.stop_finding");
static_assert(offsetof(cef_browser_host_t, show_dev_tools) == 92, "cef_browser_host_t.show_dev_tools");
static_assert(offsetof(cef_browser_host_t, close_dev_tools) == 96, "cef_browser_host_t.close_dev_tools");
static_assert(offsetof(cef_browser_host_t, has_dev_tools) == 100, "cef_browser_host_t.has_dev_tools");
static_assert(offsetof(cef_browser_host_t, get_navigation_entries) == 104, "cef_browser_host_t.get_navigation_entries");
static_assert(offsetof(cef_browser_host_t, set_mouse_cursor_change_disabled) == 108, "cef_browser_host_t.set_mouse_cursor_change_disabled");
static_assert(offsetof(cef_browser_host_t, is_mouse_cursor_change_disabled) == 112, "cef_browser_host_t.is_mouse_cursor_change_disabled");
static_assert(offsetof(cef_browser_host_t, replace_misspelling) == 116, "cef_browser_host_t.replace_misspelling");
static_assert(offsetof(cef_browser_host_t, add_word_to_dictionary) == 120, "cef_browser_host_t.add_word_to_dictionary");
static_assert(offsetof(cef_browser_host_t, is_window_rendering_disabled) == 124, "cef_browser_host_t.is_window_rendering_disabled");
static_assert(offsetof(cef_browser_host_t, was_resized) == 128, "cef_browser_host_t.was_resized");
static_assert(offsetof(cef_browser_host_t, was_hidden) == 132, "cef_browser_host_t.was_hidden");
static_assert(offsetof(cef_browser_host_t, notify_screen_info_changed) == 136, "cef_browser_host_t.notify_screen_info_changed");
static_assert(offsetof(cef_browser_host_t, invalidate) == 140, "cef_browser_host_t.invalidate");
static_assert(offsetof(cef_browser_host_t, send_external_begin_frame) == 144, "cef_browser_host_t.send_external_begin_frame");
static_assert(offsetof(cef_browser_host_t, send_key_event) == 148, "cef_browser_host_t.send_key_event");
static_assert(offsetof(cef_browser_host_t, send_mouse_click_event) == 152, "cef_browser_host_t.send_mouse_click_event");
static_assert(offsetof(cef_browser_host_t, send_mouse_move_event) == 156, "cef_browser_host_t.send_mouse_move_event");
static_assert(offsetof(cef_browser_host_t, send_mouse_wheel_event) == 160, "cef_browser_host_t.send_mouse_wheel_event");
static_assert(offsetof(cef_browser_host_t, send_touch_event) == 164, "cef_browser_host_t.send_touch_event");
static_assert(offsetof(cef_browser_host_t, send_focus_event) == 168, "cef_browser_host_t.send_focus_event");
static_assert(offsetof(cef_browser_host_t, send_capture_lost_event) == 172, "cef_browser_host_t.send_capture_lost_event");
static_assert(offsetof(cef_browser_host_t, notify_move_or_resize_started) == 176, "cef_browser_host_t.notify_move_or_resize_started");
static_assert(offsetof(cef_browser_host_t, get_windowless_frame_rate) == 180, "cef_browser_host_t.get_windowless_frame_rate");
static_assert(offsetof(cef_browser_host_t, set_windowless_frame_rate) == 184, "cef_browser_host_t.set_windowless_frame_rate");
static_assert(offsetof(cef_browser_host_t, ime_set_composition) == 188, "cef_browser_host_t.ime_set_composition");
static_assert(offsetof(cef_browser_host_t, ime_commit_text) == 192, "cef_browser_host_t.ime_commit_text");
static_assert(offsetof(cef_browser_host_t, ime_finish_composing_text) == 196, "cef_browser_host_t.ime_finish_composing_text");
static_assert(offsetof(cef_browser_host_t, ime_cancel_composition) == 200, "cef_browser_host_t.ime_cancel_composition");
static_assert(offsetof(cef_browser_host_t, drag_target_drag_enter) == 204, "cef_browser_host_t.drag_target_drag_enter");
static_assert(offsetof(cef_browser_host_t, drag_target_drag_over) == 208, "cef_browser_host_t.drag_target_drag_over");
static_assert(offsetof(cef_browser_host_t, drag_target_drag_leave) == 212, "cef_browser_host_t.drag_target_drag_leave");
static_assert(offsetof(cef_browser_host_t, drag_target_drop) == 216, "cef_browser_host_t.drag_target_drop");
static_assert(offsetof(cef_browser_host_t, drag_source_ended_at) == 220, "cef_browser_host_t.drag_source_ended_at");
static_assert(offsetof(cef_browser_host_t, drag_source_system_drag_ended) == 224, "cef_browser_host_t.drag_source_system_drag_ended");
static_assert(offsetof(cef_browser_host_t, get_visible_navigation_entry) == 228, "cef_browser_host_t.get_visible_navigation_entry");
static_assert(offsetof(cef_browser_host_t, set_accessibility_state) == 232, "cef_browser_host_t.set_accessibility_state");
static_assert(offsetof(cef_browser_host_t, set_auto_resize_enabled) == 236, "cef_browser_host_t.set_auto_resize_enabled");
static_assert(offsetof(cef_browser_host_t, get_extension) == 240, "cef_browser_host_t.get_extension");
static_assert(offsetof(cef_browser_host_t, is_background_host) == 244, "cef_browser_host_t.is_background_host");
static_assert(offsetof(cef_browser_host_t, set_audio_muted) == 248, "cef_browser_host_t.set_audio_muted");
static_assert(offsetof(cef_browser_host_t, is_audio_muted) == 252, "cef_browser_host_t.is_audio_muted");
static_assert(sizeof(cef_frame_t) == 116, "cef_frame_t size");
static_assert(offsetof(cef_frame_t, base) == 0, "cef_frame_t.base");
static_assert(offsetof(cef_frame_t, is_valid) == 20, "cef_frame_t.is_valid");
static_assert(offsetof(cef_frame_t, undo) == 24, "cef_frame_t.undo");
static_assert(offsetof(cef_frame_t, redo) == 28, "cef_frame_t.redo");
static_assert(offsetof(cef_frame_t, cut) == 32, "cef_frame_t.cut");
static_assert(offsetof(cef_frame_t, copy) == 36, "cef_frame_t.copy");
static_assert(offsetof(cef_frame_t, paste) == 40, "cef_frame_t.paste");
static_assert(offsetof(cef_frame_t, del) == 44, "cef_frame_t.del");
static_assert(offsetof(cef_frame_t, select_all) == 48, "cef_frame_t.select_all");
static_assert(offsetof(cef_frame_t, view_source) == 52, "cef_frame_t.view_source");
static_assert(offsetof(cef_frame_t, get_source) == 56, "cef_frame_t.get_source");
static_assert(offsetof(cef_frame_t, get_text) == 60, "cef_frame_t.get_text");
static_assert(offsetof(cef_frame_t, load_request) == 64, "cef_frame_t.load_request");
static_assert(offsetof(cef_frame_t, load_url) == 68, "cef_frame_t.load_url");
static_assert(offsetof(cef_frame_t, load_string) == 72, "cef_frame_t.load_string");
static_assert(offsetof(cef_frame_t, execute_java_script) == 76, "cef_frame_t.execute_java_script");
static_assert(offsetof(cef_frame_t, is_main) == 80, "cef_frame_t.is_main");
static_assert(offsetof(cef_frame_t, is_focused) == 84, "cef_frame_t.is_focused");
static_assert(offsetof(cef_frame_t, get_name) == 88, "cef_frame_t.get_name");
static_assert(offsetof(cef_frame_t, get_identifier) == 92, "cef_frame_t.get_identifier");
static_assert(offsetof(cef_frame_t, get_parent) == 96, "cef_frame_t.get_parent");
static_assert(offsetof(cef_frame_t, get_url) == 100, "cef_frame_t.get_url");
static_assert(offsetof(cef_frame_t, get_browser) == 104, "cef_frame_t.get_browser");
static_assert(offsetof(cef_frame_t, get_v8context) == 108, "cef_frame_t.get_v8context");
static_assert(offsetof(cef_frame_t, visit_dom) == 112, "cef_frame_t.visit_dom");
static_assert(sizeof(cef_request_context_t) == 108, "cef_request_context_t size");
static_assert(offsetof(cef_request_context_t, base) == 0, "cef_request_context_t.base");
static_assert(offsetof(cef_request_context_t, is_same) == 20, "cef_request_context_t.is_same");
static_assert(offsetof(cef_request_context_t, is_sharing_with) == 24, "cef_request_context_t.is_sharing_with");
static_assert(offsetof(cef_request_context_t, is_global) == 28, "cef_request_context_t.is_global");
static_assert(offsetof(cef_request_context_t, get_handler) == 32, "cef_request_context_t.get_handler");
static_assert(offsetof(cef_request_context_t, get_cache_path) == 36, "cef_request_context_t.get_cache_path");
static_assert(offsetof(cef_request_context_t, get_default_cookie_manager) == 40, "cef_request_context_t.get_default_cookie_manager");
static_assert(offsetof(cef_request_context_t, register_scheme_handler_factory) == 44, "cef_request_context_t.register_scheme_handler_factory");
static_assert(offsetof(cef_request_context_t, clear_scheme_handler_factories) == 48, "cef_request_context_t.clear_scheme_handler_factories");
static_assert(offsetof(cef_request_context_t, purge_plugin_list_cache) == 52, "cef_request_context_t.purge_plugin_list_cache");
static_assert(offsetof(cef_request_context_t, has_preference) == 56, "cef_request_context_t.has_preference");
static_assert(offsetof(cef_request_context_t, get_preference) == 60, "cef_request_context_t.get_preference");
static_assert(offsetof(cef_request_context_t, get_all_preferences) == 64, "cef_request_context_t.get_all_preferences");
static_assert(offsetof(cef_request_context_t, can_set_preference) == 68, "cef_request_context_t.can_set_preference");
static_assert(offsetof(cef_request_context_t, set_preference) == 72, "cef_request_context_t.set_preference");
static_assert(offsetof(cef_request_context_t, clear_certificate_exceptions) == 76, "cef_request_context_t.clear_certificate_exceptions");
static_assert(offsetof(cef_request_context_t, close_all_connections) == 80, "cef_request_context_t.close_all_connections");
static_assert(offsetof(cef_request_context_t, resolve_host) == 84, "cef_request_context_t.resolve_host");
static_assert(offsetof(cef_request_context_t, load_extension) == 88, "cef_request_context_t.load_extension");
static_assert(offsetof(cef_request_context_t, did_load_extension) == 92, "cef_request_context_t.did_load_extension");
static_assert(offsetof(cef_request_context_t, has_extension) == 96, "cef_request_context_t.has_extension");
static_assert(offsetof(cef_request_context_t, get_extensions) == 100, "cef_request_context_t.get_extensions");
static_assert(offsetof(cef_request_context_t, get_extension) == 104, "cef_request_context_t.get_extension");
static_assert(sizeof(cef_cookie_manager_t) == 48, "cef_cookie_manager_t size");
static_assert(offsetof(cef_cookie_manager_t, base) == 0, "cef_cookie_manager_t.base");
static_assert(offsetof(cef_cookie_manager_t, set_supported_schemes) == 20, "cef_cookie_manager_t.set_supported_schemes");
static_assert(offsetof(cef_cookie_manager_t, visit_all_cookies) == 24, "cef_cookie_manager_t.visit_all_cookies");
static_assert(offsetof(cef_cookie_manager_t, visit_url_cookies) == 28, "cef_cookie_manager_t.visit_url_cookies");
static_assert(offsetof(cef_cookie_manager_t, set_cookie) == 32, "cef_cookie_manager_t.set_cookie");
static_assert(offsetof(cef_cookie_manager_t, delete_cookies) == 36, "cef_cookie_manager_t.delete_cookies");
static_assert(offsetof(cef_cookie_manager_t, set_storage_path) == 40, "cef_cookie_manager_t.set_storage_path");
static_assert(offsetof(cef_cookie_manager_t, flush_store) == 44, "cef_cookie_manager_t.flush_store");
static_assert(sizeof(cef_waitable_event_t) == 40, "cef_waitable_event_t size");
static_assert(offsetof(cef_waitable_event_t, base) == 0, "cef_waitable_event_t.base");
static_assert(offsetof(cef_waitable_event_t, reset) == 20, "cef_waitable_event_t.reset");
static_assert(offsetof(cef_waitable_event_t, signal) == 24, "cef_waitable_event_t.signal");
static_assert(offsetof(cef_waitable_event_t, is_signaled) == 28, "cef_waitable_event_t.is_signaled");
static_assert(offsetof(cef_waitable_event_t, wait) == 32, "cef_waitable_event_t.wait");
static_assert(offsetof(cef_waitable_event_t, timed_wait) == 36, "cef_waitable_event_t.timed_wait");
static_assert(sizeof(cef_value_t) == 108, "cef_value_t size");
static_assert(offsetof(cef_value_t, base) == 0, "cef_value_t.base");
static_assert(offsetof(cef_value_t, is_valid) == 20, "cef_value_t.is_valid");
static_assert(offsetof(cef_value_t, is_owned) == 24, "cef_value_t.is_owned");
static_assert(offsetof(cef_value_t, is_read_only) == 28, "cef_value_t.is_read_only");
static_assert(offsetof(cef_value_t, is_same) == 32, "cef_value_t.is_same");
static_assert(offsetof(cef_value_t, is_equal) == 36, "cef_value_t.is_equal");
static_assert(offsetof(cef_value_t, copy) == 40, "cef_value_t.copy");
static_assert(offsetof(cef_value_t, get_type) == 44, "cef_value_t.get_type");
static_assert(offsetof(cef_value_t, get_bool) == 48, "cef_value_t.get_bool");
static_assert(offsetof(cef_value_t, get_int) == 52, "cef_value_t.get_int");
static_assert(offsetof(cef_value_t, get_double) == 56, "cef_value_t.get_double");
static_assert(offsetof(cef_value_t, get_string) == 60, "cef_value_t.get_string");
static_assert(offsetof(cef_value_t, get_binary) == 64, "cef_value_t.get_binary");
static_assert(offsetof(cef_value_t, get_dictionary) == 68, "cef_value_t.get_dictionary");
static_assert(offsetof(cef_value_t, get_list) == 72, "cef_value_t.get_list");
static_assert(offsetof(cef_value_t, set_null) == 76, "cef_value_t.set_null");
static_assert(offsetof(cef_value_t, set_bool) == 80, "cef_value_t.set_bool");
static_assert(offsetof(cef_value_t, set_int) == 84, "cef_value_t.set_int");
static_assert(offsetof(cef_value_t, set_double) == 88, "cef_value_t.set_double");
static_assert(offsetof(cef_value_t, set_string) == 92, "cef_value_t.set_string");
static_assert(offsetof(cef_value_t, set_binary) == 96, "cef_value_t.set_binary");
static_assert(offsetof(cef_value_t, set_dictionary) == 100, "cef_value_t.set_dictionary");
static_assert(offsetof(cef_value_t, set_list) == 104, "cef_value_t.set_list");
static_assert(sizeof(cef_dictionary_value_t) == 136, "cef_dictionary_value_t size");
static_assert(offsetof(cef_dictionary_value_t, base) == 0, "cef_dictionary_value_t.base");
static_assert(offsetof(cef_dictionary_value_t, is_valid) == 20, "cef_dictionary_value_t.is_valid");
static_assert(offsetof(cef_dictionary_value_t, is_owned) == 24, "cef_dictionary_value_t.is_owned");
static_assert(offsetof(cef_dictionary_value_t, is_read_only) == 28, "cef_dictionary_value_t.is_read_only");
static_assert(offsetof(cef_dictionary_value_t, is_same) == 32, "cef_dictionary_value_t.is_same");
static_assert(offsetof(cef_dictionary_value_t, is_equal) == 36, "cef_dictionary_value_t.is_equal");
static_assert(offsetof(cef_dictionary_value_t, copy) == 40, "cef_dictionary_value_t.copy");
static_assert(offsetof(cef_dictionary_value_t, get_size) == 44, "cef_dictionary_value_t.get_size");
static_assert(offsetof(cef_dictionary_value_t, clear) == 48, "cef_dictionary_value_t.clear");
static_assert(offsetof(cef_dictionary_value_t, has_key) == 52, "cef_dictionary_value_t.has_key");
static_assert(offsetof(cef_dictionary_value_t, get_keys) == 56, "cef_dictionary_value_t.get_keys");
static_assert(offsetof(cef_dictionary_value_t, remove) == 60, "cef_dictionary_value_t.remove");
static_assert(offsetof(cef_dictionary_value_t, get_type) == 64, "cef_dictionary_value_t.get_type");
static_assert(offsetof(cef_dictionary_value_t, get_value) == 68, "cef_dictionary_value_t.get_value");
static_assert(offsetof(cef_dictionary_value_t, get_bool) == 72, "cef_dictionary_value_t.get_bool");
static_assert(offsetof(cef_dictionary_value_t, get_int) == 76, "cef_dictionary_value_t.get_int");
static_assert(offsetof(cef_dictionary_value_t, get_double) == 80, "cef_dictionary_value_t.get_double");
static_assert(offsetof(cef_dictionary_value_t, get_string) == 84, "cef_dictionary_value_t.get_string");
static_assert(offsetof(cef_dictionary_value_t, get_binary) == 88, "cef_dictionary_value_t.get_binary");
static_assert(offsetof(cef_dictionary_value_t, get_dictionary) == 92, "cef_dictionary_value_t.get_dictionary");
static_assert(offsetof(cef_dictionary_value_t, get_list) == 96, "cef_dictionary_value_t.get_list");
static_assert(offsetof(cef_dictionary_value_t, set_value) == 100, "cef_dictionary_value_t.set_value");
static_assert(offsetof(cef_dictionary_value_t, set_null) == 104, "cef_dictionary_value_t.set_null");
static_assert(offsetof(cef_dictionary_value_t, set_bool) == 108, "cef_dictionary_value_t.set_bool");
static_assert(offsetof(cef_dictionary_value_t, set_int) == 112, "cef_dictionary_value_t.set_int");
static_assert(offsetof(cef_dictionary_value_t, set_double) == 116, "cef_dictionary_value_t.set_double");
static_assert(offsetof(cef_dictionary_value_t, set_string) == 120, "cef_dictionary_value_t.set_string");
static_assert(offsetof(cef_dictionary_value_t, set_binary) == 124, "cef_dictionary_value_t.set_binary");
static_assert(offsetof(cef_dictionary_value_t, set_dictionary) == 128, "cef_dictionary_value_t.set_dictionary");
static_assert(offsetof(cef_dictionary_value_t, set_list) == 132, "cef_dictionary_value_t.set_list");
static_assert(sizeof(cef_request_t) == 100, "cef_request_t size");
static_assert(offsetof(cef_request_t, base) == 0, "cef_request_t.base");
static_assert(offsetof(cef_request_t, is_read_only) == 20, "cef_request_t.is_read_only");
static_assert(offsetof(cef_request_t, get_url) == 24, "cef_request_t.get_url");
static_assert(offsetof(cef_request_t, set_url) == 28, "cef_request_t.set_url");
static_assert(offsetof(cef_request_t, get_method) == 32, "cef_request_t.get_method");
static_assert(offsetof(cef_request_t, set_method) == 36, "cef_request_t.set_method");
static_assert(offsetof(cef_request_t, set_referrer) == 40, "cef_request_t.set_referrer");
static_assert(offsetof(cef_request_t, get_referrer_url) == 44, "cef_request_t.get_referrer_url");
static_assert(offsetof(cef_request_t, get_referrer_policy) == 48, "cef_request_t.get_referrer_policy");
static_assert(offsetof(cef_request_t, get_post_data) == 52, "cef_request_t.get_post_data");
static_assert(offsetof(cef_request_t, set_post_data) == 56, "cef_request_t.set_post_data");
static_assert(offsetof(cef_request_t, get_header_map) == 60, "cef_request_t.get_header_map");
static_assert(offsetof(cef_request_t, set_header_map) == 64, "cef_request_t.set_header_map");
static_assert(offsetof(cef_request_t, set) == 68, "cef_request_t.set");
static_assert(offsetof(cef_request_t, get_flags) == 72, "cef_request_t.get_flags");
static_assert(offsetof(cef_request_t, set_flags) == 76, "cef_request_t.set_flags");
static_assert(offsetof(cef_request_t, get_first_party_for_cookies) == 80, "cef_request_t.get_first_party_for_cookies");
static_assert(offsetof(cef_request_t, set_first_party_for_cookies) == 84, "cef_request_t.set_first_party_for_cookies");
static_assert(offsetof(cef_request_t, get_resource_type) == 88, "cef_request_t.get_resource_type");
static_assert(offsetof(cef_request_t, get_transition_type) == 92, "cef_request_t.get_transition_type");
static_assert(offsetof(cef_request_t, get_identifier) == 96, "cef_request_t.get_identifier");

// Exported functions, as pointer types named <function>_ptr.
typedef int (CEF_EXPORT* cef_initialize_ptr)(const cef_main_args_t* args, const cef_settings_t* settings, cef_app_t* application, void* windows_sandbox_info);
typedef void (CEF_EXPORT* cef_shutdown_ptr)(void);
typedef int (CEF_EXPORT* cef_execute_process_ptr)(const cef_main_args_t* args, cef_app_t* application, void* windows_sandbox_info);
typedef void (CEF_EXPORT* cef_do_message_loop_work_ptr)(void);
typedef void (CEF_EXPORT* cef_run_message_loop_ptr)(void);
typedef void (CEF_EXPORT* cef_quit_message_loop_ptr)(void);
typedef void (CEF_EXPORT* cef_set_osmodal_loop_ptr)(int osModalLoop);
typedef void (CEF_EXPORT* cef_enable_highdpi_support_ptr)(void);
typedef int (CEF_EXPORT* cef_browser_host_create_browser_ptr)(const cef_window_info_t* windowInfo, cef_client_t* client, const cef_string_t* url, const cef_browser_settings_t* settings, cef_request_context_t* request_context);
typedef cef_browser_t* (CEF_EXPORT* cef_browser_host_create_browser_sync_ptr)(const cef_window_info_t* windowInfo, cef_client_t* client, const cef_string_t* url, const cef_browser_settings_t* settings, cef_request_context_t* request_context);
typedef cef_command_line_t* (CEF_EXPORT* cef_command_line_create_ptr)(void);
typedef cef_command_line_t* (CEF_EXPORT* cef_command_line_get_global_ptr)(void);
typedef cef_cookie_manager_t* (CEF_EXPORT* cef_cookie_manager_get_global_manager_ptr)(cef_completion_callback_t* callback);
typedef cef_cookie_manager_t* (CEF_EXPORT* cef_cookie_manager_get_blocking_manager_ptr)(void);
typedef cef_cookie_manager_t* (CEF_EXPORT* cef_cookie_manager_create_manager_ptr)(const cef_string_t* path, int persist_session_cookies, cef_completion_callback_t* callback);
typedef int (CEF_EXPORT* cef_crash_reporting_enabled_ptr)(void);
typedef void (CEF_EXPORT* cef_set_crash_key_value_ptr)(const cef_string_t* key, const cef_string_t* value);
typedef cef_drag_data_t* (CEF_EXPORT* cef_drag_data_create_ptr)(void);
typedef int (CEF_EXPORT* cef_create_directory_ptr)(const cef_string_t* full_path);
typedef int (CEF_EXPORT* cef_get_temp_directory_ptr)(cef_string_t* temp_dir);
typedef int (CEF_EXPORT* cef_create_new_temp_directory_ptr)(const cef_string_t* prefix, cef_string_t* new_temp_path);
typedef int (CEF_EXPORT* cef_create_temp_directory_in_directory_ptr)(const cef_string_t* base_dir, const cef_string_t* prefix, cef_string_t* new_dir);
typedef int (CEF_EXPORT* cef_directory_exists_ptr)(const cef_string_t* path);
typedef int (CEF_EXPORT* cef_delete_file_ptr)(const cef_string_t* path, int recursive);
typedef int (CEF_EXPORT* cef_zip_directory_ptr)(const cef_string_t* src_dir, const cef_string_t* dest_file, int include_hidden_files);
typedef void (CEF_EXPORT* cef_load_crlsets_file_ptr)(const cef_string_t* path);
typedef cef_image_t* (CEF_EXPORT* cef_image_create_ptr)(void);
typedef cef_menu_model_t* (CEF_EXPORT* cef_menu_model_create_ptr)(cef_menu_model_delegate_t* delegate);
typedef int (CEF_EXPORT* cef_add_cross_origin_whitelist_entry_ptr)(const cef_string_t* source_origin, const cef_string_t* target_protocol, const cef_string_t* target_domain, int allow_target_subdomains);
typedef int (CEF_EXPORT* cef_remove_cross_origin_whitelist_entry_ptr)(const cef_string_t* source_origin, const cef_string_t* target_protocol, const cef_string_t* target_domain, int allow_target_subdomains);
typedef int (CEF_EXPORT* cef_clear_cross_origin_whitelist_ptr)(void);
typedef int (CEF_EXPORT* cef_parse_url_ptr)(const cef_string_t* url, cef_urlparts_t* parts);
typedef int (CEF_EXPORT* cef_create_url_ptr)(const cef_urlparts_t* parts, cef_string_t* url);
typedef cef_string_userfree_t (CEF_EXPORT* cef_format_url_for_security_display_ptr)(const cef_string_t* origin_url);
typedef cef_string_userfree_t (CEF_EXPORT* cef_get_mime_type_ptr)(const cef_string_t* extension);
typedef void (CEF_EXPORT* cef_get_extensions_for_mime_type_ptr)(const cef_string_t* mime_type, cef_string_list_t extensions);
typedef cef_string_userfree_t (CEF_EXPORT* cef_base64encode_ptr)(const void* data, size_t data_size);
typedef cef_binary_value_t* (CEF_EXPORT* cef_base64decode_ptr)(const cef_string_t* data);
typedef cef_string_userfree_t (CEF_EXPORT* cef_uriencode_ptr)(const cef_string_t* text, int use_plus);
typedef cef_string_userfree_t (CEF_EXPORT* cef_uridecode_ptr)(const cef_string_t* text, int convert_to_utf8, cef_uri_unescape_rule_t unescape_rule);
typedef cef_value_t* (CEF_EXPORT* cef_parse_json_ptr)(const cef_string_t* json_string, cef_json_parser_options_t options);
typedef cef_value_t* (CEF_EXPORT* cef_parse_jsonand_return_error_ptr)(const cef_string_t* json_string, cef_json_parser_options_t options, cef_json_parser_error_t* error_code_out, cef_string_t* error_msg_out);
typedef cef_string_userfree_t (CEF_EXPORT* cef_write_json_ptr)(cef_value_t* node, cef_json_writer_options_t options);
typedef int (CEF_EXPORT* cef_get_path_ptr)(cef_path_key_t key, cef_string_t* path);
typedef cef_print_settings_t* (CEF_EXPORT* cef_print_settings_create_ptr)(void);
typedef cef_process_message_t* (CEF_EXPORT* cef_process_message_create_ptr)(const cef_string_t* name);
typedef int (CEF_EXPORT* cef_launch_process_ptr)(cef_command_line_t* command_line);
typedef cef_request_t* (CEF_EXPORT* cef_request_create_ptr)(void);
typedef cef_post_data_t* (CEF_EXPORT* cef_post_data_create_ptr)(void);
typedef cef_post_data_element_t* (CEF_EXPORT* cef_post_data_element_create_ptr)(void);
typedef cef_request_context_t* (CEF_EXPORT* cef_request_context_get_global_context_ptr)(void);
typedef cef_request_context_t* (CEF_EXPORT* cef_request_context_create_context_ptr)(const cef_request_context_settings_t* settings, cef_request_context_handler_t* handler);
typedef cef_request_context_t* (CEF_EXPORT* cef_create_context_shared_ptr)(cef_request_context_t* other, cef_request_context_handler_t* handler);
typedef cef_resource_bundle_t* (CEF_EXPORT* cef_resource_bundle_get_global_ptr)(void);
typedef cef_response_t* (CEF_EXPORT* cef_response_create_ptr)(void);
typedef void (CEF_EXPORT* cef_server_create_ptr)(const cef_string_t* address, uint16 port, int backlog, cef_server_handler_t* handler);
typedef int (CEF_EXPORT* cef_register_scheme_handler_factory_ptr)(const cef_string_t* scheme_name, const cef_string_t* domain_name, cef_scheme_handler_factory_t* factory);
typedef int (CEF_EXPORT* cef_clear_scheme_handler_factories_ptr)(void);
typedef int (CEF_EXPORT* cef_is_cert_status_error_ptr)(cef_cert_status_t status);
typedef int (CEF_EXPORT* cef_is_cert_status_minor_error_ptr)(cef_cert_status_t status);
typedef cef_stream_reader_t* (CEF_EXPORT* cef_stream_reader_create_for_file_ptr)(const cef_string_t* fileName);
typedef cef_stream_reader_t* (CEF_EXPORT* cef_stream_reader_create_for_data_ptr)(void* data, size_t size);
typedef cef_stream_reader_t* (CEF_EXPORT* cef_stream_reader_create_for_handler_ptr)(cef_read_handler_t* handler);
typedef cef_stream_writer_t* (CEF_EXPORT* cef_stream_writer_create_for_file_ptr)(const cef_string_t* fileName);
typedef cef_stream_writer_t* (CEF_EXPORT* cef_stream_writer_create_for_handler_ptr)(cef_write_handler_t* handler);
typedef cef_task_runner_t* (CEF_EXPORT* cef_task_runner_get_for_current_thread_ptr)(void);
typedef cef_task_runner_t* (CEF_EXPORT* cef_task_runner_get_for_thread_ptr)(cef_thread_id_t threadId);
typedef int (CEF_EXPORT* cef_currently_on_ptr)(cef_thread_id_t threadId);
typedef int (CEF_EXPORT* cef_post_task_ptr)(cef_thread_id_t threadId, cef_task_t* task);
typedef int (CEF_EXPORT* cef_post_delayed_task_ptr)(cef_thread_id_t threadId, cef_task_t* task, int64 delay_ms);
typedef cef_thread_t* (CEF_EXPORT* cef_thread_create_ptr)(const cef_string_t* display_name, cef_thread_priority_t priority, cef_message_loop_type_t message_loop_type, int stoppable, cef_com_init_mode_t com_init_mode);
typedef int (CEF_EXPORT* cef_begin_tracing_ptr)(const cef_string_t* categories, cef_completion_callback_t* callback);
typedef int (CEF_EXPORT* cef_end_tracing_ptr)(const cef_string_t* tracing_file, cef_end_tracing_callback_t* callback);
typedef int64 (CEF_EXPORT* cef_now_from_system_trace_time_ptr)(void);
typedef cef_urlrequest_t* (CEF_EXPORT* cef_urlrequest_create_ptr)(cef_request_t* request, cef_urlrequest_client_t* client, cef_request_context_t* request_context);
typedef cef_v8context_t* (CEF_EXPORT* cef_v8context_get_current_context_ptr)(void);
typedef cef_v8context_t* (CEF_EXPORT* cef_v8context_get_entered_context_ptr)(void);
typedef int (CEF_EXPORT* cef_v8context_in_context_ptr)(void);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_undefined_ptr)(void);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_null_ptr)(void);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_bool_ptr)(int value);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_int_ptr)(int32 value);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_uint_ptr)(uint32 value);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_double_ptr)(double value);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_date_ptr)(const cef_time_t* date);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_string_ptr)(const cef_string_t* value);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_object_ptr)(cef_v8accessor_t* accessor, cef_v8interceptor_t* interceptor);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_array_ptr)(int length);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_array_buffer_ptr)(void* buffer, size_t length, cef_v8array_buffer_release_callback_t* release_callback);
typedef cef_v8value_t* (CEF_EXPORT* cef_v8value_create_function_ptr)(const cef_string_t* name, cef_v8handler_t* handler);
typedef cef_v8stack_trace_t* (CEF_EXPORT* cef_v8stack_trace_get_current_ptr)(int frame_limit);
typedef int (CEF_EXPORT* cef_register_extension_ptr)(const cef_string_t* extension_name, const cef_string_t* javascript_code, cef_v8handler_t* handler);
typedef cef_value_t* (CEF_EXPORT* cef_value_create_ptr)(void);
typedef cef_binary_value_t* (CEF_EXPORT* cef_binary_value_create_ptr)(const void* data, size_t data_size);
typedef cef_dictionary_value_t* (CEF_EXPORT* cef_dictionary_value_create_ptr)(void);
typedef cef_list_value_t* (CEF_EXPORT* cef_list_value_create_ptr)(void);
typedef cef_waitable_event_t* (CEF_EXPORT* cef_waitable_event_create_ptr)(int automatic_reset, int initially_signaled);
typedef void (CEF_EXPORT* cef_visit_web_plugin_info_ptr)(cef_web_plugin_info_visitor_t* visitor);
typedef void (CEF_EXPORT* cef_refresh_web_plugins_ptr)(void);
typedef void (CEF_EXPORT* cef_unregister_internal_web_plugin_ptr)(const cef_string_t* path);
typedef void (CEF_EXPORT* cef_register_web_plugin_crash_ptr)(const cef_string_t* path);
typedef void (CEF_EXPORT* cef_is_web_plugin_unstable_ptr)(const cef_string_t* path, cef_web_plugin_unstable_callback_t* callback);
typedef void (CEF_EXPORT* cef_register_widevine_cdm_ptr)(const cef_string_t* path, cef_register_cdm_callback_t* callback);
typedef cef_xml_reader_t* (CEF_EXPORT* cef_xml_reader_create_ptr)(cef_stream_reader_t* stream, cef_xml_encoding_type_t encodingType, const cef_string_t* URI);
typedef cef_zip_reader_t* (CEF_EXPORT* cef_zip_reader_create_ptr)(cef_stream_reader_t* stream);
typedef int (CEF_EXPORT* cef_get_min_log_level_ptr)(void);
typedef int (CEF_EXPORT* cef_get_vlog_level_ptr)(const char* file_start, size_t N);
typedef void (CEF_EXPORT* cef_log_ptr)(const char* file, int line, int severity, const char* message);
typedef cef_string_list_t (CEF_EXPORT* cef_string_list_alloc_ptr)(void);
typedef size_t (CEF_EXPORT* cef_string_list_size_ptr)(cef_string_list_t list);
typedef int (CEF_EXPORT* cef_string_list_value_ptr)(cef_string_list_t list, size_t index, cef_string_t* value);
typedef void (CEF_EXPORT* cef_string_list_append_ptr)(cef_string_list_t list, const cef_string_t* value);
typedef void (CEF_EXPORT* cef_string_list_clear_ptr)(cef_string_list_t list);
typedef void (CEF_EXPORT* cef_string_list_free_ptr)(cef_string_list_t list);
typedef cef_string_list_t (CEF_EXPORT* cef_string_list_copy_ptr)(cef_string_list_t list);
typedef cef_string_map_t (CEF_EXPORT* cef_string_map_alloc_ptr)(void);
typedef size_t (CEF_EXPORT* cef_string_map_size_ptr)(cef_string_map_t map);
typedef int (CEF_EXPORT* cef_string_map_find_ptr)(cef_string_map_t map, const cef_string_t* key, cef_string_t* value);
typedef int (CEF_EXPORT* cef_string_map_key_ptr)(cef_string_map_t map, size_t index, cef_string_t* key);
typedef int (CEF_EXPORT* cef_string_map_value_ptr)(cef_string_map_t map, size_t index, cef_string_t* value);
typedef int (CEF_EXPORT* cef_string_map_append_ptr)(cef_string_map_t map, const cef_string_t* key, const cef_string_t* value);
typedef void (CEF_EXPORT* cef_string_map_clear_ptr)(cef_string_map_t map);
typedef void (CEF_EXPORT* cef_string_map_free_ptr)(cef_string_map_t map);
typedef cef_string_multimap_t (CEF_EXPORT* cef_string_multimap_alloc_ptr)(void);
typedef size_t (CEF_EXPORT* cef_string_multimap_size_ptr)(cef_string_multimap_t map);
typedef size_t (CEF_EXPORT* cef_string_multimap_find_count_ptr)(cef_string_multimap_t map, const cef_string_t* key);
typedef int (CEF_EXPORT* cef_string_multimap_enumerate_ptr)(cef_string_multimap_t map, const cef_string_t* key, size_t value_index, cef_string_t* value);
typedef int (CEF_EXPORT* cef_string_multimap_key_ptr)(cef_string_multimap_t map, size_t index, cef_string_t* key);
typedef int (CEF_EXPORT* cef_string_multimap_value_ptr)(cef_string_multimap_t map, size_t index, cef_string_t* value);
typedef int (CEF_EXPORT* cef_string_multimap_append_ptr)(cef_string_multimap_t map, const cef_string_t* key, const cef_string_t* value);
typedef void (CEF_EXPORT* cef_string_multimap_clear_ptr)(cef_string_multimap_t map);
typedef void (CEF_EXPORT* cef_string_multimap_free_ptr)(cef_string_multimap_t map);
typedef int (CEF_EXPORT* cef_string_wide_set_ptr)(const wchar_t* src, size_t src_len, cef_string_wide_t* output, int copy);
typedef int (CEF_EXPORT* cef_string_utf8_set_ptr)(const char* src, size_t src_len, cef_string_utf8_t* output, int copy);
typedef int (CEF_EXPORT* cef_string_utf16_set_ptr)(const char16* src, size_t src_len, cef_string_utf16_t* output, int copy);
typedef void (CEF_EXPORT* cef_string_wide_clear_ptr)(cef_string_wide_t* str);
typedef void (CEF_EXPORT* cef_string_utf8_clear_ptr)(cef_string_utf8_t* str);
typedef void (CEF_EXPORT* cef_string_utf16_clear_ptr)(cef_string_utf16_t* str);
typedef int (CEF_EXPORT* cef_string_wide_cmp_ptr)(const cef_string_wide_t* str1, const cef_string_wide_t* str2);
typedef int (CEF_EXPORT* cef_string_utf8_cmp_ptr)(const cef_string_utf8_t* str1, const cef_string_utf8_t* str2);
typedef int (CEF_EXPORT* cef_string_utf16_cmp_ptr)(const cef_string_utf16_t* str1, const cef_string_utf16_t* str2);
typedef int (CEF_EXPORT* cef_string_wide_to_utf8_ptr)(const wchar_t* src, size_t src_len, cef_string_utf8_t* output);
typedef int (CEF_EXPORT* cef_string_utf8_to_wide_ptr)(const char* src, size_t src_len, cef_string_wide_t* output);
typedef int (CEF_EXPORT* cef_string_wide_to_utf16_ptr)(const wchar_t* src, size_t src_len, cef_string_utf16_t* output);
typedef int (CEF_EXPORT* cef_string_utf16_to_wide_ptr)(const char16* src, size_t src_len, cef_string_wide_t* output);
typedef int (CEF_EXPORT* cef_string_utf8_to_utf16_ptr)(const char* src, size_t src_len, cef_string_utf16_t* output);
typedef int (CEF_EXPORT* cef_string_utf16_to_utf8_ptr)(const char16* src, size_t src_len, cef_string_utf8_t* output);
typedef int (CEF_EXPORT* cef_string_ascii_to_wide_ptr)(const char* src, size_t src_len, cef_string_wide_t* output);
typedef int (CEF_EXPORT* cef_string_ascii_to_utf16_ptr)(const char* src, size_t src_len, cef_string_utf16_t* output);
typedef cef_string_userfree_wide_t (CEF_EXPORT* cef_string_userfree_wide_alloc_ptr)(void);
typedef cef_string_userfree_utf8_t (CEF_EXPORT* cef_string_userfree_utf8_alloc_ptr)(void);
typedef cef_string_userfree_utf16_t (CEF_EXPORT* cef_string_userfree_utf16_alloc_ptr)(void);
typedef void (CEF_EXPORT* cef_string_userfree_wide_free_ptr)(cef_string_userfree_wide_t str);
typedef void (CEF_EXPORT* cef_string_userfree_utf8_free_ptr)(cef_string_userfree_utf8_t str);
typedef void (CEF_EXPORT* cef_string_userfree_utf16_free_ptr)(cef_string_userfree_utf16_t str);
typedef int (CEF_EXPORT* cef_string_utf16_to_lower_ptr)(const char16* src, size_t src_len, cef_string_utf16_t* output);
typedef int (CEF_EXPORT* cef_string_utf16_to_upper_ptr)(const char16* src, size_t src_len, cef_string_utf16_t* output);
typedef cef_platform_thread_id_t (CEF_EXPORT* cef_get_current_platform_thread_id_ptr)(void);
typedef cef_platform_thread_handle_t (CEF_EXPORT* cef_get_current_platform_thread_handle_ptr)(void);
typedef void (CEF_EXPORT* cef_trace_event_instant_ptr)(const char* category, const char* name, const char* arg1_name, uint64 arg1_val, const char* arg2_name, uint64 arg2_val, int copy);
typedef void (CEF_EXPORT* cef_trace_event_begin_ptr)(const char* category, const char* name, const char* arg1_name, uint64 arg1_val, const char* arg2_name, uint64 arg2_val, int copy);
typedef void (CEF_EXPORT* cef_trace_event_end_ptr)(const char* category, const char* name, const char* arg1_name, uint64 arg1_val, const char* arg2_name, uint64 arg2_val, int copy);
typedef void (CEF_EXPORT* cef_trace_counter_ptr)(const char* category, const char* name, const char* value1_name, uint64 value1_val, const char* value2_name, uint64 value2_val, int copy);
typedef void (CEF_EXPORT* cef_trace_counter_id_ptr)(const char* category, const char* name, uint64 id, const char* value1_name, uint64 value1_val, const char* value2_name, uint64 value2_val, int copy);
typedef void (CEF_EXPORT* cef_trace_event_async_begin_ptr)(const char* category, const char* name, uint64 id, const char* arg1_name, uint64 arg1_val, const char* arg2_name, uint64 arg2_val, int copy);
typedef void (CEF_EXPORT* cef_trace_event_async_step_into_ptr)(const char* category, const char* name, uint64 id, uint64 step, const char* arg1_name, uint64 arg1_val, int copy);
typedef void (CEF_EXPORT* cef_trace_event_async_step_past_ptr)(const char* category, const char* name, uint64 id, uint64 step, const char* arg1_name, uint64 arg1_val, int copy);
typedef void (CEF_EXPORT* cef_trace_event_async_end_ptr)(const char* category, const char* name, uint64 id, const char* arg1_name, uint64 arg1_val, const char* arg2_name, uint64 arg2_val, int copy);
typedef cef_browser_view_t* (CEF_EXPORT* cef_browser_view_create_ptr)(cef_client_t* client, const cef_string_t* url, const cef_browser_settings_t* settings, cef_request_context_t* request_context, cef_browser_view_delegate_t* delegate);
typedef cef_browser_view_t* (CEF_EXPORT* cef_browser_view_get_for_browser_ptr)(cef_browser_t* browser);
typedef cef_display_t* (CEF_EXPORT* cef_display_get_primary_ptr)(void);
typedef cef_display_t* (CEF_EXPORT* cef_display_get_nearest_point_ptr)(const cef_point_t* point, int input_pixel_coords);
typedef cef_display_t* (CEF_EXPORT* cef_display_get_matching_bounds_ptr)(const cef_rect_t* bounds, int input_pixel_coords);
typedef size_t (CEF_EXPORT* cef_display_get_count_ptr)(void);
typedef void (CEF_EXPORT* cef_display_get_alls_ptr)(size_t* displaysCount, cef_display_t** displays);
typedef cef_label_button_t* (CEF_EXPORT* cef_label_button_create_ptr)(cef_button_delegate_t* delegate, const cef_string_t* text, int with_frame);
typedef cef_menu_button_t* (CEF_EXPORT* cef_menu_button_create_ptr)(cef_menu_button_delegate_t* delegate, const cef_string_t* text, int with_frame);
typedef cef_panel_t* (CEF_EXPORT* cef_panel_create_ptr)(cef_panel_delegate_t* delegate);
typedef cef_scroll_view_t* (CEF_EXPORT* cef_scroll_view_create_ptr)(cef_view_delegate_t* delegate);
typedef cef_textfield_t* (CEF_EXPORT* cef_textfield_create_ptr)(cef_textfield_delegate_t* delegate);
typedef cef_window_t* (CEF_EXPORT* cef_window_create_top_level_ptr)(cef_window_delegate_t* delegate);

// Every exported function, grouped as the library is bound: all of a group or none.
// X(group, name)
#define CEF_EXPORTED_FUNCTIONS(X) \
  X(app, cef_initialize) \
  X(app, cef_shutdown) \
  X(app, cef_execute_process) \
  X(app, cef_do_message_loop_work) \
  X(app, cef_run_message_loop) \
  X(app, cef_quit_message_loop) \
  X(app, cef_set_osmodal_loop) \
  X(app, cef_enable_highdpi_support) \
  X(browser, cef_browser_host_create_browser) \
  X(browser, cef_browser_host_create_browser_sync) \
  X(command_line, cef_command_line_create) \
  X(command_line, cef_command_line_get_global) \
  X(cookie, cef_cookie_manager_get_global_manager) \
  X(cookie, cef_cookie_manager_get_blocking_manager) \
  X(cookie, cef_cookie_manager_create_manager) \
  X(crash_util, cef_crash_reporting_enabled) \
  X(crash_util, cef_set_crash_key_value) \
  X(drag_data, cef_drag_data_create) \
  X(file_util, cef_create_directory) \
  X(file_util, cef_get_temp_directory) \
  X(file_util, cef_create_new_temp_directory) \
  X(file_util, cef_create_temp_directory_in_directory) \
  X(file_util, cef_directory_exists) \
  X(file_util, cef_delete_file) \
  X(file_util, cef_zip_directory) \
  X(file_util, cef_load_crlsets_file) \
  X(image, cef_image_create) \
  X(menu_model, cef_menu_model_create) \
  X(origin_whitelist, cef_add_cross_origin_whitelist_entry) \
  X(origin_whitelist, cef_remove_cross_origin_whitelist_entry) \
  X(origin_whitelist, cef_clear_cross_origin_whitelist) \
  X(parser, cef_parse_url) \
  X(parser, cef_create_url) \
  X(parser, cef_format_url_for_security_display) \
  X(parser, cef_get_mime_type) \
  X(parser, cef_get_extensions_for_mime_type) \
  X(parser, cef_base64encode) \
  X(parser, cef_base64decode) \
  X(parser, cef_uriencode) \
  X(parser, cef_uridecode) \
  X(parser, cef_parse_json) \
  X(parser, cef_parse_jsonand_return_error) \
  X(parser, cef_write_json) \
  X(path_util, cef_get_path) \
  X(print_settings, cef_print_settings_create) \
  X(process_message, cef_process_message_create) \
  X(process_util, cef_launch_process) \
  X(request, cef_request_create) \
  X(request, cef_post_data_create) \
  X(request, cef_post_data_element_create) \
  X(request_context, cef_request_context_get_global_context) \
  X(request_context, cef_request_context_create_context) \
  X(request_context, cef_create_context_shared) \
  X(resource_bundle, cef_resource_bundle_get_global) \
  X(response, cef_response_create) \
  X(server, cef_server_create) \
  X(scheme, cef_register_scheme_handler_factory) \
  X(scheme, cef_clear_scheme_handler_factories) \
  X(ssl_info, cef_is_cert_status_error) \
  X(ssl_info, cef_is_cert_status_minor_error) \
  X(stream, cef_stream_reader_create_for_file) \
  X(stream, cef_stream_reader_create_for_data) \
  X(stream, cef_stream_reader_create_for_handler) \
  X(stream, cef_stream_writer_create_for_file) \
  X(stream, cef_stream_writer_create_for_handler) \
  X(task, cef_task_runner_get_for_current_thread) \
  X(task, cef_task_runner_get_for_thread) \
  X(task, cef_currently_on) \
  X(task, cef_post_task) \
  X(task, cef_post_delayed_task) \
  X(thread, cef_thread_create) \
  X(trace, cef_begin_tracing) \
  X(trace, cef_end_tracing) \
  X(trace, cef_now_from_system_trace_time) \
  X(url_request, cef_urlrequest_create) \
  X(v8, cef_v8context_get_current_context) \
  X(v8, cef_v8context_get_entered_context) \
  X(v8, cef_v8context_in_context) \
  X(v8, cef_v8value_create_undefined) \
  X(v8, cef_v8value_create_null) \
  X(v8, cef_v8value_create_bool) \
  X(v8, cef_v8value_create_int) \
  X(v8, cef_v8value_create_uint) \
  X(v8, cef_v8value_create_double) \
  X(v8, cef_v8value_create_date) \
  X(v8, cef_v8value_create_string) \
  X(v8, cef_v8value_create_object) \
  X(v8, cef_v8value_create_array) \
  X(v8, cef_v8value_create_array_buffer) \
  X(v8, cef_v8value_create_function) \
  X(v8, cef_v8stack_trace_get_current) \
  X(v8, cef_register_extension) \
  X(values, cef_value_create) \
  X(values, cef_binary_value_create) \
  X(values, cef_dictionary_value_create) \
  X(values, cef_list_value_create) \
  X(waitable_event, cef_waitable_event_create) \
  X(web_plugin, cef_visit_web_plugin_info) \
  X(web_plugin, cef_refresh_web_plugins) \
  X(web_plugin, cef_unregister_internal_web_plugin) \
  X(web_plugin, cef_register_web_plugin_crash) \
  X(web_plugin, cef_is_web_plugin_unstable) \
  X(web_plugin, cef_register_widevine_cdm) \
  X(xml_reader, cef_xml_reader_create) \
  X(zip_reader, cef_zip_reader_create) \
  X(logging, cef_get_min_log_level) \
  X(logging, cef_get_vlog_level) \
  X(logging, cef_log) \
  X(string_list, cef_string_list_alloc) \
  X(string_list, cef_string_list_size) \
  X(string_list, cef_string_list_value) \
  X(string_list, cef_string_list_append) \
  X(string_list, cef_string_list_clear) \
  X(string_list, cef_string_list_free) \
  X(string_list, cef_string_list_copy) \
  X(string_map, cef_string_map_alloc) \
  X(string_map, cef_string_map_size) \
  X(string_map, cef_string_map_find) \
  X(string_map, cef_string_map_key) \
  X(string_map, cef_string_map_value) \
  X(string_map, cef_string_map_append) \
  X(string_map, cef_string_map_clear) \
  X(string_map, cef_string_map_free) \
  X(string_multimap, cef_string_multimap_alloc) \
  X(string_multimap, cef_string_multimap_size) \
  X(string_multimap, cef_string_multimap_find_count) \
  X(string_multimap, cef_string_multimap_enumerate) \
  X(string_multimap, cef_string_multimap_key) \
  X(string_multimap, cef_string_multimap_value) \
  X(string_multimap, cef_string_multimap_append) \
  X(string_multimap, cef_string_multimap_clear) \
  X(string_multimap, cef_string_multimap_free) \
  X(string_types, cef_string_wide_set) \
  X(string_types, cef_string_utf8_set) \
  X(string_types, cef_string_utf16_set) \
  X(string_types, cef_string_wide_clear) \
  X(string_types, cef_string_utf8_clear) \
  X(string_types, cef_string_utf16_clear) \
  X(string_types, cef_string_wide_cmp) \
  X(string_types, cef_string_utf8_cmp) \
  X(string_types, cef_string_utf16_cmp) \
  X(string_types, cef_string_wide_to_utf8) \
  X(string_types, cef_string_utf8_to_wide) \
  X(string_types, cef_string_wide_to_utf16) \
  X(string_types, cef_string_utf16_to_wide) \
  X(string_types, cef_string_utf8_to_utf16) \
  X(string_types, cef_string_utf16_to_utf8) \
  X(string_types, cef_string_ascii_to_wide) \
  X(string_types, cef_string_ascii_to_utf16) \
  X(string_types, cef_string_userfree_wide_alloc) \
  X(string_types, cef_string_userfree_utf8_alloc) \
  X(string_types, cef_string_userfree_utf16_alloc) \
  X(string_types, cef_string_userfree_wide_free) \
  X(string_types, cef_string_userfree_utf8_free) \
  X(string_types, cef_string_userfree_utf16_free) \
  X(string_types, cef_string_utf16_to_lower) \
  X(string_types, cef_string_utf16_to_upper) \
  X(thread_internal, cef_get_current_platform_thread_id) \
  X(thread_internal, cef_get_current_platform_thread_handle) \
  X(trace_event, cef_trace_event_instant) \
  X(trace_event, cef_trace_event_begin) \
  X(trace_event, cef_trace_event_end) \
  X(trace_event, cef_trace_counter) \
  X(trace_event, cef_trace_counter_id) \
  X(trace_event, cef_trace_event_async_begin) \
  X(trace_event, cef_trace_event_async_step_into) \
  X(trace_event, cef_trace_event_async_step_past) \
  X(trace_event, cef_trace_event_async_end) \
  X(browser_view, cef_browser_view_create) \
  X(browser_view, cef_browser_view_get_for_browser) \
  X(display, cef_display_get_primary) \
  X(display, cef_display_get_nearest_point) \
  X(display, cef_display_get_matching_bounds) \
  X(display, cef_display_get_count) \
  X(display, cef_display_get_alls) \
  X(label_button, cef_label_button_create) \
  X(menu_button, cef_menu_button_create) \
  X(panel, cef_panel_create) \
  X(scroll_view, cef_scroll_view_create) \
  X(textfield, cef_textfield_create) \
  X(window, cef_window_create_top_level)

inline constexpr int kCefExportedFunctionCount = 181;
