#include "engine/app_handler.h"

#include "engine/cef_ref.h"
#include "engine/cef_string.h"

namespace lzg {

// ---- BrowserProcessHandler ---------------------------------------------------------------------

// The engine asks nothing else of the browser process: every other member keeps the engine's default.
BrowserProcessHandler::BrowserProcessHandler(AppEvents* events) : events_(events) {
  LZG_BIND(on_context_initialized, OnContextInitialized);
  LZG_BIND(on_before_child_process_launch, OnBeforeChildProcessLaunch);
}

void BrowserProcessHandler::OnContextInitialized() {
  if (AppEvents* events = events_.load()) events->OnContextInitialized();
}

void BrowserProcessHandler::OnBeforeChildProcessLaunch(cef_command_line_t* command_line) {
  CefRef<cef_command_line_t> owned(command_line);
  if (AppEvents* events = events_.load()) events->OnBeforeChildProcessLaunch(command_line);
}

// ---- AppHandler --------------------------------------------------------------------------------

AppHandler::AppHandler(AppEvents* events, bool browser_process) : events_(events) {
  LZG_BIND(on_before_command_line_processing, OnBeforeCommandLineProcessing);
  LZG_BIND(get_browser_process_handler, GetBrowserProcessHandler);
  if (browser_process) browser_process_handler_ = MakeRef<BrowserProcessHandler>(events);
}

AppHandler::~AppHandler() { Detach(); }

void AppHandler::Detach() noexcept {
  events_ = nullptr;
  if (browser_process_handler_) browser_process_handler_->Detach();
}

void AppHandler::OnBeforeCommandLineProcessing(const cef_string_t* process_type, cef_command_line_t* command_line) {
  CefRef<cef_command_line_t> owned(command_line);
  if (AppEvents* events = events_.load())
    events->OnBeforeCommandLineProcessing(CefToWString(process_type), command_line);
}

cef_browser_process_handler_t* AppHandler::GetBrowserProcessHandler() {
  return browser_process_handler_ ? browser_process_handler_->ToCef() : nullptr;
}

}  // namespace lzg
