// Creating and configuring GlobalCEFApp: the engine object's step of the launch
// sequence, run in every process (engine sub-processes included) on the main thread.
#pragma once

#include <windows.h>

#include <atomic>

// The game window's native window once it exists, null before and after. The
// launch sequence sets and clears it on the main thread; the engine's UI thread
// and the cookie initialiser's thread read it to post to the window, so they
// never touch the window object itself.
extern std::atomic<HWND> g_ChildFormHandle;

// Creates GlobalCEFApp, sets OnContextInitialized first, then InitGlobalCEFApp_2.
void CreateGlobalCEFApp_2();
// The fixed engine properties, then the profile's directories (by g_ParamStr_1).
void InitGlobalCEFApp_2();
// Profile 0 and profile 1 directories: Cache, Cookies, UserDataPath, each in its own guarded step.
void InitGlobalCEFApp_2_lzg();
void InitGlobalCEFApp_2_3game();
// Engine UI thread: posts CEFBROWSER_INITIALIZED when the game window exists; nothing else.
void GlobalCEFApp_OnContextInitialized_2();
// The cookie initialiser's thread: posts CEFBROWSER_COOKIESREADY when the game window exists; nothing else.
void GlobalCEFApp_OnCookieStoreSettled_2();
