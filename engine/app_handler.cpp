#include "engine/app_handler.h"

#include "engine/cef_ref.h"
#include "engine/cef_string.h"

namespace {
EngineApp* Current(EngineApp* own) noexcept { return own && own == GlobalCEFApp ? own : nullptr; }
}  // namespace

// --- BrowserProcessHandler -------------------------------------------

BrowserProcessHandler::BrowserProcessHandler(EngineApp* app) : FApp(app) {
  LZG_BIND(on_context_initialized, OnContextInitialized, "TCefCustomBrowserProcessHandler.OnContextInitialized");
  LZG_BIND(on_before_child_process_launch, OnBeforeChildProcessLaunch,
           "TCefCustomBrowserProcessHandler.OnBeforeChildProcessLaunch");
  LZG_BIND(on_render_process_thread_created, OnRenderProcessThreadCreated,
           "TCefCustomBrowserProcessHandler.OnRenderProcessThreadCreated");
  LZG_BIND(get_print_handler, GetPrintHandler, "TCefCustomBrowserProcessHandler.GetPrintHandler");
  LZG_BIND(on_schedule_message_pump_work, OnScheduleMessagePumpWork,
           "TCefCustomBrowserProcessHandler.OnScheduleMessagePumpWork");
}

EngineApp* BrowserProcessHandler::App() const noexcept { return Current(FApp.load()); }

void BrowserProcessHandler::OnContextInitialized() {
  if (EngineApp* app = App()) app->Internal_OnContextInitialized();
}

void BrowserProcessHandler::OnBeforeChildProcessLaunch(cef_command_line_t* commandLine) {
  lzg::CefRef<cef_command_line_t> owned(commandLine);
  EngineApp* app = App();
  if (app && app->OnBeforeChildProcessLaunch) app->OnBeforeChildProcessLaunch(commandLine);
}

void BrowserProcessHandler::OnRenderProcessThreadCreated(cef_list_value_t* extraInfo) {
  lzg::CefRef<cef_list_value_t> owned(extraInfo);
  EngineApp* app = App();
  if (app && app->OnRenderProcessThreadCreated) app->OnRenderProcessThreadCreated();
}

void BrowserProcessHandler::OnScheduleMessagePumpWork(int64 delayMs) {
  EngineApp* app = App();
  if (app && app->OnScheduleMessagePumpWork) app->OnScheduleMessagePumpWork(delayMs);
}

// --- AppHandler ---------------------------------------------------------------

AppHandler::AppHandler(EngineApp* app) : FApp(app) {
  LZG_BIND(on_before_command_line_processing, OnBeforeCommandLineProcessing,
           "TCustomCefApp.OnBeforeCommandLineProcessing");
  LZG_BIND(on_register_custom_schemes, OnRegisterCustomSchemes, "TCustomCefApp.OnRegisterCustomSchemes");
  LZG_BIND(get_resource_bundle_handler, GetResourceBundleHandler, "TCustomCefApp.GetResourceBundleHandler");
  LZG_BIND(get_browser_process_handler, GetBrowserProcessHandler, "TCustomCefApp.GetBrowserProcessHandler");
  LZG_BIND(get_render_process_handler, GetRenderProcessHandler, "TCustomCefApp.GetRenderProcessHandler");
  if (app && app->MustCreateBrowserProcessHandlerNow()) {
    FBrowserProcessHandler = lzg::MakeRef<BrowserProcessHandler>(app);
  }
}

AppHandler::~AppHandler() {
  FApp = nullptr;
  if (FBrowserProcessHandler) FBrowserProcessHandler->Detach();
  FBrowserProcessHandler.reset();
}

EngineApp* AppHandler::App() const noexcept { return Current(FApp.load()); }

void AppHandler::OnBeforeCommandLineProcessing(const cef_string_t* processType, cef_command_line_t* commandLine) {
  lzg::CefRef<cef_command_line_t> owned(commandLine);
  if (EngineApp* app = App()) app->Internal_OnBeforeCommandLineProcessing(lzg::CefToWString(processType), commandLine);
}

void AppHandler::OnRegisterCustomSchemes(cef_scheme_registrar_t*) {
  // The registrar is scoped, not counted: nothing to release, and no scheme of ours.
}

cef_browser_process_handler_t* AppHandler::GetBrowserProcessHandler() {
  return FBrowserProcessHandler ? FBrowserProcessHandler->ToCef() : nullptr;
}
