// What the engine application object hands the engine: the app handler and, in the browser process, its
// browser-process handler. Both report to the object through AppEvents only while attached: the object detaches
// them when it goes, so a callback that comes after its teardown began does nothing.
#pragma once

#include <atomic>
#include <string>

#include "engine/bridge.h"

namespace lzg {

// What the app handlers report, on the engine's threads. The engine application object implements it.
class AppEvents {
 public:
  // Every process, for the engine's own command line (`process_type` empty in the browser process).
  virtual void OnBeforeCommandLineProcessing(const std::wstring& process_type, cef_command_line_t* command_line) = 0;
  // The browser process's UI thread.
  virtual void OnContextInitialized() = 0;
  // The browser process's launcher thread, with each sub-process's command line.
  virtual void OnBeforeChildProcessLaunch(cef_command_line_t* command_line) = 0;

 protected:
  ~AppEvents() = default;
};

// Engine threads: the UI thread for on_context_initialized, the launcher thread for the child's command line.
class BrowserProcessHandler : public CefObject<cef_browser_process_handler_t, BrowserProcessHandler> {
  using Self = BrowserProcessHandler;

 public:
  explicit BrowserProcessHandler(AppEvents* events);
  void Detach() noexcept { events_ = nullptr; }

  void OnContextInitialized();
  void OnBeforeChildProcessLaunch(cef_command_line_t* command_line);

 private:
  std::atomic<AppEvents*> events_;
};

// Any engine thread: the command-line callback comes in every process.
class AppHandler : public CefObject<cef_app_t, AppHandler> {
  using Self = AppHandler;

 public:
  // The browser process's handler exists only in the browser process.
  AppHandler(AppEvents* events, bool browser_process);
  void Detach() noexcept;

  void OnBeforeCommandLineProcessing(const cef_string_t* process_type, cef_command_line_t* command_line);
  cef_browser_process_handler_t* GetBrowserProcessHandler();

  bool HasBrowserProcessHandler() const noexcept { return static_cast<bool>(browser_process_handler_); }

 private:
  ~AppHandler() override;

  std::atomic<AppEvents*> events_;
  Ref<BrowserProcessHandler> browser_process_handler_;
};

}  // namespace lzg
