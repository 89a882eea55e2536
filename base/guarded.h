// The guard wrappers: each runs f and catches whatever it throws. Which one a place uses depends on who
// called it and what a failure may do there:
//
//   GuardedStep       a start-up step of the launch sequence. A failure ends the step silently; whatever the
//                     step did not set keeps its value. For steps the start goes on without.
//   RunGuarded        an engine callback, or an engine-facing call of the runtime. A failure is reported and
//                     never crosses into the engine; the callback gives its neutral answer.
//   GuardedOperation  an operation of a component that our own code calls (the browser host). Reported the
//                     same way, and raised again only when the program has asked for that.
#pragma once

#include <exception>

namespace lzg {

// Where RunGuarded's failures go. Defined by the program: the client writes them to its diagnostics (and,
// once the engine is loaded, to the engine's log); the engine stand-in to its trace.
void ReportCallbackFailure(const char* operation, const char* message) noexcept;
// Where GuardedOperation's failures go; true asks for the failure to be raised again. Defined by the program.
bool ReportOperationFailure(const char* operation, const char* message);

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

template <class F>
bool GuardedOperation(const char* operation, F&& f) {
  try {
    f();
    return true;
  } catch (const std::exception& e) {
    if (ReportOperationFailure(operation, e.what())) throw;
  } catch (...) {
    if (ReportOperationFailure(operation, "unknown failure")) throw;
  }
  return false;
}

}  // namespace lzg
