// The title bar's resolution drop-down: the seven size presets, their captions and check mark, and what a
// choice does to the window: its new client size and place, and the profile's size entries saved. Main thread.
#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "config/settings.h"
#include "ui/forms.h"
#include "ui/menus.h"

namespace lzg {

class PresetMenu {
 public:
  // The menu's items belong to `window`, which outlives this object, as do `settings`. A click on an item
  // reports its preset to `on_chosen`, which applies it (or not).
  PresetMenu(ui::Form& window, Settings& settings, std::function<void(int preset)> on_chosen);

  HMENU Handle() const { return menu_->Handle(); }
  ui::MenuItem* Item(int preset) const { return items_[static_cast<size_t>(preset)]; }

  // Captions, check mark and enabled state, once before the window is first shown: a preset larger than the
  // screen is disabled (the maximised one never), and the maximised preset makes the window start maximised.
  void Build();

  // The chosen preset's client size (preset 6: the maximised window's) and, from the configuration's base size,
  // the window's place, stored for the profile and saved. A preset outside the table stands for 1334 x 750.
  void Apply(int preset);

 private:
  ui::Form& window_;
  Settings& settings_;
  ui::PopupMenu* menu_;  // owned by the window, as are the items
  std::array<ui::MenuItem*, kPresetCount> items_{};
};

}  // namespace lzg
