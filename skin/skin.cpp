#include "skin/skin.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "base/files.h"
#include "base/gdi.h"
#include "base/utf8.h"
#include "skin/raster.h"

namespace lzg {

using skin::Box;
using skin::FrameHit;
using skin::FrameLayout;
using skin::FramePart;

namespace {

// The window's own procedure, kept on the window itself so that a provider gone while another subclass
// still calls through ours can be passed over; and the provider, while attached.
constexpr wchar_t kNextProcProp[] = L"LzgSkinNextProc";
constexpr wchar_t kProviderProp[] = L"LzgSkinProvider";

LRESULT CallNext(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto next = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kNextProcProp));
  return next ? CallWindowProcW(next, hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

COLORREF Ref(skin::Color c) { return RGB((c >> 16) & 255, (c >> 8) & 255, c & 255); }

std::wstring Wide(const std::string& s) { return lzg::FromUtf8(s); }

// Whole small files only: a skin file beyond this is not a skin.
constexpr unsigned long long kMaxSkinFileBytes = 16 * 1024 * 1024;

TitleBar::TrackPopupFn& TrackPopupSeam() {
  static TitleBar::TrackPopupFn fn;
  return fn;
}

void GradientV(HDC dc, const RECT& r, skin::Color top, skin::Color bottom) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  TRIVERTEX v[2] = {{r.left, r.top, static_cast<COLOR16>(((top >> 16) & 255) << 8),
                     static_cast<COLOR16>(((top >> 8) & 255) << 8), static_cast<COLOR16>((top & 255) << 8), 0},
                    {r.right, r.bottom, static_cast<COLOR16>(((bottom >> 16) & 255) << 8),
                     static_cast<COLOR16>(((bottom >> 8) & 255) << 8), static_cast<COLOR16>((bottom & 255) << 8), 0}};
  GRADIENT_RECT g{0, 1};
  GdiGradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_V);
}

void GradientH(HDC dc, const RECT& r, skin::Color left, skin::Color right) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  TRIVERTEX v[2] = {{r.left, r.top, static_cast<COLOR16>(((left >> 16) & 255) << 8),
                     static_cast<COLOR16>(((left >> 8) & 255) << 8), static_cast<COLOR16>((left & 255) << 8), 0},
                    {r.right, r.bottom, static_cast<COLOR16>(((right >> 16) & 255) << 8),
                     static_cast<COLOR16>(((right >> 8) & 255) << 8), static_cast<COLOR16>((right & 255) << 8), 0}};
  GRADIENT_RECT g{0, 1};
  GdiGradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_H);
}

void Fill(HDC dc, const RECT& r, skin::Color c) {
  SetDCBrushColor(dc, Ref(c));
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

RECT R(const Box& b) { return {b.left, b.top, b.right, b.bottom}; }

bool HasCjk(const std::wstring& text) {
  return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0x2E80; });
}

// Composites a premultiplied canvas onto the DC at (x, y).
void Blend(HDC dc, const skin::Canvas& c, int x, int y) {
  if (c.width <= 0 || c.height <= 0) return;
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = c.width;
  bmi.bmiHeader.biHeight = -c.height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  lzg::GdiObject<HBITMAP> bmp(CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bmp) return;
  std::copy(c.px.begin(), c.px.end(), static_cast<uint32_t*>(bits));
  lzg::MemoryDC src(dc, bmp.get());
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, x, y, c.width, c.height, src.get(), 0, 0, c.width, c.height, bf);
}

void Text(HDC dc, const std::wstring& text, RECT r, UINT align, skin::Color color, skin::Color shadow, bool withShadow) {
  const UINT flags = align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  SetBkMode(dc, TRANSPARENT);
  if (withShadow) {
    RECT s = r;
    OffsetRect(&s, 0, 1);
    SetTextColor(dc, Ref(shadow));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &s, flags);
  }
  SetTextColor(dc, Ref(color));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
}

}  // namespace

