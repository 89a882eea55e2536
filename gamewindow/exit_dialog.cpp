#include "gamewindow/exit_dialog.h"

#include <vector>

#include "gamewindow/placement.h"
#include "gamewindow/game_window.h"
#include "config/settings.h"
#include "resources/images.h"
#include "resources/resource_ids.h"
#include "ui/placement.h"

ExitDialog* FormHint = nullptr;

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!GetMonitorInfoW(monitor, &mi)) return TRUE;
  auto& list = *reinterpret_cast<std::vector<lzg::Monitor>*>(param);
  const lzg::Monitor m{{mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right, mi.rcMonitor.bottom},
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
  int clientW = 0, clientH = 0;
};

GameBox GameWindowBox(HWND game) {
  GameBox box;
  GetWindowRect(game, &box.outer);
  RECT client{};
  GetClientRect(game, &client);
  box.clientW = client.right;
  box.clientH = client.bottom;
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
    box.clientW = (r.right - r.left) - (frame.right - frame.left);
    box.clientH = (r.bottom - r.top) - (frame.bottom - frame.top);
  }
  return box;
}

}  // namespace

ExitDialog::ExitDialog(ui::Component* owner) : ui::Form(owner) {
  SetBorderStyle(ui::BorderStyle::kNone);
  // FormShow places every showing itself, the first one centred on the game window as the framework would.
  SetPosition(ui::Position::kDesigned);
  SetText(L"信息提示");
  SetClientWidth(kClientWidth);
  SetClientHeight(kClientHeight);

  Panel1 = new ui::Panel(this, this);
  Panel1->SetAlign(ui::Align::kClient);

  simg_di = new ui::Image(this, Panel1);
  simg_di->SetBounds(0, 0, kClientWidth, kClientHeight);

  btn_zaiwan2 = new ui::PictureButton(this, Panel1);
  btn_zaiwan2->SetBounds(kStayBounds.left, kStayBounds.top, kStayBounds.width, kStayBounds.height);
  btn_zaiwan2->OnClick = [this](ui::TObject* s) { btn_zaiwan2Click(s); };

  btn_tuichu2 = new ui::PictureButton(this, Panel1);
  btn_tuichu2->SetBounds(kExitBounds.left, kExitBounds.top, kExitBounds.width, kExitBounds.height);
  btn_tuichu2->OnClick = [this](ui::TObject* s) { btn_tuichu2Click(s); };

  OnShow = [this](ui::TObject* s) { FormShow(s); };
}

// The pictures (a JPEG and two alpha bitmaps, about 1 MiB once decoded) are not needed before the first
// close request: decoded then, before the dialog appears, they cost the start nothing.
void ExitDialog::LoadPictures() {
  if (FPicturesLoaded) return;
  FPicturesLoaded = true;
  simg_di->SetBitmap(lzg::LoadJpegResource(IDR_HINT_BACKGROUND));
  btn_zaiwan2->SetBitmap(lzg::LoadAlphaBitmapResource(IDR_HINT_STAY));
  btn_tuichu2->SetBitmap(lzg::LoadAlphaBitmapResource(IDR_HINT_EXIT));
}

void ExitDialog::FormShow(ui::TObject*) {
  LoadPictures();
  if (!ChildForm || !ChildForm->HandleAllocated()) return;
  const GameBox game = GameWindowBox(ChildForm->Handle());
  lzg::Point p;
  if (!FShownBefore) {
    FShownBefore = true;
    const ui::Point c = ui::CenterOn(
        ui::Box{game.outer.left, game.outer.top, game.outer.right - game.outer.left, game.outer.bottom - game.outer.top},
        Width(), Height(), GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN));
    p = {c.x, c.y};
  } else {
    p = lzg::DialogPosition(game.outer.left, game.outer.top, game.clientW, game.clientH, ClientWidth(),
                            ClientHeight());
  }
  // Whatever state the game window is in (maximised, minimised, half off the screen), the question must be
  // seen and answerable: wholly inside the work area of the game window's monitor.
  std::vector<lzg::Monitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  const lzg::Rect owner{game.outer.left, game.outer.top, game.outer.right, game.outer.bottom};
  if (!monitors.empty()) p = lzg::KeepInside(p, Width(), Height(), lzg::WorkAreaFor(owner, monitors));
  SetWindowPos(Handle(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ExitDialog::btn_tuichu2Click(ui::TObject*) {
  g_btNeedClose = 1;
  Close();
}

void ExitDialog::btn_zaiwan2Click(ui::TObject*) { Close(); }
