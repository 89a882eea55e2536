#include "engine/engine_app.h"

#include <shlwapi.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "base/files.h"
#include "base/gui_windows.h"
#include "base/log.h"
#include "base/text.h"
#include "base/threads.h"
#include "engine/app_handler.h"
#include "engine/bridge.h"
#include "engine/cef_library.h"
#include "engine/cef_ref.h"
#include "engine/cef_string.h"
#include "engine/cookie_store_initializer.h"
#include "engine/file_info.h"
#include "engine/startup_rules.h"
#include "base/command_line.h"

EngineApp* GlobalCEFApp = nullptr;

namespace {

// The file argument of our lines in the engine's log.
const char kLogSource[] = "lzg_engine";
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
  return PathIsRelativeW(value.c_str()) ? lzg::ExeDirectory() + value : value;
}

// The folder prefix under which a check looks for its files; `exists` says
// whether that folder is there (an empty folder means the current directory).
std::wstring GetAbsoluteDirPath(const std::wstring& dir, bool& exists) {
  if (dir.empty()) {
    exists = true;
    return std::wstring();
  }
  std::wstring prefix = AbsoluteFromExe(lzg::IncludeTrailingPathDelimiter(dir));
  exists = lzg::DirectoryExists(prefix);
  return prefix;
}

std::wstring LibraryPath(const std::wstring& frameworkDir) {
  return frameworkDir.empty() ? std::wstring(L"libcef.dll")
                              : lzg::IncludeTrailingPathDelimiter(frameworkDir) + L"libcef.dll";
}

BOOL CALLBACK CollectThreadWindow(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

}  // namespace

// --- Creation ----------------------------------------------------------------------

EngineApp::EngineApp() : EngineApp(std::wstring(GetCommandLineW())) {}

ProcessType EngineApp::ProcessTypeOf(const std::wstring& commandLine) {
  // The profile's first argument is read by the same rule: one reading of the command line for both.
  return lzg::ParseProcessType(lzg::CommandLineArguments(commandLine));
}

std::wstring EngineApp::SwitchValueOf(const std::wstring& commandLine, const std::wstring& name) {
  return lzg::SwitchValue(lzg::CommandLineArguments(commandLine), name).value_or(std::wstring());
}

EngineApp::EngineApp(const std::wstring& commandLine) {
  FProcessType = ProcessTypeOf(commandLine);
  std::memset(&FSettings, 0, sizeof FSettings);
  FSettings.size = sizeof(cef_settings_t);
  MaskFpuExceptions();
  // The engine object is made on the main thread; the launch sequence has usually recorded it already.
  if (!lzg::threads::Main()) lzg::threads::SetMain();
}

EngineApp::~EngineApp() {
  if (FProcessType == ProcessType::kBrowser) ShutDown();
  FreeLibcefLibrary();
}

// --- Paths -------------------------------------------------------------------------

void EngineApp::SetFrameworkDirPath(const std::wstring& value) {
  std::wstring path = AbsoluteFromExe(value);
  FFrameworkDirPath = !path.empty() && lzg::DirectoryExists(path) ? path : std::wstring();
}

void EngineApp::SetResourcesDirPath(const std::wstring& value) {
  std::wstring path = AbsoluteFromExe(value);
  FResourcesDirPath = !path.empty() && lzg::DirectoryExists(path) ? path : std::wstring();
}

void EngineApp::SetLocalesDirPath(const std::wstring& value) {
  std::wstring path = AbsoluteFromExe(value);
  FLocalesDirPath = !path.empty() && lzg::DirectoryExists(path) ? path : std::wstring();
}

void EngineApp::SetCache(const std::wstring& value) {
  FCache = AbsoluteFromExe(value);
  DisableGPUCache = FCache.empty();
}

void EngineApp::SetCookies(const std::wstring& value) { FCookies = AbsoluteFromExe(value); }

void EngineApp::SetUserDataPath(const std::wstring& value) { FUserDataPath = AbsoluteFromExe(value); }

// --- Settings record and switches ----------------------------------------------------

