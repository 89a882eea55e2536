#include "engine/engine_app.h"

#include <shlwapi.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "base/command_line.h"
#include "base/files.h"
#include "base/gui_windows.h"
#include "base/threads.h"
#include "engine/cef_library.h"
#include "engine/cef_ref.h"
#include "engine/cef_string.h"
#include "engine/cookie_store_initializer.h"
#include "engine/diagnostics.h"
#include "engine/file_info.h"

namespace lzg {
namespace {

const wchar_t kCrlf[] = L"\r\n";

// The engine's floating-point code expects every x87 exception masked.
void MaskFpuExceptions() {
#if defined(__i386__) || defined(__x86_64__)
  unsigned short cw = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(cw));
  cw |= 0x003F;  // invalid, denormal, zero-divide, overflow, underflow, precision
  __asm__ __volatile__("fldcw %0" : : "m"(cw));
#endif
}

// Relative input gets the executable's directory in front; nothing else is normalised.
std::wstring AbsoluteFromExe(const std::wstring& value) {
  if (value.empty()) return value;
  return PathIsRelativeW(value.c_str()) ? ExeDirectory() + value : value;
}

// The engine's own folders: kept only when they are there.
std::wstring ExistingDirectory(const std::wstring& value) {
  std::wstring path = AbsoluteFromExe(value);
  return !path.empty() && DirectoryExists(path) ? path : std::wstring();
}

// The folder prefix under which a check looks for its files, and whether that folder is there (an empty folder
// means the current directory).
struct CheckFolder {
  std::wstring prefix;
  bool exists = true;
};
CheckFolder AbsoluteCheckFolder(const std::wstring& dir) {
  if (dir.empty()) return {};
  CheckFolder folder{AbsoluteFromExe(IncludeTrailingPathDelimiter(dir)), false};
  folder.exists = DirectoryExists(folder.prefix);
  return folder;
}

std::wstring LibraryPath(const std::wstring& framework_dir) {
  return framework_dir.empty() ? std::wstring(L"libcef.dll") : IncludeTrailingPathDelimiter(framework_dir) + L"libcef.dll";
}

BOOL CALLBACK CollectThreadWindow(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

// A sub-process must own no window of ours: whatever the GUI layer made on this thread before the engine's start
// goes. Looking through the thread's windows loads the display driver, so only when the layer holds some.
void DestroyHiddenAppWindows() {
  if (gui_windows::Alive() == 0) return;
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectThreadWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND w : windows) DestroyWindow(w);
}

}  // namespace

// ---- Creation ---------------------------------------------------------------------------------------

EngineApp::EngineApp() : EngineApp(std::wstring(GetCommandLineW())) {}

ProcessType EngineApp::ProcessTypeOf(const std::wstring& command_line) {
  // The profile's first argument is read by the same rule: one reading of the command line for both.
  return ParseProcessType(CommandLineArguments(command_line));
}

std::wstring EngineApp::SwitchValueOf(const std::wstring& command_line, const std::wstring& name) {
  return SwitchValue(CommandLineArguments(command_line), name).value_or(std::wstring());
}

EngineApp::EngineApp(const std::wstring& command_line) {
  process_type_ = ProcessTypeOf(command_line);
  std::memset(&settings_, 0, sizeof settings_);
  settings_.size = sizeof(cef_settings_t);
  MaskFpuExceptions();
  // The engine object is made on the main thread; the launch sequence has usually recorded it already.
  if (!threads::Main()) threads::SetMain();
}

EngineApp::~EngineApp() {
  // From here on the engine's callbacks reach nothing of ours.
  if (app_handler_) app_handler_->Detach();
  if (process_type_ == ProcessType::kBrowser) ShutDown();
  // The library stays loaded until the process ends: engine threads may still run code of it.
  lib_loaded_ = false;
  status_ = AppStatus::kUnloaded;
}

// ---- Paths ------------------------------------------------------------------------------------------

