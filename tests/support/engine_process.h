// The engine for an in-process test: the test executable is the browser process and, started by the engine with
// "--type=", each of its sub-processes. The engine's folders and locale as the client sets them, without the
// profile folders (no cache, no cookie store).
#pragma once

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_app.h"
#include "tests/support/test_util.h"

namespace testutil {

// Start-up messages go to the test's output, not into a box nobody answers.
class TestEngineApp : public lzg::EngineApp {
 protected:
  void ShowErrorMessage(const std::wstring& text) override {
    std::fprintf(stderr, "engine start-up: %s\n", ToUtf8(text).c_str());
  }
};

struct EngineStart {
  std::unique_ptr<lzg::EngineApp> app;  // the started engine, in the browser process only
  int exit_code = 0;                    // otherwise what the process returns
};

// In the browser process the stand-in's trace goes to `trace_path` (emptied first), with `env` set for every
// process of the engine. In a sub-process the engine runs its role inside this call.
inline EngineStart StartEngineForTest(const std::wstring& trace_path,
                                      const std::vector<std::pair<std::wstring, std::wstring>>& env = {}) {
  const bool sub = lzg::EngineApp::ProcessTypeOf(GetCommandLineW()) != lzg::ProcessType::kBrowser;
  if (!sub) {
    DeleteFileW(trace_path.c_str());
    SetEnvironmentVariableW(L"STANDIN_TRACE", trace_path.c_str());
    for (const auto& [name, value] : env) SetEnvironmentVariableW(name.c_str(), value.c_str());
  }
  EngineStart start;
  start.app = std::make_unique<TestEngineApp>();
  lzg::EngineApp& app = *start.app;
  app.SetFrameworkDirPath(L"cef");
  app.SetResourcesDirPath(L"cef");
  app.SetLocalesDirPath(L"cef\\locales");
  app.set_locale(L"zh-CN");
  app.set_locales_required(L"zh-CN");
  if (!app.StartMainProcess()) {
    // A sub-process ends with what its role returned.
    start.exit_code = sub ? app.SubProcessExitCode() : 1;
    if (!sub) std::fprintf(stderr, "the engine did not start\n");
    start.app.reset();
  }
  return start;
}

}  // namespace testutil
