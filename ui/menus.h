// Popup menus. Every item has a process-wide command id, so a WM_COMMAND that
// reaches any form routes to its item, whoever called TrackPopupMenu.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/controls.h"

namespace ui {

class TPopupMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  UINT Command() const { return command_; }

  // Raises OnClick with this item as Sender.
  void Click();
  TNotifyEvent OnClick;

  // Clicks the item with this command id; false when there is none.
  static bool DispatchCommand(UINT command);

 private:
  friend class TPopupMenu;
  void Update();

  std::wstring caption_;
  bool checked_ = false;
  bool enabled_ = true;
  UINT command_ = 0;
  TPopupMenu* menu_ = nullptr;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  void Add(TMenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int i) const { return items_[static_cast<size_t>(i)]; }
  HMENU Handle() const { return menu_; }

  // Shows the menu at screen point (x, y); the owning form receives the command.
  void Popup(int x, int y);

 private:
  friend class TMenuItem;
  HMENU menu_;
  std::vector<TMenuItem*> items_;
};

}  // namespace ui
