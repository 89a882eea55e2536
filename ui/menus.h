// Popup menus. Every item has a process-wide command id, so a WM_COMMAND that
// reaches any form routes to its item, whoever called TrackPopupMenu.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/controls.h"

namespace ui {

class PopupMenu;

class MenuItem : public Component {
 public:
  explicit MenuItem(Component* owner);
  ~MenuItem() override;

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  UINT Command() const { return command_; }

  void SetOnClick(std::function<void()> on_click) { on_click_ = std::move(on_click); }
  void Click();

  // Clicks the item with this command id; false when there is none.
  static bool DispatchCommand(UINT command);

 private:
  friend class PopupMenu;
  void Update();

  std::wstring caption_;
  bool checked_ = false;
  bool enabled_ = true;
  UINT command_ = 0;
  std::function<void()> on_click_;
  PopupMenu* menu_ = nullptr;
};

class PopupMenu : public Component {
 public:
  explicit PopupMenu(Component* owner);
  ~PopupMenu() override;

  void Add(MenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  MenuItem* Items(int i) const { return items_[static_cast<size_t>(i)]; }
  HMENU Handle() const { return menu_; }

  // Shows the menu at screen point (x, y); the owning form receives the command.
  void Popup(int x, int y);

 private:
  friend class MenuItem;
  HMENU menu_;
  std::vector<MenuItem*> items_;
};

}  // namespace ui
