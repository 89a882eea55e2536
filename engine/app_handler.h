// What the runtime hands the engine: the app handler and its browser-process
// handler. Both reach the application through GlobalCEFApp only while the
// object they were made for is still the global one, so a callback that comes
// after the teardown began does nothing.
#pragma once

#include <atomic>

#include "engine/engine_app.h"
#include "engine/bridge.h"

// Engine threads call every method below (the browser process's UI thread for
// on_context_initialized; any thread for the command-line callback).
class BrowserProcessHandler
    : public lzg::CefObject<cef_browser_process_handler_t, BrowserProcessHandler> {
  using Self = BrowserProcessHandler;

 public:
  explicit BrowserProcessHandler(EngineApp* app);
  void Detach() noexcept { FApp = nullptr; }

  void OnContextInitialized();
  void OnBeforeChildProcessLaunch(cef_command_line_t* commandLine);
  void OnRenderProcessThreadCreated(cef_list_value_t* extraInfo);
  cef_print_handler_t* GetPrintHandler() { return nullptr; }
  void OnScheduleMessagePumpWork(int64 delayMs);

 private:
  ~BrowserProcessHandler() override { FApp = nullptr; }
  EngineApp* App() const noexcept;

  std::atomic<EngineApp*> FApp;
};

class AppHandler : public lzg::CefObject<cef_app_t, AppHandler> {
  using Self = AppHandler;

 public:
  // Decides once which sub-handlers exist (only the browser-process one is ever made).
  explicit AppHandler(EngineApp* app);

  void OnBeforeCommandLineProcessing(const cef_string_t* processType, cef_command_line_t* commandLine);
  void OnRegisterCustomSchemes(cef_scheme_registrar_t* registrar);
  cef_resource_bundle_handler_t* GetResourceBundleHandler() { return nullptr; }
  cef_browser_process_handler_t* GetBrowserProcessHandler();
  cef_render_process_handler_t* GetRenderProcessHandler() { return nullptr; }

  bool HasBrowserProcessHandler() const noexcept { return static_cast<bool>(FBrowserProcessHandler); }

 private:
  ~AppHandler() override;
  EngineApp* App() const noexcept;

  std::atomic<EngineApp*> FApp;
  lzg::Ref<BrowserProcessHandler> FBrowserProcessHandler;
};