// ---- Manager ------------------------------------------------------------------------------

SkinManager::~SkinManager() {
  active_ = false;
  std::vector<SkinProvider*> providers;
  providers.swap(providers_);
  for (SkinProvider* p : providers) {
    p->manager_ = nullptr;
    p->SkinChanged();
  }
}

void SkinManager::SetSkinName(const std::wstring& name) {
  name_ = name;
  if (!active_) return;
  active_ = Load();
  NotifyProviders();
}

void SkinManager::SetActive(bool on) {
  if (on == active_) return;
  active_ = on && Load();
  NotifyProviders();
}

void SkinManager::NotifyProviders() {
  for (SkinProvider* p : std::vector<SkinProvider*>(providers_)) p->SkinChanged();
}

bool SkinManager::Load() {
  error_.clear();
  // The name comes from the configuration file: it names an entry of the skin directory
  // and nothing outside it.
  if (name_.empty() || name_ == L"." || name_ == L".." || name_.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) {
    error_ = L"no skin of that name";
    return false;
  }
  std::wstring dir = directory_;
  while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
  const std::wstring folder = dir + L"\\" + name_;
  const std::wstring packed = folder + Wide(skin::kPackedSkinExtension);

  std::string ini, reason;
  if (lzg::DirectoryExists(folder)) {
    if (auto bytes = ReadFileBytes(folder + L"\\" + Wide(skin::kSkinIniName), kMaxSkinFileBytes))
      ini = std::move(*bytes);
    else
      reason = "skin.ini missing or unreadable";
  } else if (lzg::FileExists(packed)) {
    std::map<std::string, std::string> files;
    const std::optional<std::string> bytes = ReadFileBytes(packed, kMaxSkinFileBytes);
    if (!bytes)
      reason = "packed file unreadable";
    else if (!skin::UnpackSkin(*bytes, files, reason))
      ;
    else if (auto it = files.find(skin::kSkinIniName); it == files.end())
      reason = "packed file has no skin.ini";
    else
      ini = it->second;
  } else {
    error_ = L"no skin of that name";
    return false;
  }
  skin::SkinTheme theme;
  if (reason.empty() && skin::ParseSkinIni(ini, theme, reason)) {
    theme_ = theme;
    return true;
  }
  // Found but unreadable: say so where a developer looks; the window carries on unskinned.
  error_ = Wide(reason);
  OutputDebugStringW((L"Skin \"" + name_ + L"\" cannot be read: " + error_ + L"\n").c_str());
  return false;
}

// ---- Title bar ----------------------------------------------------------------------------

void TitleBarItem::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  bar_->Invalidate();
}

void TitleBarItem::SetAlign(ItemAlign align) {
  align_ = align;
  bar_->Invalidate();
}

void TitleBarItem::SetStyle(ItemStyle style) {
  style_ = style;
  bar_->Invalidate();
}

void TitleBarItem::SetFont(const std::wstring& name, int points) {
  font_name_ = name;
  font_size_ = points;
  bar_->Invalidate();
}

TitleBar::~TitleBar() {
  if (owner_) owner_->title_bar_ = nullptr;
}

TitleBarItem& TitleBar::Add() {
  items_.push_back(std::unique_ptr<TitleBarItem>(new TitleBarItem(this)));
  Invalidate();
  return *items_.back();
}

void TitleBar::SetItemMargin(int margin) {
  margin_ = margin;
  Invalidate();
}

void TitleBar::Invalidate() {
  if (owner_) owner_->Repaint();
}

void TitleBar::SetTrackPopupForTesting(TrackPopupFn fn) { TrackPopupSeam() = std::move(fn); }

// ---- Provider -----------------------------------------------------------------------------

SkinProvider::SkinProvider(SkinManager* manager) : manager_(manager) {
  if (manager_) manager_->providers_.push_back(this);
}

