// The exit dialog: a borderless 600 x 330 picture with the question and two picture buttons, "退出" (exit) and
// "再玩一会" (stay). Created hidden once at start, its pictures decoded at its first showing; the game window asks
// it at every close request. Main thread only.
#pragma once

#include <windows.h>

#include "ui/controls.h"
#include "ui/forms.h"

namespace lzg {

class ExitDialog : public ui::Form {
 public:
  explicit ExitDialog(ui::Component* owner);

  // Shows the dialog modally over `game_window` and answers whether the player chose to exit. Closing the dialog
  // any other way counts as staying.
  bool AskToExit(HWND game_window);

  static constexpr int kClientWidth = 600;
  static constexpr int kClientHeight = 330;
  // Where the picture buttons sit on the panel (client coordinates): the pictures are drawn for these places,
  // and tests click at them.
  struct ButtonBounds {
    int left, top, width, height;
  };
  static constexpr ButtonBounds kStayBounds{319, 216, 240, 100};
  static constexpr ButtonBounds kExitBounds{55, 216, 240, 100};

 protected:
  // Decodes the pictures at the first showing, then places the dialog over the game window on every showing,
  // always wholly on the game window's monitor.
  void OnShow() override;

 private:
  void LoadPictures();

  ui::Panel* panel_;
  ui::Image* background_;
  ui::PictureButton* stay_button_;
  ui::PictureButton* exit_button_;
  HWND game_window_ = nullptr;
  bool shown_before_ = false;
  bool pictures_loaded_ = false;
};

}  // namespace lzg
