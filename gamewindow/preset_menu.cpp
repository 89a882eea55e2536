#include "gamewindow/preset_menu.h"

#include <cstdio>

#include "gamewindow/placement.h"

namespace lzg {

PresetMenu::PresetMenu(ui::Form& window, Settings& settings, std::function<void(int preset)> on_chosen)
    : window_(window), settings_(settings), menu_(new ui::PopupMenu(&window)) {
  for (int i = 0; i < kPresetCount; ++i) {
    ui::MenuItem* item = new ui::MenuItem(&window);
    item->SetOnClick([on_chosen, i] { on_chosen(i); });
    menu_->Add(item);
    items_[static_cast<size_t>(i)] = item;
  }
}

void PresetMenu::Build() {
  const int screen_w = GetSystemMetrics(SM_CXSCREEN);
  const int screen_h = GetSystemMetrics(SM_CYSCREEN);
  for (int i = 0; i < kPresetCount; ++i) {
    ui::MenuItem* item = items_[static_cast<size_t>(i)];
    const SizePreset& preset = settings_.presets[static_cast<size_t>(i)];
    item->SetChecked(i == settings_.preset);
    wchar_t numbers[64];
    std::swprintf(numbers, std::size(numbers), L"(%d\u00D7%d)", preset.size.width, preset.size.height);
    item->SetCaption(preset.name + numbers);
    if (i != kMaximisedPreset && (screen_w < preset.size.width || screen_h < preset.size.height))
      item->SetEnabled(false);
  }
  if (settings_.preset == kMaximisedPreset) window_.SetWindowState(ui::WindowState::kMaximized);
}

void PresetMenu::Apply(int preset) {
  // The frame is measured before anything changes.
  RECT outer{};
  GetWindowRect(window_.Handle(), &outer);
  const int border_w = (outer.right - outer.left) - window_.ClientWidth();
  const int border_h = (outer.bottom - outer.top) - window_.ClientHeight();

  for (int i = 0; i < kPresetCount; ++i) items_[static_cast<size_t>(i)]->SetChecked(i == preset);

  Size size = kDefaultSize;
  std::uint8_t index = static_cast<std::uint8_t>(preset);
  if (preset >= 0 && preset < kPresetCount) {
    if (preset == kMaximisedPreset) {
      if (window_.GetWindowState() != ui::WindowState::kMaximized)
        window_.SetWindowState(ui::WindowState::kMaximized);
      size = {window_.ClientWidth(), window_.ClientHeight()};
    } else {
      size = settings_.presets[static_cast<size_t>(preset)].size;
      if (window_.GetWindowState() != ui::WindowState::kNormal) window_.SetWindowState(ui::WindowState::kNormal);
    }
  } else {
    index = kDefaultPreset;
  }
  ProfileSettings& own = settings_.own();
  own.size = size;
  own.preset = index;
  settings_.preset = index;
  SaveSizeEntries(settings_);

  // Centred from the configuration's base size, not the chosen preset's: this is where the client has always
  // put the window after a preset choice, and where players expect it. Not a slip to "fix".
  const Point pos = PresetPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                   settings_.base_size.width, settings_.base_size.height, border_w, border_h);
  // Sizing or moving a maximised window un-maximises it on some platforms (Wine's X11 driver among them), which
  // would undo preset 6; a maximised window stays as it is. The new size and place in one move: the browser is
  // resized once, and the reload follows sooner.
  if (window_.GetWindowState() != ui::WindowState::kMaximized)
    window_.SetClientSizeAt(pos.x, pos.y, own.size.width, own.size.height);
}

}  // namespace lzg
