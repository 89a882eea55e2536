// The engine application object: the one `GlobalCEFApp` of every process.
//
// Created and configured on the main thread before any engine thread exists;
// its properties are not written after StartMainProcess, so engine threads read
// them without locking. Only GlobalContextInitialized changes later (engine UI
// thread), hence atomic.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/app_types.h"
#include "engine/cef_capi.h"
#include "engine/startup_rules.h"


class EngineApp {
 public:
  // Role read from this process's own command line.
  EngineApp();
  // Role read from the given command line (program path first), for tools and tests.
  explicit EngineApp(const std::wstring& commandLine);
  virtual ~EngineApp();
  EngineApp(const EngineApp&) = delete;
  EngineApp& operator=(const EngineApp&) = delete;

  // --- Start-up (main thread, once per process) ---------------------------------
  // True only in the main process with the engine initialised. In a sub-process
  // the engine runs the whole role inside this call, which then returns false.
  bool StartMainProcess();

  // The four file checks; each appends what it finds missing to MissingLibFiles().
  bool CheckCEFLibrary();
  bool CheckSubprocessPath();
  bool CheckDLLs();
  bool CheckResources();
  bool CheckLocales();

  // Fills the settings record from the properties; the record's texts point at
  // this object's own strings (valid while they stay unchanged).
  void InitializeSettings();
  const cef_settings_t& Settings() const { return FSettings; }

  // --- Called by the engine handlers (engine threads) ----------------------------
  // Adds the browser switches; only in the browser process with an empty type.
  void Internal_OnBeforeCommandLineProcessing(const std::wstring& processType, cef_command_line_t* commandLine);
  // Engine UI thread: marks the context ready, starts the cookie initialiser, calls OnContextInitialized.
  void Internal_OnContextInitialized();

  // Main thread: tells the engine a modal loop of ours (menu) runs. Ignored until the library is bound.
  void SetOsmodalLoop(bool value);

  // --- State --------------------------------------------------------------------
  bool GlobalContextInitialized() const;  // any thread
  // Any thread: the cookie store has been pointed at Cookies(), or the cookie initialiser has
  // given up; also true when there is nothing to point (no Cookies()). Cookies a page sets
  // before this land in the engine's previous store.
  bool CookieStoreSettled() const;
  bool MultiThreadedMessageLoop() const { return FMultiThreadedMessageLoop; }
  AppStatus Status() const { return FStatus; }
  ProcessType GetProcessType() const { return FProcessType; }
  // The role a command line (program path first) gives a process: the rule this object's creation applies.
  static ProcessType ProcessTypeOf(const std::wstring& commandLine);
  // The value of the last "--<name>=" switch of a command line by the same rule; empty without one.
  static std::wstring SwitchValueOf(const std::wstring& commandLine, const std::wstring& name);
  // The file version of the engine library in FrameworkDirPath ("74.1.19.0"), or "none"; read once.
  std::wstring LibraryVersionText();
  // What cef_execute_process returned in a sub-process whose role has ended (the process's exit code); 0 otherwise.
  int SubProcessExitCode() const { return FSubProcessExitCode; }
  bool LibLoaded() const { return FLibLoaded.load(); }
  HMODULE LibHandle() const { return FLibHandle; }
  const std::wstring& MissingLibFiles() const { return FMissingLibFiles; }
  // Whether the app handler carries a browser-process handler (decided from the properties).
  bool MustCreateBrowserProcessHandlerNow() const;

  // --- Path properties (set before StartMainProcess) ----------------------------
  // A relative input is prefixed with the executable's directory; the three
  // directories below are kept only if they exist.
  void SetFrameworkDirPath(const std::wstring& value);
  void SetResourcesDirPath(const std::wstring& value);
  void SetLocalesDirPath(const std::wstring& value);
  // Kept without any test; SetCache also decides DisableGPUCache.
  void SetCache(const std::wstring& value);
  void SetCookies(const std::wstring& value);
  void SetUserDataPath(const std::wstring& value);
  const std::wstring& FrameworkDirPath() const { return FFrameworkDirPath; }
  const std::wstring& ResourcesDirPath() const { return FResourcesDirPath; }
  const std::wstring& LocalesDirPath() const { return FLocalesDirPath; }
  const std::wstring& Cache() const { return FCache; }
  const std::wstring& Cookies() const { return FCookies; }
  const std::wstring& UserDataPath() const { return FUserDataPath; }

  // --- Plain properties, with the defaults that creation gives them -------------
  // Settings record.
  bool NoSandbox = true;
  std::wstring BrowserSubprocessPath;
  bool ExternalMessagePump = false;
  bool WindowlessRenderingEnabled = false;
  bool CommandLineArgsDisabled = false;
  bool PersistSessionCookies = false;
  bool PersistUserPreferences = false;
  std::wstring UserAgent;
  std::wstring ProductVersion;
  std::wstring Locale;
  std::wstring LogFile;
  cef_log_severity_t LogSeverity = LOGSEVERITY_DISABLE;
  std::wstring JavaScriptFlags;
  bool PackLoadingDisabled = false;
  int RemoteDebuggingPort = 0;
  int UncaughtExceptionStackSize = 0;
  bool IgnoreCertificateErrors = false;
  bool EnableNetSecurityExpiration = false;
  cef_color_t BackgroundColor = 0;
  std::wstring AcceptLanguageList;

