#include "launch/engine_setup.h"

#include "engine/engine_app.h"
#include "gamewindow/game_window.h"
#include "config/settings.h"
#include "base/guarded.h"
#include "launch/profile_folders.h"

std::atomic<HWND> g_ChildFormHandle{nullptr};

namespace {

// A directory whose computation failed leaves its setting as it was; each
// setter runs on its own so one failure does not stop the others.
void ApplyProfileDirs(bool profile1) {
  const lzg::ProfileDirs dirs = lzg::ComputeProfileDirs(profile1);
  lzg::GuardedStep([&] { if (dirs.Cache) GlobalCEFApp->SetCache(*dirs.Cache); });
  lzg::GuardedStep([&] { if (dirs.Cookies) GlobalCEFApp->SetCookies(*dirs.Cookies); });
  lzg::GuardedStep([&] { if (dirs.UserDataPath) GlobalCEFApp->SetUserDataPath(*dirs.UserDataPath); });
}

}  // namespace

void CreateGlobalCEFApp_2() {
  GlobalCEFApp = new EngineApp();
  GlobalCEFApp->OnContextInitialized = &GlobalCEFApp_OnContextInitialized_2;
  GlobalCEFApp->OnCookieStoreSettled = &GlobalCEFApp_OnCookieStoreSettled_2;
  InitGlobalCEFApp_2();
}

void InitGlobalCEFApp_2() {
  EngineApp& app = *GlobalCEFApp;
  app.SetFrameworkDirPath(L"cef");
  app.SetResourcesDirPath(L"cef");
  app.SetLocalesDirPath(L"cef\\locales");
  app.EnableGPU = true;
  app.AcceptLanguageList = L"zh-CN";
  app.LocalesRequired = L"zh-CN";
  app.Locale = L"zh-CN";
  app.FlashEnabled = false;
  if (!g_ParamStr_1.empty()) {
    InitGlobalCEFApp_2_3game();
  } else {
    InitGlobalCEFApp_2_lzg();
  }
}

void InitGlobalCEFApp_2_lzg() { ApplyProfileDirs(false); }

void InitGlobalCEFApp_2_3game() { ApplyProfileDirs(true); }

void GlobalCEFApp_OnContextInitialized_2() {
  HWND window = g_ChildFormHandle.load();
  if (window && IsWindow(window)) PostMessageW(window, CEFBROWSER_INITIALIZED, 0, 0);
}

void GlobalCEFApp_OnCookieStoreSettled_2() {
  HWND window = g_ChildFormHandle.load();
  if (window && IsWindow(window)) PostMessageW(window, CEFBROWSER_COOKIESREADY, 0, 0);
}