void EngineApp::SetFrameworkDirPath(const std::wstring& value) { framework_dir_path_ = ExistingDirectory(value); }
void EngineApp::SetResourcesDirPath(const std::wstring& value) { resources_dir_path_ = ExistingDirectory(value); }
void EngineApp::SetLocalesDirPath(const std::wstring& value) { locales_dir_path_ = ExistingDirectory(value); }

void EngineApp::SetCache(const std::wstring& value) {
  cache_ = AbsoluteFromExe(value);
  switches_.disable_gpu_cache = cache_.empty();
}

void EngineApp::SetCookies(const std::wstring& value) { cookies_ = AbsoluteFromExe(value); }

void EngineApp::SetUserDataPath(const std::wstring& value) { user_data_path_ = AbsoluteFromExe(value); }

// ---- Settings record and switches -------------------------------------------------------------------

void EngineApp::InitializeSettings() {
  static const std::wstring kEmpty;
  cef_settings_t& s = settings_;
  std::memset(&s, 0, sizeof s);
  s.size = sizeof(cef_settings_t);
  // The sandbox needs a sub-process executable of its own.
  s.no_sandbox = 1;
  // An empty sub-process path: the engine runs its sub-processes from this same executable.
  s.browser_subprocess_path = CefStringView(kEmpty);
  s.framework_dir_path = CefStringView(framework_dir_path_);
  // The engine runs its own UI thread; the main thread keeps its ordinary message loop.
  s.multi_threaded_message_loop = 1;
  s.cache_path = CefStringView(cache_);
  s.user_data_path = CefStringView(user_data_path_);
  s.user_agent = CefStringView(kEmpty);
  s.product_version = CefStringView(kEmpty);
  s.locale = CefStringView(locale_);
  s.log_file = CefStringView(kEmpty);
  // No log of the engine's own beside the client's.
  s.log_severity = LOGSEVERITY_DISABLE;
  s.javascript_flags = CefStringView(kEmpty);
  s.resources_dir_path = CefStringView(resources_dir_path_);
  s.locales_dir_path = CefStringView(locales_dir_path_);
  s.accept_language_list = CefStringView(accept_language_list_);
}

void EngineApp::OnBeforeCommandLineProcessing(const std::wstring& process_type, cef_command_line_t* command_line) {
  if (!command_line || process_type_ != ProcessType::kBrowser || !process_type.empty()) return;
  for (const BrowserSwitch& sw : BuildBrowserSwitches(switches_)) {
    cef_string_t name = CefStringView(sw.name);
    if (sw.has_value) {
      cef_string_t value = CefStringView(sw.value);
      command_line->append_switch_with_value(command_line, &name, &value);
    } else {
      command_line->append_switch(command_line, &name);
    }
  }
}

void EngineApp::OnBeforeChildProcessLaunch(cef_command_line_t* command_line) {
  if (on_before_child_process_launch) on_before_child_process_launch(command_line);
}

// ---- Context and cookie store -----------------------------------------------------------------------

bool EngineApp::GlobalContextInitialized() const {
  return context_initialized_.load() || process_type_ != ProcessType::kBrowser;
}

void EngineApp::OnContextInitialized() {
  threads::SetEngineUi(GetCurrentThreadId());
  context_initialized_ = true;
  // The initialiser ends before the engine goes down (ShutDown abandons it first), so it may report back here.
  if (!cookies_.empty() &&
      !CookieStoreInitializer::Start(cookies_, /*persist_session_cookies=*/false, [this] { CookieStoreHasSettled(); }))
    CookieStoreHasSettled();
  if (on_context_initialized) on_context_initialized();
}

bool EngineApp::CookieStoreSettled() const { return cookies_.empty() || cookie_store_settled_.load(); }

void EngineApp::CookieStoreHasSettled() {
  if (cookie_store_settled_.exchange(true)) return;
  if (on_cookie_store_settled) on_cookie_store_settled();
}

void EngineApp::SetOsmodalLoop(bool value) {
  if (!LibLoaded()) return;
  RunGuarded("EngineApp.SetOsmodalLoop", [&] {
    if (g_cef.cef_set_osmodal_loop) g_cef.cef_set_osmodal_loop(value ? 1 : 0);
  });
}