SkinProvider::~SkinProvider() {
  Detach();
  if (title_bar_) title_bar_->owner_ = nullptr;
  if (manager_) std::erase(manager_->providers_, this);
  for (auto& [key, font] : fonts_) DeleteObject(font);
}

bool SkinProvider::Attach(HWND form) {
  if (hwnd_ || !form || !IsWindow(form)) return false;
  // Subclassed by hand: Common Controls' helpers would load and start a whole library before the first
  // paint for what three calls do here.
  if (!GetPropW(form, kNextProcProp)) {
    const auto next = GetWindowLongPtrW(form, GWLP_WNDPROC);
    if (!next || !SetPropW(form, kNextProcProp, reinterpret_cast<HANDLE>(next))) return false;
    SetWindowLongPtrW(form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc));
  }
  SetPropW(form, kProviderProp, this);
  hwnd_ = form;
  SkinChanged();
  return true;
}

void SkinProvider::Detach() {
  if (!hwnd_) return;
  HWND form = hwnd_;
  const bool wasSkinned = Skinned();
  Unsubclass(form);
  hwnd_ = nullptr;
  if (caption_stripped_ && IsWindow(form))
    SetWindowLongW(form, GWL_STYLE, GetWindowLongW(form, GWL_STYLE) | static_cast<LONG>(saved_caption_));
  caption_stripped_ = false;
  if (wasSkinned && IsWindow(form))
    SetWindowPos(form, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SkinProvider::SetTitleBar(TitleBar* bar) {
  if (title_bar_) title_bar_->owner_ = nullptr;
  title_bar_ = bar;
  if (bar) {
    if (bar->owner_ && bar->owner_ != this) bar->owner_->title_bar_ = nullptr;
    bar->owner_ = this;
  }
  Repaint();
}

bool SkinProvider::Skinned() const { return hwnd_ && manager_ && manager_->Active(); }

void SkinProvider::SkinChanged() {
  hot_ = {};
  pressed_ = FramePart::Nowhere;
  if (!hwnd_) return;
  SyncCaptionStyle();
  // The frame's thickness changes with the skin: have Windows ask WM_NCCALCSIZE again.
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
}

// A skinned window drops the WS_CAPTION bits for as long as it is skinned: with them, the
// default window procedure paints the standard caption on its own occasions (text, icon,
// activation), and Wine hands the caption area to the X window manager, which leaves our
// frame unseen. The bits come back when the skin goes.
void SkinProvider::SyncCaptionStyle() {
  const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
  own_style_change_ = true;
  if (Skinned() && !caption_stripped_) {
    saved_caption_ = style & WS_CAPTION;
    caption_stripped_ = true;
    SetWindowLongW(hwnd_, GWL_STYLE, style & ~WS_CAPTION);
  } else if (!Skinned() && caption_stripped_) {
    caption_stripped_ = false;
    SetWindowLongW(hwnd_, GWL_STYLE, style | static_cast<LONG>(saved_caption_));
  }
  own_style_change_ = false;
}

HFONT SkinProvider::Font(const std::wstring& name, int points, bool bold, bool cjk) const {
  const auto key = std::pair{name, points * 4 + (bold ? 1 : 0) + (cjk ? 2 : 0)};
  if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
  LOGFONTW lf{};
  // The window's fonts do not scale with DPI. Windows draws Chinese in a small Latin face
  // through font linking at the linked face's own, slightly larger size (SimSun's 12 pixels
  // for Tahoma 8 pt); Wine would scale it to the Latin em, where strokes vanish.
  lf.lfHeight = -MulDiv(points, 96, 72) - (cjk ? 1 : 0);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  lstrcpynW(lf.lfFaceName, name.c_str(), LF_FACESIZE);
  HFONT font = CreateFontIndirectW(&lf);
  fonts_[key] = font;
  return font;
}

int SkinProvider::TextWidth(HFONT font, const std::wstring& text) const {
  if (text.empty()) return 0;
  lzg::MemoryDC dc(nullptr, font);
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

HICON SkinProvider::SmallIcon() const {
  auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd_, WM_GETICON, ICON_SMALL, 0));
  if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd_, GCLP_HICONSM));
  return icon;
}