void EngineApp::InitializeSettings() {
  using lzg::CefStringView;
  cef_settings_t& s = FSettings;
  s.size = sizeof(cef_settings_t);
  s.no_sandbox = NoSandbox;
  s.browser_subprocess_path = CefStringView(BrowserSubprocessPath);
  s.framework_dir_path = CefStringView(FFrameworkDirPath);
  s.multi_threaded_message_loop = FMultiThreadedMessageLoop;
  s.external_message_pump = ExternalMessagePump;
  s.windowless_rendering_enabled = WindowlessRenderingEnabled;
  s.command_line_args_disabled = CommandLineArgsDisabled;
  s.cache_path = CefStringView(FCache);
  s.user_data_path = CefStringView(FUserDataPath);
  s.persist_session_cookies = PersistSessionCookies;
  s.persist_user_preferences = PersistUserPreferences;
  s.user_agent = CefStringView(UserAgent);
  s.product_version = CefStringView(ProductVersion);
  s.locale = CefStringView(Locale);
  s.log_file = CefStringView(LogFile);
  s.log_severity = LogSeverity;
  s.javascript_flags = CefStringView(JavaScriptFlags);
  s.resources_dir_path = CefStringView(FResourcesDirPath);
  s.locales_dir_path = CefStringView(FLocalesDirPath);
  s.pack_loading_disabled = PackLoadingDisabled;
  s.remote_debugging_port = RemoteDebuggingPort;
  s.uncaught_exception_stack_size = UncaughtExceptionStackSize;
  s.ignore_certificate_errors = IgnoreCertificateErrors;
  s.enable_net_security_expiration = EnableNetSecurityExpiration;
  s.background_color = BackgroundColor;
  s.accept_language_list = CefStringView(AcceptLanguageList);
}

void EngineApp::Internal_OnBeforeCommandLineProcessing(const std::wstring& processType,
                                                             cef_command_line_t* commandLine) {
  if (!commandLine || FProcessType != ProcessType::kBrowser || !processType.empty()) return;
  lzg::SwitchOptions o;
  o.flashEnabled = FlashEnabled;
  o.enableMediaStream = EnableMediaStream;
  o.enableSpeechInput = EnableSpeechInput;
  o.enableGPU = EnableGPU;
  o.singleProcess = SingleProcess;
  o.smoothScrolling = SmoothScrolling;
  o.autoplayPolicy = AutoplayPolicy;
  o.fastUnload = FastUnload;
  o.disableGPUCache = DisableGPUCache;
  o.disableSafeBrowsing = DisableSafeBrowsing;
  o.muteAudio = MuteAudio;
  o.disableWebSecurity = DisableWebSecurity;
  o.disablePDFExtension = DisablePDFExtension;
  o.sitePerProcess = SitePerProcess;
  o.disableExtensions = DisableExtensions;
  o.disableBackgroundNetworking = DisableBackgroundNetworking;
  o.metricsRecordingOnly = MetricsRecordingOnly;
  o.allowFileAccessFromFiles = AllowFileAccessFromFiles;
  o.allowRunningInsecureContent = AllowRunningInsecureContent;
  // CustomFlashPath is empty in this client, so no plug-in library is searched for here.
  for (const lzg::BrowserSwitch& sw : lzg::BuildBrowserSwitches(o)) {
    cef_string_t name = lzg::CefStringView(sw.name);
    if (sw.hasValue) {
      cef_string_t value = lzg::CefStringView(sw.value);
      commandLine->append_switch_with_value(commandLine, &name, &value);
    } else {
      commandLine->append_switch(commandLine, &name);
    }
  }
}

// --- Handlers' entry points ----------------------------------------------------------

bool EngineApp::MustCreateBrowserProcessHandlerNow() const {
  return SingleProcess ||
         (FProcessType == ProcessType::kBrowser && (MustCreateBrowserProcessHandler || OnContextInitialized ||
                                        OnBeforeChildProcessLaunch || OnRenderProcessThreadCreated ||
                                        OnScheduleMessagePumpWork));
}

bool EngineApp::GlobalContextInitialized() const {
  return FGlobalContextInitialized.load() || !MustCreateBrowserProcessHandlerNow();
}

void EngineApp::Internal_OnContextInitialized() {
  lzg::threads::SetEngineUi(GetCurrentThreadId());
  FGlobalContextInitialized = true;
  // The initialiser ends before the engine goes down (ShutDown abandons it first), so it may
  // report back to this object.
  if (!FCookies.empty() &&
      !CookieStoreInitializer::Start(FCookies, PersistSessionCookies, [this] { CookieStoreHasSettled(); }))
    CookieStoreHasSettled();
  if (OnContextInitialized) OnContextInitialized();
}

