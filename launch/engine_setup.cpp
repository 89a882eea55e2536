#include "launch/engine_setup.h"

#include "base/guarded.h"
#include "gamewindow/game_window.h"

namespace lzg {
namespace {

void PostToWindow(const std::atomic<HWND>& window, UINT message) {
  HWND handle = window.load();
  if (handle && IsWindow(handle)) PostMessageW(handle, message, 0, 0);
}

}  // namespace

void ConfigureEngineApp(EngineApp& app, int profile) { ConfigureEngineApp(app, ComputeProfileFolders(profile)); }

void ConfigureEngineApp(EngineApp& app, const ProfileFolders& folders) {
  app.SetFrameworkDirPath(L"cef");
  app.SetResourcesDirPath(L"cef");
  app.SetLocalesDirPath(L"cef\\locales");
  app.set_enable_gpu(true);
  app.set_accept_language_list(L"zh-CN");
  app.set_locales_required(L"zh-CN");
  app.set_locale(L"zh-CN");
  app.set_flash_enabled(false);
  // A folder whose computation failed leaves its setting as it was; each setter runs on its own so one failure
  // does not stop the others.
  GuardedStep([&] { if (folders.cache) app.SetCache(*folders.cache); });
  GuardedStep([&] { if (folders.cookies) app.SetCookies(*folders.cookies); });
  GuardedStep([&] { if (folders.user_data) app.SetUserDataPath(*folders.user_data); });
}

void PostReportsTo(EngineApp& app, const std::atomic<HWND>& game_window) {
  app.on_context_initialized = [&game_window] { PostToWindow(game_window, GameWindow::kContextInitializedMessage); };
  app.on_cookie_store_settled = [&game_window] { PostToWindow(game_window, GameWindow::kCookiesReadyMessage); };
}

}  // namespace lzg
