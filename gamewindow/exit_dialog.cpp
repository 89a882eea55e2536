#include "gamewindow/exit_dialog.h"

#include <vector>

#include "gamewindow/placement.h"
#include "resources/images.h"
#include "resources/resource_ids.h"
#include "ui/placement.h"

namespace lzg {
namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!GetMonitorInfoW(monitor, &mi)) return TRUE;
  auto& list = *reinterpret_cast<std::vector<Monitor>*>(param);
  const Monitor m{{mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right, mi.rcMonitor.bottom},
                  {mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom}};
  // The primary monitor first: it wins among equals.
  if (mi.dwFlags & MONITORINFOF_PRIMARY)
    list.insert(list.begin(), m);
  else
    list.push_back(m);
  return TRUE;
}

// Where the game window stands for the dialog: its outer rectangle and client size, taken from its
// restored place while it is minimised (a minimised window sits at -32000, off every screen).
struct GameBox {
  RECT outer{};
  int client_w = 0, client_h = 0;
};

GameBox GameWindowBox(HWND game) {
  GameBox box;
  GetWindowRect(game, &box.outer);
  RECT client{};
  GetClientRect(game, &client);
  box.client_w = client.right;
  box.client_h = client.bottom;
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (IsIconic(game) && GetWindowPlacement(game, &wp)) {
    // The restored rectangle is in workspace coordinates: relative to its monitor's work area.
    RECT r = wp.rcNormalPosition;
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &mi))
      OffsetRect(&r, mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top);
    RECT frame{};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(game, GWL_STYLE)) & ~WS_MINIMIZE, FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(game, GWL_EXSTYLE)));
    box.outer = r;
    box.client_w = (r.right - r.left) - (frame.right - frame.left);
    box.client_h = (r.bottom - r.top) - (frame.bottom - frame.top);
  }
  return box;
}

}  // namespace

ExitDialog::ExitDialog(ui::Component* owner) : ui::Form(owner) {
  SetBorderStyle(ui::BorderStyle::kNone);
  // OnShow places every showing itself, the first one centred on the game window as the framework would.
  SetPosition(ui::Position::kDesigned);
  SetText(L"信息提示");
  SetClientWidth(kClientWidth);
  SetClientHeight(kClientHeight);

  panel_ = new ui::Panel(this, this);
  panel_->SetAlign(ui::Align::kClient);

  background_ = new ui::Image(this, panel_);
  background_->SetBounds(0, 0, kClientWidth, kClientHeight);

  stay_button_ = new ui::PictureButton(this, panel_);
  stay_button_->SetBounds(kStayBounds.left, kStayBounds.top, kStayBounds.width, kStayBounds.height);
  // Stay: the dialog closes; the answer is no.
  stay_button_->SetOnClick([this] { SetModalResult(ui::kModalCancel); });

  exit_button_ = new ui::PictureButton(this, panel_);
  exit_button_->SetBounds(kExitBounds.left, kExitBounds.top, kExitBounds.width, kExitBounds.height);
  exit_button_->SetOnClick([this] { SetModalResult(ui::kModalOk); });
}

bool ExitDialog::AskToExit(HWND game_window) {
  game_window_ = game_window;
  return ShowModal() == ui::kModalOk;
}

// The pictures (a JPEG and two alpha bitmaps, about 1 MiB once decoded) are not needed before the first close
// request: decoded then, before the dialog appears, they cost the start nothing.
void ExitDialog::LoadPictures() {
  if (pictures_loaded_) return;
  pictures_loaded_ = true;
  background_->SetBitmap(LoadJpegResource(IDR_HINT_BACKGROUND));
  stay_button_->SetBitmap(LoadAlphaBitmapResource(IDR_HINT_STAY));
  exit_button_->SetBitmap(LoadAlphaBitmapResource(IDR_HINT_EXIT));
}

void ExitDialog::OnShow() {
  LoadPictures();
  if (!game_window_ || !IsWindow(game_window_)) return;
  const GameBox game = GameWindowBox(game_window_);
  Point p;
  if (!shown_before_) {
    shown_before_ = true;
    const ui::Point c = ui::CenterOn(
        ui::Box{game.outer.left, game.outer.top, game.outer.right - game.outer.left, game.outer.bottom - game.outer.top},
        Width(), Height(), GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN));
    p = {c.x, c.y};
  } else {
    p = DialogPosition(game.outer.left, game.outer.top, game.client_w, game.client_h, ClientWidth(), ClientHeight());
  }
  // Whatever state the game window is in (maximised, minimised, half off the screen), the question must be seen
  // and answerable: wholly inside the work area of the game window's monitor.
  std::vector<Monitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  const Rect owner{game.outer.left, game.outer.top, game.outer.right, game.outer.bottom};
  if (!monitors.empty()) p = KeepInside(p, Width(), Height(), WorkAreaFor(owner, monitors));
  SetWindowPos(Handle(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace lzg
