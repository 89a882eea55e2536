// The native child window that carries the browser's own window. It finds the browser's window as its first
// child and holds no handle of it. Main thread.
#pragma once

#include <windows.h>

#include "ui/controls.h"

namespace lzg {

class BrowserParent : public ui::Window {
 public:
  BrowserParent(ui::Component* owner, ui::Window* parent) : ui::Window(owner, parent) {}

  // The first child window, or null (the control's own window is not created here).
  HWND GetChildWindowHandle();
  // Fits the child window to the client area at (0, 0), keeping its Z order.
  void UpdateSize();

 protected:
  // The child follows every size change.
  void Resize() override;
  void WndProc(ui::Message& m) override;
};

}  // namespace lzg
