// Value sets of the engine application object, free of any Windows header so
// the start-up rules can build anywhere.
#pragma once

namespace lzg {

// The role of a process, read from its command line.
enum class ProcessType { kBrowser, kRenderer, kZygote, kGpu, kOther };

// How far the engine's start has come, or why it stopped.
enum class AppStatus {
  kLoading,
  kLoaded,
  kInitialized,
  kShuttingDown,
  kUnloaded,
  kErrorMissingFiles,
  kErrorDllVersion,
  kErrorLoadingLibrary,
  kErrorInitializingLibrary,
  kErrorExecutingProcess
};

// "--autoplay-policy" values, in the engine's order; kDefault adds no switch.
enum class AutoplayPolicy {
  kDefault,
  kDocumentUserActivationRequired,
  kNoUserGestureRequired,
  kUserGestureRequired,
  kUserGestureRequiredForCrossOrigin
};

}  // namespace lzg
