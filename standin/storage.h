// The engine's storage folders: one browser process per cache path, user-data path and cookie storage path.
// A second process on a folder gets no error from the engine; it silently loses the disk cache, the cookie
// database and local storage to the first. The stand-in says so with a fault line instead.
#pragma once

#include <string>

namespace standin {

// This browser process now uses `folder` as its `what` ("cache_path", "user_data_path", "cookie storage path").
// When another running browser process of the stand-in already uses the same folder (as Windows compares paths:
// case, slash direction and a trailing separator do not matter), a fault names the folder and that process.
// An empty folder is storage in memory: nothing is claimed. Any thread.
void UseStorageFolder(const char* what, const std::wstring& folder);

// The engine has shut down: its folders are free for other processes.
void ReleaseStorageFolders();

}  // namespace standin