skin::FrameInput SkinProvider::Input() const {
  skin::FrameInput in;
  RECT wr{};
  GetWindowRect(hwnd_, &wr);
  in.width = wr.right - wr.left;
  in.height = wr.bottom - wr.top;
  const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
  in.closeButton = style & WS_SYSMENU;
  in.minButton = style & WS_MINIMIZEBOX;
  in.maxButton = style & WS_MAXIMIZEBOX;
  in.sizable = style & WS_THICKFRAME;
  in.maximized = IsZoomed(hwnd_);
  in.icon = SmallIcon() != nullptr;
  if (title_bar_) {
    in.itemMargin = title_bar_->ItemMargin();
    for (const auto& item : title_bar_->items_) {
      skin::ItemInput it;
      it.right = item->GetAlign() == ItemAlign::kRight;
      it.button = item->Style() == ItemStyle::kButton;
      it.textWidth = TextWidth(Font(item->FontName(), item->FontSize(), false, HasCjk(item->Caption())), item->Caption());
      in.items.push_back(it);
    }
  }
  return in;
}

FrameLayout SkinProvider::Layout() const {
  if (!Skinned()) return {};
  const skin::FrameInput in = Input();
  FrameLayout l = skin::ComputeFrameLayout(in, manager_->Theme());
  if (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) l = skin::Mirror(l, in.width);
  return l;
}

FrameHit SkinProvider::HitAt(POINT screen) const {
  RECT wr{};
  GetWindowRect(hwnd_, &wr);
  const skin::FrameInput in = Input();
  FrameLayout l = skin::ComputeFrameLayout(in, manager_->Theme());
  if (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) l = skin::Mirror(l, in.width);
  return skin::HitTestFrame(l, in, screen.x - wr.left, screen.y - wr.top);
}

void SkinProvider::Repaint() {
  if (!Skinned() || !IsWindowVisible(hwnd_)) return;
  HDC dc = GetWindowDC(hwnd_);
  if (!dc) return;
  Paint(dc);
  ReleaseDC(hwnd_, dc);
}

// ---- Painting -----------------------------------------------------------------------------