bool EngineApp::CookieStoreSettled() const { return FCookies.empty() || FCookieStoreSettled.load(); }

void EngineApp::CookieStoreHasSettled() {
  if (FCookieStoreSettled.exchange(true)) return;
  if (OnCookieStoreSettled) OnCookieStoreSettled();
}

void EngineApp::SetOsmodalLoop(bool value) {
  if (!LibLoaded()) return;
  lzg::RunGuarded("TCefApplication.SetOsmodalLoop", [&] {
    if (lzg::g_cef.cef_set_osmodal_loop) lzg::g_cef.cef_set_osmodal_loop(value ? 1 : 0);
  });
}

// --- Start-up ------------------------------------------------------------------------

void EngineApp::Fail(AppStatus status, const std::wstring& message) {
  FStatus = status;
  ShowErrorMessageDlg(message);
}

bool EngineApp::StartMainProcess() {
  if (FStatus != AppStatus::kLoading) return false;
  bool result = false;
  lzg::RunGuarded("TCefApplication.StartMainProcess", [&] {
    // Sub-processes run from this same executable (no separate sub-process exe,
    // not single-process), so every role passes through the steps below.
    if (SetCurrentDir) SetCurrentDirectoryW(lzg::ExeDirectory().c_str());
    if (!CheckCEFLibrary()) return;
    if (!LoadCEFlibrary()) return;
    if (FProcessType != ProcessType::kBrowser && DestroyAppWindows) DestroyHiddenAppWindows();
    if (EnableHighDPISupport && lzg::g_cef.cef_enable_highdpi_support) lzg::g_cef.cef_enable_highdpi_support();

    lzg::Ref<AppHandler> app = lzg::MakeRef<AppHandler>(this);
    const int code = ExecuteProcess(app->CefPtr());
    if (code >= 0) {  // a sub-process whose role has ended
      FSubProcessExitCode = code;
      return;
    }
    // The engine reads its command line by rules of its own. A process that this object (and the launch, which
    // skipped the configuration) took for a sub-process does not go on as a browser process it would never shut
    // down.
    if (FProcessType != ProcessType::kBrowser) return;
    result = InitializeLibrary(app->CefPtr());
  });
  return result;
}

bool EngineApp::CheckCEFLibrary() {
  if (!CheckCEFFiles || FProcessType != ProcessType::kBrowser) return true;
  // All four run, so the one message lists everything that is missing.
  bool ok = CheckSubprocessPath();
  ok = CheckDLLs() && ok;
  ok = CheckResources() && ok;
  ok = CheckLocales() && ok;
  if (!ok) {
    Fail(AppStatus::kErrorMissingFiles, lzg::MissingFilesMessage(FMissingLibFiles));
    return false;
  }
  return CheckDLLVersionAndMachine();
}

std::optional<lzg::FileVersion> EngineApp::LibraryVersion() {
  if (!FLibVersion) FLibVersion = lzg::GetDLLVersion(LibraryPath(FFrameworkDirPath));
  return *FLibVersion;
}

std::wstring EngineApp::LibraryVersionText() {
  std::optional<lzg::FileVersion> version = LibraryVersion();
  return version ? lzg::FormatVersion(*version) : std::wstring(L"none");
}

bool EngineApp::CheckDLLVersionAndMachine() {
  std::wstring library = LibraryPath(FFrameworkDirPath);
  std::optional<lzg::FileVersion> version = LibraryVersion();
  if (!version || !(*version == lzg::kExpectedCefVersion)) {
    Fail(AppStatus::kErrorDllVersion, lzg::UnsupportedVersionMessage(version));
    return false;
  }
  std::optional<uint16_t> machine = lzg::GetDLLHeaderMachine(library);
  if (machine) {  // an unreadable machine type passes
    std::wstring message = lzg::MachineMessage(*machine);
    if (!message.empty()) {
      Fail(AppStatus::kErrorDllVersion, message);
      return false;
    }
  }
  return true;
}

bool EngineApp::CheckSubprocessPath() {
  bool ok = false;
  lzg::RunGuarded("CheckSubprocessPath", [&] {
    if (BrowserSubprocessPath.empty() || lzg::FileExists(BrowserSubprocessPath)) {
      ok = true;
    } else {
      FMissingLibFiles += lzg::ExtractFileName(BrowserSubprocessPath) + kCrlf;
    }
  });
  return ok;
}

