// The engine application object: the one of every process, which hands the process to the engine.
//
// Created and configured on the main thread before any engine thread exists; its properties are not written
// after StartMainProcess, so engine threads read them without locking. What changes later (the context, the
// cookie store) is atomic. The launch sequence owns it and hands it to whoever needs the engine's state.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/app_handler.h"
#include "engine/app_types.h"
#include "engine/bridge.h"
#include "engine/cef_capi.h"
#include "engine/startup_rules.h"

namespace lzg {

class EngineApp : private AppEvents {
 public:
  // The role read from this process's own command line.
  EngineApp();
  // The role read from the given command line (program path first), for tools and tests.
  explicit EngineApp(const std::wstring& command_line);
  // In the browser process the engine goes down here; the engine's later callbacks reach nothing.
  virtual ~EngineApp();
  EngineApp(const EngineApp&) = delete;
  EngineApp& operator=(const EngineApp&) = delete;

  // ---- Start-up (main thread, once per process) -------------------------------------------------
  // True only in the main process with the engine initialised. In a sub-process the engine runs the whole
  // role inside this call, which then returns false.
  bool StartMainProcess();

  // The engine's files as the main process checks them before loading the library; each check appends what
  // it finds missing to MissingLibFiles().
  bool CheckEngineFiles();
  bool CheckDlls();
  bool CheckResources();
  bool CheckLocales();
  // The names those checks look for: CheckDlls under FrameworkDirPath, CheckResources under ResourcesDirPath,
  // CheckLocales under LocalesDirPath. The packaging tool lays the engine out by these same lists.
  std::vector<std::wstring> FrameworkFiles() const;
  std::vector<std::wstring> ResourceFiles() const;
  std::vector<std::wstring> LocaleFiles() const;

  // Fills the settings record; its texts point at this object's own strings (valid while they stay unchanged).
  void InitializeSettings();
  const cef_settings_t& SettingsRecord() const { return settings_; }

  // ---- What the app handler reports (engine threads) ---------------------------------------------
  // Adds the browser switches; only in the browser process, for the engine's own (empty) type.
  void OnBeforeCommandLineProcessing(const std::wstring& process_type, cef_command_line_t* command_line) override;
  // Engine UI thread: marks the context ready, starts the cookie initialiser, calls on_context_initialized.
  void OnContextInitialized() override;
  // The engine's process-launcher thread.
  void OnBeforeChildProcessLaunch(cef_command_line_t* command_line) override;

  // Main thread: tells the engine a modal loop of ours (a menu) runs. Ignored until the library is bound.
  void SetOsmodalLoop(bool value);

  // ---- State ------------------------------------------------------------------------------------
  // Any thread. Always true in a sub-process, which has no context to wait for.
  bool GlobalContextInitialized() const;
  // Any thread: the cookie store has been pointed at Cookies(), or the cookie initialiser has given up; also true
  // when there is nothing to point. Cookies a page sets before this land in the engine's previous store.
  bool CookieStoreSettled() const;
  AppStatus Status() const { return status_; }
  ProcessType GetProcessType() const { return process_type_; }
  // The role a command line (program path first) gives a process: the rule this object's creation applies.
  static ProcessType ProcessTypeOf(const std::wstring& command_line);
  // The value of the last "--<name>=" switch of a command line by the same rule; empty without one.
  static std::wstring SwitchValueOf(const std::wstring& command_line, const std::wstring& name);
  // The file version of the engine library in FrameworkDirPath ("74.1.19.0"), or "none"; read once.
  std::wstring LibraryVersionText();
  // What cef_execute_process returned in a sub-process whose role has ended (its exit code); 0 otherwise.
  int SubProcessExitCode() const { return sub_process_exit_code_; }
  bool LibLoaded() const { return lib_loaded_.load(); }
  HMODULE LibHandle() const { return lib_handle_; }
  const std::wstring& MissingLibFiles() const { return missing_lib_files_; }

  // ---- What the launch sets, before StartMainProcess --------------------------------------------
  // A relative input is prefixed with the executable's directory; these three are kept only if they exist.
  void SetFrameworkDirPath(const std::wstring& value);
  void SetResourcesDirPath(const std::wstring& value);
  void SetLocalesDirPath(const std::wstring& value);
  // Kept without any test. An empty cache makes the engine keep no GPU shader cache either.
  void SetCache(const std::wstring& value);
  void SetCookies(const std::wstring& value);
  void SetUserDataPath(const std::wstring& value);
  const std::wstring& FrameworkDirPath() const { return framework_dir_path_; }
  const std::wstring& ResourcesDirPath() const { return resources_dir_path_; }
  const std::wstring& LocalesDirPath() const { return locales_dir_path_; }
  const std::wstring& Cache() const { return cache_; }
  const std::wstring& Cookies() const { return cookies_; }
  const std::wstring& UserDataPath() const { return user_data_path_; }

  // The browser switches' inputs (the rest are the engine's defaults, startup_rules.h).
  void set_enable_gpu(bool v) { switches_.enable_gpu = v; }
  void set_flash_enabled(bool v) { switches_.flash_enabled = v; }
  const SwitchOptions& switches() const { return switches_; }
  // Comma-separated; empty means every locale of the engine.
  void set_locales_required(const std::wstring& v) { locales_required_ = v; }
  const std::wstring& locales_required() const { return locales_required_; }
  void set_locale(const std::wstring& v) { locale_ = v; }
  const std::wstring& locale() const { return locale_; }
  void set_accept_language_list(const std::wstring& v) { accept_language_list_ = v; }
  const std::wstring& accept_language_list() const { return accept_language_list_; }

  // Called on the engine's UI thread once the context is ready: hand work to the main thread only.
  std::function<void()> on_context_initialized;
  // Called once on the cookie initialiser's thread when CookieStoreSettled() turns true.
  std::function<void()> on_cookie_store_settled;
  // Called on the engine's launcher thread with each sub-process's command line.
  std::function<void(cef_command_line_t*)> on_before_child_process_launch;

 protected:
  // Loads "libcef.dll" from FrameworkDirPath and binds every export, group by group.
  virtual bool LoadEngineLibrary();
  // Debugger output and the log, then a topmost "Error" box.
  virtual void ShowErrorMessage(const std::wstring& text);

 private:
  bool CheckFilesExist(const std::wstring& dir, bool dir_exists, const std::vector<std::wstring>& names);
  bool CheckDllVersionAndMachine();
  void Fail(AppStatus status, const std::wstring& message);
  std::optional<FileVersion> LibraryVersion();
  int ExecuteProcess(cef_app_t* app);
  bool InitializeLibrary(cef_app_t* app);
  void ShutDown();
  void CookieStoreHasSettled();

  AppStatus status_ = AppStatus::kLoading;
  ProcessType process_type_ = ProcessType::kBrowser;
  std::optional<std::optional<FileVersion>> lib_version_;  // outer: read yet
  int sub_process_exit_code_ = 0;
  HMODULE lib_handle_ = nullptr;
  std::atomic<bool> lib_loaded_{false};
  std::atomic<bool> context_initialized_{false};
  std::atomic<bool> cookie_store_settled_{false};
  std::wstring missing_lib_files_;
  cef_settings_t settings_{};
  Ref<AppHandler> app_handler_;  // the engine's app; detached when this object goes

  std::wstring framework_dir_path_, resources_dir_path_, locales_dir_path_;
  std::wstring cache_, cookies_, user_data_path_;
  std::wstring locales_required_, locale_, accept_language_list_;
  SwitchOptions switches_;
};

}  // namespace lzg
