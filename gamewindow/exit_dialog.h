// The exit dialog: a borderless 600 x 330 picture with the question and two
// picture buttons. Created hidden once at start, its pictures decoded at its
// first showing; the game window shows it
// modally for every close request and reads the answer from g_btNeedClose.
// Main thread only.
#pragma once

#include "ui/controls.h"
#include "ui/forms.h"

class ExitDialog : public ui::Form {
 public:
  explicit ExitDialog(ui::Component* owner);

  ui::Panel* Panel1;
  ui::Image* simg_di;
  ui::PictureButton* btn_zaiwan2;  // stay
  ui::PictureButton* btn_tuichu2;  // exit

  // Decodes the pictures at the first showing, then places the dialog over the game window on every showing,
  // always wholly on the game window's monitor.
  void FormShow(ui::TObject* Sender);
  // Exit: g_btNeedClose := 1, then close.
  void btn_tuichu2Click(ui::TObject* Sender);
  // Stay: close; the answer stays as it was.
  void btn_zaiwan2Click(ui::TObject* Sender);

  static constexpr int kClientWidth = 600;
  static constexpr int kClientHeight = 330;
  // Where the picture buttons sit on the panel (client coordinates): the pictures are drawn for these places,
  // and tests click at them.
  struct ButtonBounds {
    int left, top, width, height;
  };
  static constexpr ButtonBounds kStayBounds{319, 216, 240, 100};
  static constexpr ButtonBounds kExitBounds{55, 216, 240, 100};

 private:
  void LoadPictures();

  bool FShownBefore = false;
  bool FPicturesLoaded = false;
};

// The one exit dialog, from its creation by the launch sequence until the loop has ended.
extern ExitDialog* FormHint;