bool EngineApp::CheckFilesExist(const std::wstring& dir, bool dirExists, const std::vector<std::wstring>& names) {
  bool ok = false;
  lzg::RunGuarded("CheckFilesExist", [&] {
    if (dirExists) {
      bool all = true;
      for (const std::wstring& name : names) {
        if (name.empty()) continue;
        std::wstring full = dir + name;
        if (!lzg::FileExists(full)) {
          FMissingLibFiles += full + kCrlf;
          all = false;
        }
      }
      ok = all;
    } else {
      std::wstring list;
      for (const std::wstring& name : names) list += dir + name + kCrlf;
      FMissingLibFiles = lzg::TrimBlanks(FMissingLibFiles) + kCrlf + list;
    }
  });
  return ok;
}

bool EngineApp::CheckDLLs() {
  bool ok = false;
  lzg::RunGuarded("CheckDLLs", [&] {
    bool exists = false;
    std::wstring dir = GetAbsoluteDirPath(FFrameworkDirPath, exists);
    ok = CheckFilesExist(dir, exists, lzg::FrameworkFileNames());
  });
  return ok;
}

bool EngineApp::CheckResources() {
  bool ok = false;
  lzg::RunGuarded("CheckResources", [&] {
    bool exists = false;
    std::wstring dir = GetAbsoluteDirPath(FResourcesDirPath, exists);
    ok = CheckFilesExist(dir, exists, lzg::ResourceFileNames(DisableExtensions, CheckDevToolsResources));
  });
  return ok;
}

bool EngineApp::CheckLocales() {
  bool ok = false;
  lzg::RunGuarded("CheckLocales", [&] {
    // Not made absolute: an empty folder means "locales\" under the current directory.
    std::wstring dir = FLocalesDirPath.empty() ? std::wstring(L"locales\\")
                                               : lzg::IncludeTrailingPathDelimiter(FLocalesDirPath);
    ok = CheckFilesExist(dir, lzg::DirectoryExists(dir), lzg::LocaleFileNames(LocalesRequired));
  });
  return ok;
}

// --- Library -------------------------------------------------------------------------

namespace {

struct ExportSlot {
  const char* group;
  const char* name;
  void* slot;  // the field of lzg::g_cef
};

const ExportSlot kExports[] = {
#define LZG_EXPORT_SLOT(group, name) {#group, #name, &lzg::g_cef.name},
    CEF_EXPORTED_FUNCTIONS(LZG_EXPORT_SLOT)
#undef LZG_EXPORT_SLOT
};
static_assert(sizeof(kExports) / sizeof(kExports[0]) == kCefExportedFunctionCount);

// Binds group by group; a group is written only when all of it is found. Returns
// the first missing name, or null when everything is bound.
const char* BindExports(HMODULE library) {
  const size_t count = sizeof(kExports) / sizeof(kExports[0]);
  size_t i = 0;
  while (i < count) {
    size_t end = i;
    while (end < count && std::strcmp(kExports[end].group, kExports[i].group) == 0) ++end;
    std::vector<FARPROC> found;
    for (size_t k = i; k < end; ++k) {
      FARPROC f = GetProcAddress(library, kExports[k].name);
      if (!f) return kExports[k].name;
      found.push_back(f);
    }
    for (size_t k = i; k < end; ++k) std::memcpy(kExports[k].slot, &found[k - i], sizeof(FARPROC));
    i = end;
  }
  return nullptr;
}

}  // namespace

bool EngineApp::LoadCEFlibrary() {
  std::wstring path = LibraryPath(FFrameworkDirPath);
  HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!library) {
    DWORD error = GetLastError();
    Fail(AppStatus::kErrorLoadingLibrary, lzg::LoadErrorMessage(error));
    return false;
  }
  FLibHandle = library;
  if (const char* missing = BindExports(library)) {
    OutputDebugMessage(L"libcef.dll lacks the export " + std::wstring(missing, missing + std::strlen(missing)));
    Fail(AppStatus::kErrorDllVersion, lzg::MissingExportMessage());
    return false;  // the library stays loaded
  }
  FStatus = AppStatus::kLoaded;
  FLibLoaded = true;
  return true;
}

