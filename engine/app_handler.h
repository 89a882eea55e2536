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
class TCefCustomBrowserProcessHandler
    : public lzg::CefObject<cef_browser_process_handler_t, TCefCustomBrowserProcessHandler> {
  using Self = TCefCustomBrowserProcessHandler;

 public:
  explicit TCefCustomBrowserProcessHandler(TCefApplication* app);
  void Detach() noexcept { FApp = nullptr; }

  void OnContextInitialized();
  void OnBeforeChildProcessLaunch(cef_command_line_t* commandLine);
  void OnRenderProcessThreadCreated(cef_list_value_t* extraInfo);
  cef_print_handler_t* GetPrintHandler() { return nullptr; }
  void OnScheduleMessagePumpWork(int64 delayMs);

 private:
  ~TCefCustomBrowserProcessHandler() override { FApp = nullptr; }
  TCefApplication* App() const noexcept;

  std::atomic<TCefApplication*> FApp;
};

class TCustomCefApp : public lzg::CefObject<cef_app_t, TCustomCefApp> {
  using Self = TCustomCefApp;

 public:
  // Decides once which sub-handlers exist (only the browser-process one is ever made).
  explicit TCustomCefApp(TCefApplication* app);

  void OnBeforeCommandLineProcessing(const cef_string_t* processType, cef_command_line_t* commandLine);
  void OnRegisterCustomSchemes(cef_scheme_registrar_t* registrar);
  cef_resource_bundle_handler_t* GetResourceBundleHandler() { return nullptr; }
  cef_browser_process_handler_t* GetBrowserProcessHandler();
  cef_render_process_handler_t* GetRenderProcessHandler() { return nullptr; }

  bool HasBrowserProcessHandler() const noexcept { return static_cast<bool>(FBrowserProcessHandler); }

 private:
  ~TCustomCefApp() override;
  TCefApplication* App() const noexcept;

  std::atomic<TCefApplication*> FApp;
  lzg::Ref<TCefCustomBrowserProcessHandler> FBrowserProcessHandler;
};