void SkinProvider::Paint(HDC windowDc) {
  const skin::SkinTheme& t = manager_->Theme();
  const skin::FrameInput in = Input();
  const bool rtl = GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYOUTRTL;
  FrameLayout l = skin::ComputeFrameLayout(in, t);
  if (rtl) l = skin::Mirror(l, in.width);
  const int w = in.width, h = in.height;
  if (w <= 0 || h <= 0) return;

  // The layout is physical already; a mirrored window DC would flip it a second time.
  const DWORD oldLayout = GetLayout(windowDc);
  if (oldLayout & LAYOUT_RTL) SetLayout(windowDc, 0);

  HDC dc = CreateCompatibleDC(windowDc);
  HBITMAP bmp = CreateCompatibleBitmap(windowDc, w, h);
  HGDIOBJ oldBmp = SelectObject(dc, bmp);

  const bool active = nc_active_;
  const int b = l.border, th = t.titleHeight;
  GradientV(dc, {0, 0, w, th}, active ? t.titleTop : t.inactiveTop, active ? t.titleBottom : t.inactiveBottom);
  Fill(dc, {0, th, b, h}, t.frame);
  Fill(dc, {w - b, th, w, h}, t.frame);
  Fill(dc, {0, h - b, w, h}, t.frame);
  // The gold line fades in and out at the ends.
  if (t.accentHeight > 0) {
    const skin::Color base = active ? t.titleBottom : t.inactiveBottom;
    const skin::Color gold = active ? t.accent : t.inactiveText;
    const int y0 = th - t.accentHeight, fade = w / 5;
    GradientH(dc, {0, y0, fade, th}, base, gold);
    Fill(dc, {fade, y0, w - fade, th}, gold);
    GradientH(dc, {w - fade, y0, w, th}, gold, base);
  }
  if (b > 0) {
    // A bevel: light line under the top edge, dark outline, dark line around the client.
    Fill(dc, {1, 1, w - 1, 2}, t.highlight);
    HBRUSH outer = CreateSolidBrush(Ref(t.borderOuter));
    RECT all{0, 0, w, h};
    FrameRect(dc, &all, outer);
    DeleteObject(outer);
    if (b >= 2) {
      Fill(dc, {l.client.left - 1, th, l.client.left, l.client.bottom + 1}, t.borderInner);
      Fill(dc, {l.client.right, th, l.client.right + 1, l.client.bottom + 1}, t.borderInner);
      Fill(dc, {l.client.left - 1, l.client.bottom, l.client.right + 1, l.client.bottom + 1}, t.borderInner);
    }
  }

  // Caption buttons, anti-aliased on one canvas over the title bar.
  skin::Canvas canvas(w, th);
  const auto button = [&](const Box& box, FramePart part) {
    if (box.Empty()) return;
    const bool down = pressed_ == part && pressed_over_;
    const bool hot = hot_.part == part && (pressed_ == FramePart::Nowhere || down);
    if (down || hot) {
      const skin::Color fill = part == FramePart::Close ? (down ? t.closePressedFill : t.closeHoverFill)
                                                        : (down ? t.pressedFill : t.hoverFill);
      skin::FillRoundRect(canvas, box.left, box.top, box.right, box.bottom, t.buttonRadius, fill, fill, 235);
    }
    const int opacity = active ? 255 : 150;
    const skin::Color glyph = (part == FramePart::Close && (down || hot)) ? 0xFFFFFF : t.glyph;
    const float cx = (box.left + box.right) / 2.f, cy = (box.top + box.bottom) / 2.f;
    switch (part) {
      case FramePart::Close:
        skin::StrokeLine(canvas, cx - 4.5f, cy - 4.5f, cx + 4.5f, cy + 4.5f, 1.6f, glyph, opacity);
        skin::StrokeLine(canvas, cx - 4.5f, cy + 4.5f, cx + 4.5f, cy - 4.5f, 1.6f, glyph, opacity);
        break;
      case FramePart::Max:
        if (in.maximized) {  // restore: two overlapping windows
          skin::FillRoundRect(canvas, cx - 2, cy - 5, cx + 5, cy + 2, 1, glyph, glyph, opacity);
          skin::FillRoundRect(canvas, cx - 1, cy - 3, cx + 4, cy + 1, 0, t.titleBottom, t.titleBottom, 255);
          skin::FillRoundRect(canvas, cx - 5, cy - 2, cx + 2, cy + 5, 1, glyph, glyph, opacity);
          skin::FillRoundRect(canvas, cx - 4, cy, cx + 1, cy + 4, 0, t.titleBottom, t.titleBottom, 255);
        } else {
          skin::StrokeLine(canvas, cx - 5, cy - 4, cx + 5, cy - 4, 2.f, glyph, opacity);
          skin::StrokeLine(canvas, cx - 5, cy - 4, cx - 5, cy + 5, 1.2f, glyph, opacity);
          skin::StrokeLine(canvas, cx + 5, cy - 4, cx + 5, cy + 5, 1.2f, glyph, opacity);
          skin::StrokeLine(canvas, cx - 5, cy + 5, cx + 5, cy + 5, 1.2f, glyph, opacity);
        }
        break;
      case FramePart::Min:
        skin::StrokeLine(canvas, cx - 5, cy + 4, cx + 5, cy + 4, 2.f, glyph, opacity);
        break;
      default:
        break;
    }
  };
  button(l.close, FramePart::Close);
  button(l.max, FramePart::Max);
  button(l.min, FramePart::Min);

  // Button items: a gold rim around a gradient face.
  const bool hasItems = title_bar_ && title_bar_->ItemCount() > 0;
  if (hasItems) {
    for (int i = 0; i < title_bar_->ItemCount() && i < static_cast<int>(l.items.size()); ++i) {
      const Box& box = l.items[i];
      if (box.Empty() || title_bar_->Items(i).Style() != ItemStyle::kButton) continue;
      const bool down = open_item_ == i;
      const bool hot = hot_.part == FramePart::Item && hot_.item == i;
      const skin::Color top = down ? t.itemPressedTop : hot ? t.itemHoverTop : t.itemTop;
      const skin::Color bottom = down ? t.itemPressedBottom : hot ? t.itemHoverBottom : t.itemBottom;
      skin::FillRoundRect(canvas, box.left, box.top, box.right, box.bottom, t.itemRadius, t.itemBorder, t.itemBorder,
                          active ? 255 : 170);
      skin::FillRoundRect(canvas, box.left + 1, box.top + 1, box.right - 1, box.bottom - 1, t.itemRadius - 1, top,
                          bottom, 255);
    }
  }
  Blend(dc, canvas, 0, 0);

  if (HICON icon = l.icon.Empty() ? nullptr : SmallIcon())
    DrawIconEx(dc, l.icon.left, l.icon.top, icon, l.icon.Width(), l.icon.Height(), 0, nullptr, DI_NORMAL);

  if (hasItems) {
    PaintItems(dc, l);
  } else if (!l.caption.Empty()) {
    // No items: the window's own text, as a standard caption would show it.
    const int len = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), len + 1)));
    HGDIOBJ oldFont = SelectObject(dc, Font(Wide(t.captionFont), t.captionFontSize, true, HasCjk(text)));
    Text(dc, text, R(l.caption), rtl ? DT_RIGHT : DT_LEFT, active ? t.text : t.inactiveText, t.textShadow, active);
    SelectObject(dc, oldFont);
  }

  // Copy the frame only; the client area belongs to the window.
  const int saved = SaveDC(windowDc);
  ExcludeClipRect(windowDc, l.client.left, l.client.top, l.client.right, l.client.bottom);
  BitBlt(windowDc, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  RestoreDC(windowDc, saved);
  if (oldLayout & LAYOUT_RTL) SetLayout(windowDc, oldLayout);

  SelectObject(dc, oldBmp);
  DeleteObject(bmp);
  DeleteDC(dc);
}