  // Browser switches, in the order they are examined.
  bool FlashEnabled = true;
  bool EnableMediaStream = true;
  bool EnableSpeechInput = true;
  bool EnableGPU = false;
  bool SingleProcess = false;
  cef_state_t SmoothScrolling = STATE_DEFAULT;
  AutoplayPolicy AutoplayPolicy = AutoplayPolicy::kDefault;
  bool FastUnload = false;
  bool DisableGPUCache = true;
  bool DisableSafeBrowsing = false;
  bool MuteAudio = false;
  bool DisableWebSecurity = false;
  bool DisablePDFExtension = false;
  bool SitePerProcess = true;
  bool DisableExtensions = false;
  bool DisableBackgroundNetworking = false;
  bool MetricsRecordingOnly = false;
  bool AllowFileAccessFromFiles = false;
  bool AllowRunningInsecureContent = false;

  // The runtime itself.
  bool CheckCEFFiles = true;
  bool CheckDevToolsResources = true;
  std::wstring LocalesRequired;  // comma-separated; empty means every locale
  bool ShowMessageDlg = true;
  bool DestroyAppWindows = true;
  bool SetCurrentDir = false;
  bool ReRaiseExceptions = false;
  bool LogProcessInfo = false;
  bool EnableHighDPISupport = false;
  bool MustFreeLibrary = false;
  unsigned ShutdownWaitTime = 0;  // ms
  bool DeleteCache = false;
  bool DeleteCookies = false;
  std::wstring CustomFlashPath;
  std::wstring WidevinePath;
  void* WindowsSandboxInfo = nullptr;
  bool MustCreateBrowserProcessHandler = true;
  // No resource-bundle, render-process or load handler exists in this runtime;
  // these stay false.
  bool MustCreateResourceBundleHandler = false;
  bool MustCreateRenderProcessHandler = false;
  bool MustCreateLoadHandler = false;

  // Events. Called on the engine's UI thread: hand work to the main thread only.
  std::function<void()> OnContextInitialized;
  // Called once on the cookie initialiser's thread when CookieStoreSettled() turns true.
  std::function<void()> OnCookieStoreSettled;
  std::function<void(cef_command_line_t*)> OnBeforeChildProcessLaunch;
  std::function<void()> OnRenderProcessThreadCreated;
  std::function<void(int64)> OnScheduleMessagePumpWork;

 protected:
  // Loads "libcef.dll" from FrameworkDirPath and binds every export, group by group.
  virtual bool LoadCEFlibrary();
  // Debugger output, then a topmost "Error" box when ShowMessageDlg is set.
  virtual void ShowErrorMessageDlg(const std::wstring& text);

 private:
  bool CheckFilesExist(const std::wstring& dir, bool dirExists, const std::vector<std::wstring>& names);
  bool CheckDLLVersionAndMachine();
  int ExecuteProcess(cef_app_t* app);
  bool InitializeLibrary(cef_app_t* app);
  void DestroyHiddenAppWindows();
  void ShutDown();
  void FreeLibcefLibrary();
  void Fail(AppStatus status, const std::wstring& message);

  std::optional<lzg::FileVersion> LibraryVersion();

  AppStatus FStatus = AppStatus::kLoading;
  std::optional<std::optional<lzg::FileVersion>> FLibVersion;  // outer: read yet
  ProcessType FProcessType = ProcessType::kBrowser;
  int FSubProcessExitCode = 0;
  HMODULE FLibHandle = nullptr;
  std::atomic<bool> FLibLoaded{false};
  std::atomic<bool> FGlobalContextInitialized{false};
  std::atomic<bool> FCookieStoreSettled{false};
  void CookieStoreHasSettled();
  std::wstring FMissingLibFiles;
  cef_settings_t FSettings{};
  bool FMultiThreadedMessageLoop = true;

  std::wstring FFrameworkDirPath;
  std::wstring FResourcesDirPath;
  std::wstring FLocalesDirPath;
  std::wstring FCache;
  std::wstring FCookies;
  std::wstring FUserDataPath;
};

// The process's one application object: null before creation and again from the
// moment DestroyGlobalCEFApp begins.
extern EngineApp* GlobalCEFApp;

// Shuts the engine down (main process) and frees GlobalCEFApp; harmless when there is none.
void DestroyGlobalCEFApp();

// Debugger output; also the engine's log once the library is bound. Any thread.
void OutputDebugMessage(const std::wstring& text);

// Writes operation + " error : " + message; answers whether the caller should
// rethrow (ReRaiseExceptions, false without an object). Any thread.
bool CustomExceptionHandler(const std::wstring& operation, const std::wstring& message);
