// Clicking the exit dialog's picture buttons. They have no window of their own: the dialog's panel gets the
// mouse, at the places the dialog's header gives them.
#pragma once

#include <windows.h>

#include "gamewindow/exit_dialog.h"

namespace testutil {

inline POINT CentreOf(const lzg::ExitDialog::ButtonBounds& b) { return {b.left + b.width / 2, b.top + b.height / 2}; }

inline const POINT kExitButton = CentreOf(lzg::ExitDialog::kExitBounds);
inline const POINT kStayButton = CentreOf(lzg::ExitDialog::kStayBounds);

// A click at `at` (client coordinates of the panel), as the mouse gives it: a move, a press and a release.
inline void ClickOnPanel(HWND panel, POINT at) {
  const LPARAM lp = MAKELPARAM(at.x, at.y);
  PostMessageW(panel, WM_MOUSEMOVE, 0, lp);
  PostMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, lp);
  PostMessageW(panel, WM_LBUTTONUP, 0, lp);
}

// The panel of a dialog window of another process: its only child.
inline HWND PanelOf(HWND dialog) { return dialog ? GetWindow(dialog, GW_CHILD) : nullptr; }

}  // namespace testutil
