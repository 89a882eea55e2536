// The two threads the client's code runs on, and the one-line check at an entry point that it is on the
// right one. The main thread owns the windows and the settings state; the engine's UI thread runs the
// browser callbacks, which answer at once or post to the main thread.
#pragma once

#include <windows.h>

#include <string>

namespace lzg {

enum class Thread { kMain, kEngineUi };

namespace threads {

// Recorded by the launch sequence (and the engine object) on the main thread.
void SetMain() noexcept;
DWORD Main() noexcept;
// Recorded when the engine's UI thread first reports in.
void SetEngineUi(DWORD threadId) noexcept;
DWORD EngineUi() noexcept;

}  // namespace threads

// True when the caller runs on `expected`, or when that thread is not known yet. Otherwise the wrong call is
// reported under the function's name (taken from `signature`, the compiler's text of it) through the
// engine-boundary reporting (in every build: the engine's log shows it), and the answer is false: the entry
// point returns without acting.
bool OnThread(Thread expected, const char* signature) noexcept;

// "BrowserHost.LoadUrl" from "void lzg::BrowserHost::LoadUrl(const std::wstring&)".
std::string FunctionNameFromSignature(const char* signature);

}  // namespace lzg

// The check at an entry point where a wrong thread is possible; it names its function itself:
//   if (!LZG_ON_THREAD(kMain)) return;
#define LZG_ON_THREAD(thread) ::lzg::OnThread(::lzg::Thread::thread, __PRETTY_FUNCTION__)
