// The game window at a log-off or shutdown. The query asks the player as any close request does: "stay"
// refuses the session end; "exit" closes the browser and allows it. Whatever the system does next, the
// window is never left half closed: a session that ends shuts the engine down cleanly before the process
// goes, and a session end that another program cancels ends the program as the player chose.
#include "base/threads.h"
#include "gamewindow/exit_dialog.h"
#include "gamewindow/game_window.h"
#include "config/settings.h"

void GameWindow::WMQueryEndSession(ui::Message& m) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.WMQueryEndSession")) return;
  if (FSessionExitChosen || FExiting) {
    m.Result = 1;  // already on the way out
    return;
  }
  bool canClose = true;
  FormCloseQuery(this, canClose);
  FSessionExitChosen = canClose;
  m.Result = canClose ? 1 : 0;
}

void GameWindow::WMEndSession(ui::Message& m) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.WMEndSession")) return;
  m.Result = 0;
  if (!m.WParam) {
    // Cancelled by another program after the player chose to exit: the exit goes ahead now.
    if (FSessionExitChosen) PostMessageW(Handle(), WM_CLOSE, 0, 0);
    return;
  }
  // The session ends, and the process with it as soon as this returns. Even when the query was refused (a
  // forced log-off), every browser is closed and the engine shut down first.
  if (!FSessionExitChosen) {
    if (FormHint && FormHint->InModal()) FormHint->Hide();  // its modal loop never resumes
    g_btNeedClose = 1;
    FExiting = true;
    AfterExitDialog(true);
    CloseBrowserBeforeExit();
  }
  // A copy: the sequence's end frees this window.
  const std::function<void()> end = OnSessionEnding;
  if (end) end();
}