// ---- Start-up -----------------------------------------------------------------------------------------

void EngineApp::Fail(AppStatus status, const std::wstring& message) {
  status_ = status;
  ShowErrorMessage(message);
}

bool EngineApp::StartMainProcess() {
  if (status_ != AppStatus::kLoading) return false;
  bool result = false;
  RunGuarded("EngineApp.StartMainProcess", [&] {
    // Sub-processes run from this same executable, so every role passes through the steps below.
    if (process_type_ == ProcessType::kBrowser && !CheckEngineFiles()) return;
    if (!LoadEngineLibrary()) return;
    if (process_type_ != ProcessType::kBrowser) DestroyHiddenAppWindows();

    AppEvents* const events = this;
    app_handler_ = MakeRef<AppHandler>(events, process_type_ == ProcessType::kBrowser);
    const int code = ExecuteProcess(app_handler_->CefPtr());
    if (code >= 0) {  // a sub-process whose role has ended
      sub_process_exit_code_ = code;
      return;
    }
    // The engine reads its command line by rules of its own. A process that this object (and the launch, which
    // skipped the configuration) took for a sub-process does not go on as a browser process it would never shut
    // down.
    if (process_type_ != ProcessType::kBrowser) return;
    result = InitializeLibrary(app_handler_->CefPtr());
  });
  return result;
}

bool EngineApp::CheckEngineFiles() {
  // All three run, so the one message lists everything that is missing.
  bool ok = CheckDlls();
  ok = CheckResources() && ok;
  ok = CheckLocales() && ok;
  if (!ok) {
    Fail(AppStatus::kErrorMissingFiles, MissingFilesMessage(missing_lib_files_));
    return false;
  }
  return CheckDllVersionAndMachine();
}

std::optional<FileVersion> EngineApp::LibraryVersion() {
  if (!lib_version_) lib_version_ = GetDLLVersion(LibraryPath(framework_dir_path_));
  return *lib_version_;
}

std::wstring EngineApp::LibraryVersionText() {
  std::optional<FileVersion> version = LibraryVersion();
  return version ? FormatVersion(*version) : std::wstring(L"none");
}

bool EngineApp::CheckDllVersionAndMachine() {
  std::optional<FileVersion> version = LibraryVersion();
  if (!version || !(*version == kExpectedCefVersion)) {
    Fail(AppStatus::kErrorDllVersion, UnsupportedVersionMessage(version));
    return false;
  }
  std::optional<uint16_t> machine = GetDLLHeaderMachine(LibraryPath(framework_dir_path_));
  if (machine) {  // an unreadable machine type passes
    std::wstring message = MachineMessage(*machine);
    if (!message.empty()) {
      Fail(AppStatus::kErrorDllVersion, message);
      return false;
    }
  }
  return true;
}

bool EngineApp::CheckFilesExist(const std::wstring& dir, bool dir_exists, const std::vector<std::wstring>& names) {
  bool ok = false;
  RunGuarded("CheckFilesExist", [&] {
    if (dir_exists) {
      bool all = true;
      for (const std::wstring& name : names) {
        if (name.empty()) continue;
        std::wstring full = dir + name;
        if (!FileExists(full)) {
          missing_lib_files_ += full + kCrlf;
          all = false;
        }
      }
      ok = all;
    } else {
      std::wstring list;
      for (const std::wstring& name : names) list += dir + name + kCrlf;
      missing_lib_files_ = TrimBlanks(missing_lib_files_) + kCrlf + list;
    }
  });
  return ok;
}

std::vector<std::wstring> EngineApp::FrameworkFiles() const { return FrameworkFileNames(); }

std::vector<std::wstring> EngineApp::ResourceFiles() const {
  return ResourceFileNames(switches_.disable_extensions, /*check_devtools_resources=*/true);
}

std::vector<std::wstring> EngineApp::LocaleFiles() const { return LocaleFileNames(locales_required_); }

