// The guard wrappers: each runs f and catches whatever it throws. Which one a place uses depends on who called
// it and what a failure may do there:
//
//   GuardedStep  a start-up step of the launch sequence. A failure ends the step silently; whatever the step did
//                not set keeps its value. For steps the start goes on without.
//   RunGuarded   an engine callback, or an engine-facing call of our own. A failure is reported and never
//                crosses into the engine or out to the caller; the callback gives its neutral answer.
#pragma once

#include <exception>

namespace lzg {

// Where RunGuarded's failures go. Defined by the program: the client writes them to its diagnostics (and, once
// the engine is loaded, to the engine's log); the engine stand-in to its trace.
void ReportCallbackFailure(const char* operation, const char* message) noexcept;

// True when the step ran to its end.
template <class F>
bool GuardedStep(F&& step) noexcept {
  try {
    step();
    return true;
  } catch (...) {
    return false;
  }
}

template <class F>
bool RunGuarded(const char* operation, F&& f) noexcept {
  try {
    f();
    return true;
  } catch (const std::exception& e) {
    ReportCallbackFailure(operation, e.what());
  } catch (...) {
    ReportCallbackFailure(operation, "unknown failure");
  }
  return false;
}

}  // namespace lzg