void SkinProvider::PaintItems(HDC dc, const FrameLayout& l) {
  const skin::SkinTheme& t = manager_->Theme();
  const bool active = nc_active_;
  for (int i = 0; i < title_bar_->ItemCount() && i < static_cast<int>(l.items.size()); ++i) {
    const Box& box = l.items[i];
    if (box.Empty()) continue;
    const TitleBarItem& item = title_bar_->Items(i);
    HGDIOBJ oldFont = SelectObject(dc, Font(item.FontName(), item.FontSize(), false, HasCjk(item.Caption())));
    if (item.Style() == ItemStyle::kButton) {
      RECT r = R(box);
      OffsetRect(&r, 0, open_item_ == i ? 1 : 0);
      Text(dc, item.Caption(), r, DT_CENTER, t.itemText, t.textShadow, true);
    } else {
      Text(dc, item.Caption(), R(box), DT_LEFT, active ? t.text : t.inactiveText, t.textShadow, active);
    }
    SelectObject(dc, oldFont);
  }
}

// ---- Input --------------------------------------------------------------------------------

void SkinProvider::OpenItem(int index) {
  TitleBarItem& item = title_bar_->Items(index);
  if (!item.DropdownMenu()) {
    if (item.on_click_) item.on_click_();
    return;
  }
  const FrameLayout l = Layout();
  if (index >= static_cast<int>(l.items.size()) || l.items[index].Empty()) return;
  RECT wr{};
  GetWindowRect(hwnd_, &wr);
  const Box& box = l.items[index];
  // The menu hangs from the item's bottom-left corner, bottom-right in right-to-left layouts.
  const bool rtl = GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYOUTRTL;
  const int x = wr.left + (rtl ? box.right : box.left);
  const int y = wr.top + box.bottom;
  open_item_ = index;
  Repaint();
  HWND form = hwnd_;
  const UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON;
  if (TrackPopupSeam())
    TrackPopupSeam()(item.DropdownMenu(), flags, x, y, form);
  else
    TrackPopupMenu(item.DropdownMenu(), flags, x, y, 0, form, nullptr);
  // The menu's loop may have outlived the window.
  if (hwnd_ != form || !IsWindow(form)) return;
  open_item_ = -1;
  Repaint();
}

