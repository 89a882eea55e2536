// The game window's size presets, the resolution menu and the reload after a size change.
#include <cstdio>

#include "base/threads.h"
#include "gamewindow/placement.h"
#include "gamewindow/game_window.h"
#include "config/settings.h"

void GameWindow::init_SetSizeMenuItem() {
  const int screenW = GetSystemMetrics(SM_CXSCREEN);
  const int screenH = GetSystemMetrics(SM_CYSCREEN);
  for (int i = 0; i < FormSizeNum; ++i) {
    ui::MenuItem* item = NSetSizeArr[static_cast<size_t>(i)];
    const SizePreset& size = FormCfgSizeArr[static_cast<size_t>(i)];
    item->SetChecked(i == g_SizeIndex);
    wchar_t numbers[64];
    std::swprintf(numbers, std::size(numbers), L"(%d\u00D7%d)", size.Width, size.Height);
    item->SetCaption(FormCfgSizeNameArr[static_cast<size_t>(i)] + numbers);
    if (i != kMaximisedPreset && (screenW < size.Width || screenH < size.Height)) item->SetEnabled(false);
  }
  if (g_SizeIndex == kMaximisedPreset) SetWindowState(ui::WindowState::kMaximized);
}

void GameWindow::NSetSize1Click(ui::TObject* Sender) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.NSetSize1Click")) return;
  if (FExiting) return;  // no size change or save while the exit waits for the browser
  const int p = GetGameIndex();
  // The frame is measured before anything changes.
  RECT outer{};
  GetWindowRect(Handle(), &outer);
  const int borderW = (outer.right - outer.left) - ClientWidth();
  const int borderH = (outer.bottom - outer.top) - ClientHeight();

  const int t = Sender ? Sender->Tag : -1;
  std::uint8_t k = static_cast<std::uint8_t>(t);
  for (int i = 0; i < FormSizeNum; ++i) NSetSizeArr[static_cast<size_t>(i)]->SetChecked(i == t);

  int w, h;
  if (t >= 0 && t < FormSizeNum) {
    if (k == kMaximisedPreset) {
      if (GetWindowState() != ui::WindowState::kMaximized) SetWindowState(ui::WindowState::kMaximized);
      w = ClientWidth();
      h = ClientHeight();
    } else {
      w = FormCfgSizeArr[static_cast<size_t>(t)].Width;
      h = FormCfgSizeArr[static_cast<size_t>(t)].Height;
      if (GetWindowState() != ui::WindowState::kNormal) SetWindowState(ui::WindowState::kNormal);
    }
  } else {
    w = 1334;
    h = 750;
    k = 2;
  }
  g_WidthArr[static_cast<size_t>(p)] = w;
  g_HeightArr[static_cast<size_t>(p)] = h;
  g_SizeIndexArr[static_cast<size_t>(p)] = k;
  g_SizeIndex = k;
  SaveFromSize();

  // Centred from the configuration's base size (g_Width, g_Height), not the chosen preset's: this is where the
  // client has always put the window after a preset choice, and where players expect it. Not a slip to "fix".
  const lzg::Point pos = lzg::PresetPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), g_Width,
                                             g_Height, borderW, borderH);
  // Sizing or moving a maximised window un-maximises it on some platforms (Wine's X11
  // driver among them), which would undo preset 6; a maximised window stays as it is.
  // The new size and place in one move: the browser is resized once, and the reload follows sooner.
  if (GetWindowState() != ui::WindowState::kMaximized)
    SetClientSizeAt(pos.x, pos.y, g_WidthArr[static_cast<size_t>(p)], g_HeightArr[static_cast<size_t>(p)]);
  ReLoadUrl();
}

void GameWindow::SaveFromSize() { SaveSizeEntries(GetGameIndex()); }

void GameWindow::ReLoadUrl() {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.ReLoadUrl")) return;
  const int p = GetGameIndex();
  if (g_SetSizeReloadArr[static_cast<size_t>(p)] != 1) return;
  // The player's own reload: automatic retries start again from the first wait.
  FRecovery.Reset();
  KillTimer(Handle(), kRetryTimer);
  FRecoveryTitle = false;
  SetMyTitle(LoadingTitle());
  // The browser's parent is gone once the page closed itself; only the host is asked then.
  if (CEFWindowParent1) CEFWindowParent1->UpdateSize();
  LoadHome();
}

void GameWindow::WMsyscommand(ui::Message& m) {
  if (!lzg::OnThread(lzg::Thread::kMain, "TChildForm.WMsyscommand")) return;
  // Alt alone or with a letter would put this thread into keyboard menu mode, in which the engine's UI thread (it
  // owns the focused browser window and shares this thread's input state) hangs on Windows 10 and later; with no
  // menu bar or access keys here, only Alt+Space, the system menu, goes on to the default handling.
  if ((m.WParam & 0xFFF0) == SC_KEYMENU && m.LParam != L' ') {
    m.Result = 0;
    return;
  }
  // While the exit waits for the browser, no state changes: no maximise (and its reload), no second close.
  if (FExiting) {
    m.Result = 0;
    return;
  }
  // The whole value: a command with its low bits set (a caption double-click) does not reload.
  if (m.WParam == SC_MAXIMIZE || m.WParam == SC_RESTORE) ReLoadUrl();
  Default(m);
}