void EngineApp::DestroyHiddenAppWindows() {
  // A sub-process must own no window of ours; whatever the GUI layer made on this
  // thread before the engine start goes.
  if (lzg::gui_windows::Alive() == 0) return;
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectThreadWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND w : windows) DestroyWindow(w);
}

int EngineApp::ExecuteProcess(cef_app_t* app) {
  int result = -1;
  bool ran = lzg::RunGuarded("TCefApplication.ExecuteProcess", [&] {
    if (!lzg::g_cef.cef_execute_process) throw std::runtime_error("cef_execute_process is not bound");
    cef_main_args_t args{GetModuleHandleW(nullptr)};
    lzg::AddRefCefObject(app);  // the engine owns the reference it is handed
    result = lzg::g_cef.cef_execute_process(&args, app, WindowsSandboxInfo);
  });
  if (!ran) {
    FStatus = AppStatus::kErrorExecutingProcess;
    result = -1;
  }
  return result;
}

bool EngineApp::InitializeLibrary(cef_app_t* app) {
  bool ok = false;
  bool ran = lzg::RunGuarded("TCefApplication.InitializeLibrary", [&] {
    // DeleteCache/DeleteCookies are off and WidevinePath is empty: nothing to do first.
    if (!lzg::g_cef.cef_initialize) throw std::runtime_error("cef_initialize is not bound");
    InitializeSettings();
    cef_main_args_t args{GetModuleHandleW(nullptr)};
    lzg::AddRefCefObject(app);
    ok = lzg::g_cef.cef_initialize(&args, &FSettings, app, WindowsSandboxInfo) != 0;
  });
  FStatus = ran && ok ? AppStatus::kInitialized : AppStatus::kErrorInitializingLibrary;
  return ran && ok;
}

// --- Teardown ------------------------------------------------------------------------

void EngineApp::ShutDown() {
  if (ShutdownWaitTime > 0) Sleep(ShutdownWaitTime);
  FStatus = AppStatus::kShuttingDown;
  if (!LibLoaded()) return;
  lzg::RunGuarded("TCefApplication.ShutDown", [&] {
    // A cookie initialiser still waiting for the store would hold engine objects
    // past the shutdown; it is woken and given a moment to let go of them.
    CookieStoreInitializer::AbandonAll(1000);
    if (lzg::g_cef.cef_shutdown) lzg::g_cef.cef_shutdown();
  });
}

void EngineApp::FreeLibcefLibrary() {
  lzg::RunGuarded("TCefApplication.FreeLibcefLibrary", [&] {
    if (MustFreeLibrary && FLibHandle) {
      FLibLoaded = false;
      lzg::g_cef = lzg::CefApi{};
      FreeLibrary(FLibHandle);
    }
  });
  FLibHandle = nullptr;
  FLibLoaded = false;
  FStatus = AppStatus::kUnloaded;
}

void DestroyGlobalCEFApp() {
  EngineApp* app = GlobalCEFApp;
  if (!app) return;
  // Cleared first: code running during the teardown sees no object.
  GlobalCEFApp = nullptr;
  delete app;
}

// --- Diagnostics -----------------------------------------------------------------------

void EngineApp::ShowErrorMessageDlg(const std::wstring& text) {
  OutputDebugMessage(text);
  if (ShowMessageDlg) MessageBoxW(nullptr, text.c_str(), L"Error", MB_OK | MB_ICONERROR | MB_TOPMOST);
}

void OutputDebugMessage(const std::wstring& text) {
  try {
    OutputDebugStringW(text.c_str());
    lzg::log::Write(text);
    EngineApp* app = GlobalCEFApp;
    if (!app || !app->LibLoaded() || !lzg::g_cef.cef_log) return;
    std::string message = lzg::WideToAnsi(text);
    if (message.empty() || !kLogSource[0]) return;
    lzg::g_cef.cef_log(kLogSource, 1, 2, message.c_str());
  } catch (...) {
    // The reporting path itself must never fail its caller.
  }
}

bool CustomExceptionHandler(const std::wstring& operation, const std::wstring& message) {
  OutputDebugMessage(operation + L" error : " + message);
  EngineApp* app = GlobalCEFApp;
  return app ? app->ReRaiseExceptions : false;
}
