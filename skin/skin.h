// The skin layer: a skin manager that finds and loads a skin, a provider that paints a
// window's frame with it, and a title bar whose items replace the caption text.
//
// The provider attaches to a window purely through its HWND (a subclass of its window procedure), so any
// window can use it. All of it is main-thread only. Without an active skin the provider
// passes every message on: the window keeps its standard frame and its caption text, and
// the title bar's items are neither shown nor clickable.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "skin/frame_layout.h"
#include "skin/skin_format.h"

namespace lzg {

class SkinProvider;
class TitleBar;

class SkinManager {
 public:
  SkinManager() = default;
  // Providers still attached fall back to the standard frame.
  ~SkinManager();
  SkinManager(const SkinManager&) = delete;
  SkinManager& operator=(const SkinManager&) = delete;

  const std::wstring& SkinDirectory() const { return directory_; }
  // Taken into account at the next activation.
  void SetSkinDirectory(const std::wstring& dir) { directory_ = dir; }

  const std::wstring& SkinName() const { return name_; }
  // While inactive the name is only recorded; while active the named skin replaces the
  // current one, and when it cannot be loaded the manager turns off.
  void SetSkinName(const std::wstring& name);

  bool Active() const { return active_; }
  // On: loads SkinName from SkinDirectory, as the folder "<dir>\<name>\" or the packed file
  // "<dir>\<name>.lzskin"; stays off when neither exists or the skin cannot be read.
  void SetActive(bool on);

  const skin::SkinTheme& Theme() const { return theme_; }
  // Why the last activation left the manager off; empty after a successful one.
  const std::wstring& LastError() const { return error_; }

 private:
  friend class SkinProvider;
  bool Load();
  void NotifyProviders();

  std::wstring directory_, name_, error_;
  bool active_ = false;
  skin::SkinTheme theme_;
  std::vector<SkinProvider*> providers_;
};

enum class ItemAlign { kLeft, kRight };
enum class ItemStyle { kButton, kInfo };

class TitleBarItem {
 public:
  const std::wstring& Caption() const { return caption_; }
  // Repaints the title bar at once.
  void SetCaption(const std::wstring& caption);

  ItemAlign GetAlign() const { return align_; }
  void SetAlign(ItemAlign align);
  ItemStyle Style() const { return style_; }
  void SetStyle(ItemStyle style);

  // Pressing a button item that has a drop-down opens the menu under the item; its
  // commands reach the window as WM_COMMAND. The caller keeps owning the menu.
  HMENU DropdownMenu() const { return menu_; }
  void SetDropdownMenu(HMENU menu) { menu_ = menu; }

  const std::wstring& FontName() const { return font_name_; }
  int FontSize() const { return font_size_; }  // points, at 96 DPI
  void SetFont(const std::wstring& name, int points);

  // A button item without a drop-down reports presses here.
  void SetOnClick(std::function<void()> on_click) { on_click_ = std::move(on_click); }

 private:
  friend class TitleBar;
  friend class SkinProvider;
  explicit TitleBarItem(TitleBar* bar) : bar_(bar) {}
  TitleBar* bar_;
  std::wstring caption_;
  ItemAlign align_ = ItemAlign::kLeft;
  ItemStyle style_ = ItemStyle::kButton;
  HMENU menu_ = nullptr;
  std::wstring font_name_ = L"Tahoma";
  int font_size_ = 8;
  std::function<void()> on_click_;
};

class TitleBar {
 public:
  TitleBar() = default;
  ~TitleBar();
  TitleBar(const TitleBar&) = delete;
  TitleBar& operator=(const TitleBar&) = delete;

  // Items keep their address for the title bar's life.
  TitleBarItem& Add();
  TitleBarItem& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
  int ItemCount() const { return static_cast<int>(items_.size()); }

  // Pixels between neighbouring items (and between the icon and the first item).
  int ItemMargin() const { return margin_; }
  void SetItemMargin(int margin);

  // Repaints the frame of the window showing this title bar, when it is skinned.
  void Invalidate();

  // How a drop-down is opened; tests replace it to see the call. Null restores the real
  // TrackPopupMenu.
  using TrackPopupFn = std::function<BOOL(HMENU, UINT flags, int x, int y, HWND owner)>;
  static void SetTrackPopupForTesting(TrackPopupFn fn);

 private:
  friend class SkinProvider;
  SkinProvider* owner_ = nullptr;
  int margin_ = 6;
  std::vector<std::unique_ptr<TitleBarItem>> items_;
};

class SkinProvider {
 public:
  explicit SkinProvider(SkinManager* manager);
  ~SkinProvider();
  SkinProvider(const SkinProvider&) = delete;
  SkinProvider& operator=(const SkinProvider&) = delete;

  // Takes over the frame of `form` (a top-level window with a caption). Once per window;
  // the subclass goes away with the window or with Detach(). Set the skin up before the
  // window is first shown: while skinned the window goes without its WS_CAPTION bits, and
  // Wine hands a window first shown with them to the X window manager for good.
  bool Attach(HWND form);
  void Detach();
  HWND Form() const { return hwnd_; }

  TitleBar* GetTitleBar() const { return title_bar_; }
  void SetTitleBar(TitleBar* bar);

  // Which part of the skin paints the frame; every skin has the one section "FORM".
  std::wstring SkinSection = L"FORM";

  // Attached, and the manager has an active skin.
  bool Skinned() const;

  // The current frame layout in window coordinates (physical, mirrored for right-to-left
  // windows). Empty when not skinned.
  skin::FrameLayout Layout() const;

  // Paints the frame now (no-op when not skinned or hidden).
  void Repaint();

 private:
  friend class SkinManager;
  friend class TitleBar;
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
  static void Unsubclass(HWND hwnd);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  void SkinChanged();  // the manager turned on, off, or changed the skin
  skin::FrameInput Input() const;
  skin::FrameHit HitAt(POINT screen) const;
  void Paint(HDC windowDc);
  void PaintItems(HDC dc, const skin::FrameLayout& l);
  void OpenItem(int index);
  void Click(skin::FramePart part);
  void SyncCaptionStyle();
  HFONT Font(const std::wstring& name, int points, bool bold, bool cjk) const;
  int TextWidth(HFONT font, const std::wstring& text) const;
  HICON SmallIcon() const;

  SkinManager* manager_;
  TitleBar* title_bar_ = nullptr;
  HWND hwnd_ = nullptr;
  bool nc_active_ = true;
  bool caption_stripped_ = false;  // WS_CAPTION taken off while skinned
  DWORD saved_caption_ = 0;        // ... and the bits to give back
  bool own_style_change_ = false;
  skin::FrameHit hot_;          // under the mouse
  skin::FramePart pressed_ = skin::FramePart::Nowhere;  // caption button held down
  bool pressed_over_ = false;    // ... and the mouse still over it
  int open_item_ = -1;           // item whose drop-down is open
  mutable std::map<std::pair<std::wstring, int>, HFONT> fonts_;
};

}  // namespace lzg
