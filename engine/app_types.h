// Value sets of the engine application object, free of any Windows header so
// the start-up rules can build anywhere.
#pragma once

enum TCefProcessType { ptBrowser, ptRenderer, ptZygote, ptGPU, ptOther };

enum TCefAplicationStatus {
  asLoading,
  asLoaded,
  asInitialized,
  asShuttingDown,
  asUnloaded,
  asErrorMissingFiles,
  asErrorDLLVersion,
  asErrorLoadingLibrary,
  asErrorInitializingLibrary,
  asErrorExecutingProcess
};

enum TCefAutoplayPolicy {
  appDefault,
  appDocumentUserActivationRequired,
  appNoUserGestureRequired,
  appUserGestureRequired,
  appUserGestureRequiredForCrossOrigin
};
