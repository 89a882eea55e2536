// What the run command shows without a display: the real client under the
// engine stand-in on a virtual screen, photographed with its game window, the
// open resolution menu and the exit dialog, then left through the dialog's exit
// button. The pictures land under <build>/screenshots/.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/client_run.h"

namespace {

RECT Union(const RECT& a, const RECT& b) {
  RECT u;
  UnionRect(&u, &a, &b);
  return u;
}

bool Fail(const char* what) {
  std::fprintf(stderr, "showcase: %s\n", what);
  return false;
}

bool Run() {
  e2e::ClientRun run;
  run.WriteConfig(L"[dump]\r\ndoUrl2=https://www.example.com/lzg/index.html?from=showcase\r\nistest=1\r\n"
                  L"SkinName=Topaz 2017\r\n");
  if (!run.Start()) return Fail("the client did not start");
  if (!run.WaitLoaded()) return Fail("the game page did not load");
  HWND game = run.Game();
  if (!game) return Fail("no game window");
  Sleep(700);  // the title item takes the game title at the load end
  RECT gameRect;
  GetWindowRect(game, &gameRect);
  e2e::SaveScreenshot(gameRect, L"run_game_window");

  const RECT item = e2e::FindTitleButton(game);
  if (item.right > item.left) {
    PostMessageW(game, WM_NCLBUTTONDOWN, HTOBJECT,
                 MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2));
    HWND menu = nullptr;
    if (testutil::WaitUntil([&] { return (menu = e2e::OpenMenuWindow(run.Pid())) != nullptr; }, 10000)) {
      Sleep(400);
      RECT menuRect;
      GetWindowRect(menu, &menuRect);
      e2e::SaveScreenshot(Union(gameRect, menuRect), L"run_resolution_menu");
      PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
      PostMessageW(game, WM_CANCELMODE, 0, 0);
      testutil::WaitUntil([&] { return e2e::OpenMenuWindow(run.Pid()) == nullptr; }, 5000);
    } else {
      Fail("the resolution menu did not open");
    }
  } else {
    Fail("no resolution button in the title bar (is the skin there?)");
  }

  PostMessageW(game, WM_CLOSE, 0, 0);
  if (!testutil::WaitUntil([&] { return run.DialogVisible(); }, 10000)) return Fail("the exit dialog did not open");
  Sleep(500);
  e2e::SaveScreenshot(gameRect, L"run_exit_dialog");
  if (!run.ClickExit()) return Fail("the exit button could not be clicked");
  if (!run.WaitExit(20000)) return Fail("the client did not end after the exit button");
  std::printf("client ended with code %lu\n", run.ExitCode());
  return run.ExitCode() == 0;
}

}  // namespace

int main() { return Run() ? 0 : 1; }
