// The start-up's guarded step: a failure inside ends the step and is ignored;
// whatever the step did not set keeps its value. Platform-free.
#pragma once

namespace lzg {

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

}  // namespace lzg
