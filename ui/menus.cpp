#include "ui/menus.h"

#include <algorithm>
#include <map>


namespace ui {

namespace {

// Command ids in use (main thread only). Ids stay below 0xF000, where the
// system commands begin.
std::map<UINT, MenuItem*>& Commands() {
  static std::map<UINT, MenuItem*> commands;
  return commands;
}

UINT NewCommand(MenuItem* item) {
  static UINT next = 0x100;
  auto& commands = Commands();
  for (;;) {
    UINT id = next;
    next = next >= 0xEFFF ? 0x100 : next + 1;
    if (!commands.count(id)) {
      commands[id] = item;
      return id;
    }
  }
}

}  // namespace

MenuItem::MenuItem(Component* owner) : Component(owner), command_(NewCommand(this)) {}

MenuItem::~MenuItem() {
  if (menu_) {
    RemoveMenu(menu_->menu_, command_, MF_BYCOMMAND);
    auto& items = menu_->items_;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
  }
  Commands().erase(command_);
}

void MenuItem::Update() {
  if (!menu_) return;
  UINT flags = MF_BYCOMMAND | MF_STRING | (checked_ ? MF_CHECKED : MF_UNCHECKED) | (enabled_ ? MF_ENABLED : MF_GRAYED);
  ModifyMenuW(menu_->menu_, command_, flags, command_, caption_.c_str());
}

void MenuItem::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  Update();
}

void MenuItem::SetChecked(bool v) {
  checked_ = v;
  Update();
}

void MenuItem::SetEnabled(bool v) {
  enabled_ = v;
  Update();
}

void MenuItem::Click() {
  if (enabled_ && on_click_) on_click_();
}

bool MenuItem::DispatchCommand(UINT command) {
  auto& commands = Commands();
  auto it = commands.find(command);
  if (it == commands.end()) return false;
  it->second->Click();
  return true;
}

PopupMenu::PopupMenu(Component* owner) : Component(owner), menu_(CreatePopupMenu()) {}

PopupMenu::~PopupMenu() {
  for (MenuItem* item : items_) item->menu_ = nullptr;
  DestroyMenu(menu_);
}

void PopupMenu::Add(MenuItem* item) {
  if (item->menu_) return;
  item->menu_ = this;
  items_.push_back(item);
  AppendMenuW(menu_, MF_STRING, item->command_, item->caption_.c_str());
  item->Update();
}

void PopupMenu::Popup(int x, int y) {
  // The top-level window among the menu's owners receives the command.
  Window* top = nullptr;
  for (Component* c = Owner(); c && !top; c = c->Owner())
    if (auto* w = dynamic_cast<Window*>(c); w && !w->Parent()) top = w;
  if (!top) return;
  HWND owner = top->Handle();
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(owner);
  TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr);
  PostMessageW(owner, WM_NULL, 0, 0);
}

}  // namespace ui
