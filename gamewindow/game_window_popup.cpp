// The game window's popup and keyboard policy, on the main thread. The engine's questions themselves are
// answered on its UI thread by the rules in uChildForm.cpp; what they took comes here through the host.
#include "gamewindow/game_window.h"

#include <shellapi.h>

#include "base/files.h"
#include "base/threads.h"
#include "engine/engine_app.h"
#include "gamewindow/popup_policy.h"

// A popup or a modified click asked for a new tab or window: only web addresses become another instance's
// home, as exactly one argument that the engine never reads as a switch; any other address stays cancelled.
void GameWindow::Chromium1NewWindowTaken(ui::TObject*, const std::wstring& targetUrl, cef_window_open_disposition_t) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.Chromium1NewWindowTaken")) return;
  const lzg::InstanceStart start = lzg::InstanceStartFor(targetUrl);
  if (!start.start) {
    OutputDebugMessage(start.note);
    return;
  }
  ShellExecuteW(Handle(), L"open", lzg::ExePath().c_str(), start.parameters.c_str(), L"", SW_SHOWNORMAL);
}

// Escape is taken on its press and release alike (the page never sees it); its release closes the window.
void GameWindow::Chromium1KeyTaken(ui::TObject*, UINT message, WPARAM wParam) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.Chromium1KeyTaken")) return;
  if (message == WM_KEYUP && LOWORD(wParam) == lzg::kVkEscape) PostMessageW(Handle(), WM_CLOSE, 0, 0);
}
