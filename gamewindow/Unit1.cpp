#include "gamewindow/Unit1.h"

#include "gamewindow/placement.h"
#include "gamewindow/uChildForm.h"
#include "launch/common.h"
#include "resources/images.h"
#include "resources/resource_ids.h"

TFormHint* FormHint = nullptr;

TFormHint::TFormHint(ui::TComponent* owner) : ui::TForm(owner) {
  SetBorderStyle(ui::bsNone);
  SetPosition(ui::poMainFormCenter);
  SetText(L"信息提示");
  SetClientWidth(kClientWidth);
  SetClientHeight(kClientHeight);

  Panel1 = new ui::TPanel(this, this);
  Panel1->SetAlign(ui::alClient);

  simg_di = new ui::TImage(this, Panel1);
  simg_di->SetBounds(0, 0, kClientWidth, kClientHeight);
  simg_di->SetBitmap(lzg::LoadJpegResource(IDR_HINT_BACKGROUND));

  btn_zaiwan2 = new ui::TPictureButton(this, Panel1);
  btn_zaiwan2->SetBounds(319, 216, 240, 100);
  btn_zaiwan2->SetBitmap(lzg::LoadAlphaBitmapResource(IDR_HINT_STAY));
  btn_zaiwan2->OnClick = [this](ui::TObject* s) { btn_zaiwan2Click(s); };

  btn_tuichu2 = new ui::TPictureButton(this, Panel1);
  btn_tuichu2->SetBounds(55, 216, 240, 100);
  btn_tuichu2->SetBitmap(lzg::LoadAlphaBitmapResource(IDR_HINT_EXIT));
  btn_tuichu2->OnClick = [this](ui::TObject* s) { btn_tuichu2Click(s); };

  OnShow = [this](ui::TObject* s) { FormShow(s); };
}

void TFormHint::FormShow(ui::TObject*) {
  if (!ChildForm || !ChildForm->HandleAllocated()) return;
  RECT outer{};
  GetWindowRect(ChildForm->Handle(), &outer);
  const lzg::Point p = lzg::DialogPosition(outer.left, outer.top, ChildForm->ClientWidth(), ChildForm->ClientHeight(),
                                           ClientWidth(), ClientHeight());
  SetWindowPos(Handle(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFormHint::btn_tuichu2Click(ui::TObject*) {
  g_btNeedClose = 1;
  Close();
}

void TFormHint::btn_zaiwan2Click(ui::TObject*) { Close(); }
