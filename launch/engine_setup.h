// The engine object as this client sets it up: the engine's folders beside the executable, the locale, the
// browser switches' inputs, and the profile's folders. Run in every process (engine sub-processes included) on
// the main thread, before StartMainProcess.
#pragma once

#include <windows.h>

#include <atomic>

#include "engine/engine_app.h"
#include "launch/profile_folders.h"

namespace lzg {

// With the profile's first folders (instance slot 1's).
void ConfigureEngineApp(EngineApp& app, int profile);
// With the given folders: the main process's, those of its instance slot (instance_slot.h).
void ConfigureEngineApp(EngineApp& app, const ProfileFolders& folders);

// The engine's reports that the game window waits for (its context ready, the cookie store settled), posted to
// `game_window` once it holds the window's handle; nothing before. The engine's and the cookie initialiser's
// threads touch the handle and nothing else of the window. `game_window` outlives `app`.
void PostReportsTo(EngineApp& app, const std::atomic<HWND>& game_window);

}  // namespace lzg