void SkinProvider::Click(FramePart part) {
  WPARAM command = 0;
  if (part == FramePart::Close)
    command = SC_CLOSE;
  else if (part == FramePart::Max)
    command = IsZoomed(hwnd_) ? SC_RESTORE : SC_MAXIMIZE;
  else if (part == FramePart::Min)
    command = SC_MINIMIZE;
  // Posted, like the system menu's commands, so every way of closing takes the same path.
  if (command) PostMessageW(hwnd_, WM_SYSCOMMAND, command, 0);
}

// Our procedure leaves the chain when it is the window's current one; under a later subclass it stays,
// passing everything on, and goes with the window.
void SkinProvider::Unsubclass(HWND hwnd) {
  RemovePropW(hwnd, kProviderProp);
  if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&SubclassProc)) return;
  if (HANDLE next = RemovePropW(hwnd, kNextProcProp))
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
}

LRESULT CALLBACK SkinProvider::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = static_cast<SkinProvider*>(GetPropW(hwnd, kProviderProp));
  if (self && self->hwnd_ == hwnd) return self->OnMessage(msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    const LRESULT r = CallNext(hwnd, msg, wp, lp);
    RemovePropW(hwnd, kNextProcProp);
    return r;
  }
  return CallNext(hwnd, msg, wp, lp);
}