bool EngineApp::CheckDlls() {
  bool ok = false;
  RunGuarded("CheckDLLs", [&] {
    const CheckFolder folder = AbsoluteCheckFolder(framework_dir_path_);
    ok = CheckFilesExist(folder.prefix, folder.exists, FrameworkFiles());
  });
  return ok;
}

bool EngineApp::CheckResources() {
  bool ok = false;
  RunGuarded("CheckResources", [&] {
    const CheckFolder folder = AbsoluteCheckFolder(resources_dir_path_);
    ok = CheckFilesExist(folder.prefix, folder.exists, ResourceFiles());
  });
  return ok;
}

bool EngineApp::CheckLocales() {
  bool ok = false;
  RunGuarded("CheckLocales", [&] {
    // Not made absolute: an empty folder means "locales\" under the current directory.
    std::wstring dir =
        locales_dir_path_.empty() ? std::wstring(L"locales\\") : IncludeTrailingPathDelimiter(locales_dir_path_);
    ok = CheckFilesExist(dir, DirectoryExists(dir), LocaleFiles());
  });
  return ok;
}

// ---- Library ----------------------------------------------------------------------------------------

bool EngineApp::LoadEngineLibrary() {
  std::wstring path = LibraryPath(framework_dir_path_);
  HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!library) {
    DWORD error = GetLastError();
    Fail(AppStatus::kErrorLoadingLibrary, LoadErrorMessage(error));
    return false;
  }
  lib_handle_ = library;
  if (const char* missing = BindCefExports(library)) {
    OutputDebugMessage(L"libcef.dll lacks the export " + std::wstring(missing, missing + std::strlen(missing)));
    Fail(AppStatus::kErrorDllVersion, MissingExportMessage());
    return false;  // the library stays loaded
  }
  status_ = AppStatus::kLoaded;
  lib_loaded_ = true;
  return true;
}

int EngineApp::ExecuteProcess(cef_app_t* app) {
  int result = -1;
  bool ran = RunGuarded("EngineApp.ExecuteProcess", [&] {
    if (!g_cef.cef_execute_process) throw std::runtime_error("cef_execute_process is not bound");
    cef_main_args_t args{GetModuleHandleW(nullptr)};
    AddRefCefObject(app);  // the engine owns the reference it is handed
    result = g_cef.cef_execute_process(&args, app, /*windows_sandbox_info=*/nullptr);
  });
  if (!ran) {
    status_ = AppStatus::kErrorExecutingProcess;
    result = -1;
  }
  return result;
}

bool EngineApp::InitializeLibrary(cef_app_t* app) {
  bool ok = false;
  bool ran = RunGuarded("TCefApplication.InitializeLibrary", [&] {
    if (!g_cef.cef_initialize) throw std::runtime_error("cef_initialize is not bound");
    InitializeSettings();
    cef_main_args_t args{GetModuleHandleW(nullptr)};
    AddRefCefObject(app);
    ok = g_cef.cef_initialize(&args, &settings_, app, /*windows_sandbox_info=*/nullptr) != 0;
  });
  status_ = ran && ok ? AppStatus::kInitialized : AppStatus::kErrorInitializingLibrary;
  return ran && ok;
}

// ---- Teardown ---------------------------------------------------------------------------------------

void EngineApp::ShutDown() {
  status_ = AppStatus::kShuttingDown;
  if (!LibLoaded()) return;
  RunGuarded("TCefApplication.ShutDown", [&] {
    // A cookie initialiser still waiting for the store would hold engine objects past the shutdown; it is woken
    // and given a moment to let go of them.
    CookieStoreInitializer::AbandonAll(1000);
    if (g_cef.cef_shutdown) g_cef.cef_shutdown();
  });
}

// ---- Diagnostics ------------------------------------------------------------------------------------

void EngineApp::ShowErrorMessage(const std::wstring& text) {
  OutputDebugMessage(text);
  MessageBoxW(nullptr, text.c_str(), L"Error", MB_OK | MB_ICONERROR | MB_TOPMOST);
}

}  // namespace lzg
