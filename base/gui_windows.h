// How many windows the GUI layer holds in this process. An engine sub-process asks before the engine's start
// whether there is anything of the GUI layer's to destroy: looking through the thread's windows when there is
// none would load and start the display driver (under Wine, a fifth of a renderer's start) for nothing.
#pragma once

namespace lzg::gui_windows {

// The GUI layer's window procedure counts its windows in (WM_NCCREATE) and out (WM_NCDESTROY); main thread.
void Created() noexcept;
void Destroyed() noexcept;
int Alive() noexcept;

}  // namespace lzg::gui_windows