// Every non-client message of a skinned window is handled here and nowhere else.
LRESULT SkinProvider::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_;
  if (msg == WM_NCDESTROY) {
    const LRESULT r = CallNext(hwnd, msg, wp, lp);
    Unsubclass(hwnd);
    RemovePropW(hwnd, kNextProcProp);
    hwnd_ = nullptr;
    return r;
  }
  if (!Skinned()) return CallNext(hwnd, msg, wp, lp);
  const skin::SkinTheme& t = manager_->Theme();

  switch (msg) {
    case WM_NCCALCSIZE: {
      RECT& r = wp ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : *reinterpret_cast<RECT*>(lp);
      const int b = IsZoomed(hwnd) ? 0 : t.borderWidth;
      r.left += b;
      r.right = std::max(r.left, r.right - b);
      r.top += t.titleHeight;
      r.bottom = std::max(r.top, r.bottom - b);
      return 0;
    }
    case WM_NCPAINT: {
      HDC dc = GetWindowDC(hwnd);
      if (dc) {
        Paint(dc);
        ReleaseDC(hwnd, dc);
      }
      return 0;
    }
    case WM_NCACTIVATE:
      nc_active_ = wp != 0;
      Repaint();
      return TRUE;
    case WM_SETTEXT:
    case WM_SETICON: {
      const LRESULT r = CallNext(hwnd, msg, wp, lp);
      Repaint();
      return r;
    }
    case WM_STYLECHANGING:
      // Someone else setting the style: keep their caption bits for later, not on the window.
      if (wp == static_cast<WPARAM>(GWL_STYLE) && !own_style_change_) {
        auto* ss = reinterpret_cast<STYLESTRUCT*>(lp);
        saved_caption_ = ss->styleNew & WS_CAPTION;
        ss->styleNew &= ~WS_CAPTION;
      }
      break;
    case WM_NCHITTEST: {
      const FrameHit hit = HitAt({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      switch (hit.part) {
        case FramePart::Client: return HTCLIENT;
        case FramePart::Caption: return HTCAPTION;
        case FramePart::Border: return HTBORDER;
        case FramePart::Left: return HTLEFT;
        case FramePart::Right: return HTRIGHT;
        case FramePart::Top: return HTTOP;
        case FramePart::Bottom: return HTBOTTOM;
        case FramePart::TopLeft: return HTTOPLEFT;
        case FramePart::TopRight: return HTTOPRIGHT;
        case FramePart::BottomLeft: return HTBOTTOMLEFT;
        case FramePart::BottomRight: return HTBOTTOMRIGHT;
        case FramePart::Close: return HTCLOSE;
        case FramePart::Max: return HTMAXBUTTON;
        case FramePart::Min: return HTMINBUTTON;
        case FramePart::Item: return HTOBJECT;
        case FramePart::Nowhere: return HTNOWHERE;
      }
      return HTNOWHERE;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      const FrameHit hit = HitAt({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      if (hit.part == FramePart::Close || hit.part == FramePart::Max || hit.part == FramePart::Min) {
        // Our own tracking: the default one would draw the standard buttons over ours.
        pressed_ = hit.part;
        pressed_over_ = true;
        SetCapture(hwnd);
        Repaint();
        return 0;
      }
      if (hit.part == FramePart::Item) {
        OpenItem(hit.item);
        return 0;
      }
      break;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
      if (pressed_ == FramePart::Nowhere) break;
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ClientToScreen(hwnd, &pt);
      const bool over = HitAt(pt).part == pressed_;
      if (msg == WM_MOUSEMOVE) {
        if (over != pressed_over_) {
          pressed_over_ = over;
          Repaint();
        }
        return 0;
      }
      const FramePart part = pressed_;
      pressed_ = FramePart::Nowhere;
      ReleaseCapture();
      Repaint();
      if (over) Click(part);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (pressed_ != FramePart::Nowhere) {
        pressed_ = FramePart::Nowhere;
        Repaint();
      }
      break;
    case WM_NCMOUSEMOVE: {
      FrameHit hit = HitAt({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      if (hit.part != FramePart::Close && hit.part != FramePart::Max && hit.part != FramePart::Min &&
          hit.part != FramePart::Item)
        hit = {};
      if (hit.part != hot_.part || hit.item != hot_.item) {
        hot_ = hit;
        Repaint();
      }
      TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE | TME_NONCLIENT, hwnd, 0};
      TrackMouseEvent(&tme);
      break;
    }
    case WM_NCMOUSELEAVE:
      if (hot_.part != FramePart::Nowhere) {
        hot_ = {};
        Repaint();
      }
      break;
    case WM_GETMINMAXINFO: {
      // Maximised, the skinned window fills the work area exactly, its frame in view.
      CallNext(hwnd, msg, wp, lp);
      auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
      MONITORINFO mi{sizeof mi};
      if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &mi)) {
        mmi->ptMaxPosition = {mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top};
        mmi->ptMaxSize = {mi.rcWork.right - mi.rcWork.left, mi.rcWork.bottom - mi.rcWork.top};
      }
      return 0;
    }
    case WM_SIZE:
    case WM_STYLECHANGED:
      if (!own_style_change_) RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      break;
    case WM_PRINT:
      if (lp & PRF_NONCLIENT) {
        // PrintWindow and friends: our frame, then the client area at its offset.
        HDC dc = reinterpret_cast<HDC>(wp);
        Paint(dc);
        const FrameLayout l = Layout();
        POINT old;
        OffsetViewportOrgEx(dc, l.client.left, l.client.top, &old);
        const LRESULT r = CallNext(hwnd, msg, wp, lp & ~PRF_NONCLIENT);
        SetViewportOrgEx(dc, old.x, old.y, nullptr);
        return r;
      }
      break;
    default:
      break;
  }
  return CallNext(hwnd, msg, wp, lp);
}

}  // namespace lzg
