// What the engine application object hands the engine: the app handler and, in the browser process, its
// browser-process handler. Both reach the application object only while it is attached: the object detaches
// them when it goes, so a callback that comes after its teardown began does nothing.
#pragma once

#include <atomic>

#include "engine/bridge.h"
#include "engine/engine_app.h"

namespace lzg {

// Engine threads: the UI thread for on_context_initialized, the launcher thread for the child's command line.
class BrowserProcessHandler : public CefObject<cef_browser_process_handler_t, BrowserProcessHandler> {
  using Self = BrowserProcessHandler;

 public:
  explicit BrowserProcessHandler(EngineApp* app);
  void Detach() noexcept { app_ = nullptr; }

  void OnContextInitialized();
  void OnBeforeChildProcessLaunch(cef_command_line_t* command_line);

 private:
  std::atomic<EngineApp*> app_;
};

// Any engine thread: the command-line callback comes in every process.
class AppHandler : public CefObject<cef_app_t, AppHandler> {
  using Self = AppHandler;

 public:
  // The browser process's handler exists only in the browser process.
  explicit AppHandler(EngineApp* app);
  void Detach() noexcept;

  void OnBeforeCommandLineProcessing(const cef_string_t* process_type, cef_command_line_t* command_line);
  cef_browser_process_handler_t* GetBrowserProcessHandler();

  bool HasBrowserProcessHandler() const noexcept { return static_cast<bool>(browser_process_handler_); }

 private:
  ~AppHandler() override;

  std::atomic<EngineApp*> app_;
  Ref<BrowserProcessHandler> browser_process_handler_;
};

}  // namespace lzg
