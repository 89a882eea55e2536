// The skin on a real top-level window: finding the skin, frame metrics, the title bar's
// items, the drop-down, the caption buttons, and screenshots under <bin>/screenshots.
#include <gtest/gtest.h>

#include <windows.h>
#include <windowsx.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/images.h"
#include "skin/skin.h"

namespace lzg {
namespace {

const wchar_t kWindowText[] = L"澜舟阁游戏 正在加载，请稍后...";
const DWORD kFixedSingle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;

std::wstring ExeDir() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L'\\'));
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
}

// A skin directory of its own per test, removed afterwards.
class SkinDir {
 public:
  SkinDir() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    path_ = std::wstring(tmp) + L"lzg-skins-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter_++);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~SkinDir() {
    for (auto it = files_.rbegin(); it != files_.rend(); ++it)
      if (!DeleteFileW(it->c_str())) RemoveDirectoryW(it->c_str());
    RemoveDirectoryW(path_.c_str());
  }
  const std::wstring& Path() const { return path_; }
  void Folder(const std::wstring& name, const std::string& ini) {
    const std::wstring dir = path_ + L"\\" + name;
    CreateDirectoryW(dir.c_str(), nullptr);
    files_.push_back(dir);
    if (!ini.empty()) File(name + L"\\skin.ini", ini);
  }
  void File(const std::wstring& rel, const std::string& bytes) {
    WriteFile(path_ + L"\\" + rel, bytes);
    files_.push_back(path_ + L"\\" + rel);
  }
  // Packed as the README documents it, independently of the shipped pack script.
  void Packed(const std::wstring& name, const std::string& ini) {
    File(name + L".lzskin", "LZGSKIN 1\n" + std::to_string(ini.size()) + " skin.ini\n" + ini);
  }

 private:
  static inline int counter_ = 0;
  std::wstring path_;
  std::vector<std::wstring> files_;
};

// A fixture skin whose frame differs from every standard one: 5 + 5 wide, 40 + 5 high.
const char kFixtureIni[] =
    "[Skin]\nName=Fixture\nVersion=1\n[Frame]\nBorderWidth=5\nTitleHeight=40\n[Title]\nGradientTop=#204060\n";

struct Form {
  static inline std::vector<WPARAM> sysCommands;
  static inline std::vector<WPARAM> commands;
  static inline RECT menuRect{};
  static inline bool chooseFirstItem = false;
  static inline bool keepMenuOpen = false;  // a timer ends the menu instead

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
      case WM_SYSCOMMAND:
        sysCommands.push_back(wp);
        // Closing and minimising are only recorded; the window stays for the next check.
        if ((wp & 0xFFF0) == SC_CLOSE || (wp & 0xFFF0) == SC_MINIMIZE) return 0;
        break;
      case WM_COMMAND:
        commands.push_back(wp);
        return 0;
      case WM_ENTERIDLE:
        // The menu is up and idle: note where its window is, then leave (or choose).
        if (wp == MSGF_MENU && lp) {
          GetWindowRect(reinterpret_cast<HWND>(lp), &menuRect);
          if (chooseFirstItem) {
            PostMessageW(reinterpret_cast<HWND>(lp), WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(reinterpret_cast<HWND>(lp), WM_KEYDOWN, VK_RETURN, 0);
            chooseFirstItem = false;
          } else if (!keepMenuOpen) {
            EndMenu();
          }
        }
        return 0;
      default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  explicit Form(DWORD exStyle = 0) {
    static ATOM cls = [] {
      WNDCLASSEXW wc{sizeof wc};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      wc.hbrBackground = CreateSolidBrush(RGB(40, 44, 52));
      wc.lpszClassName = L"LzgSkinTestForm";
      wc.hIcon = LoadAppIcon();
      wc.hIconSm = LoadAppIcon(true);
      return RegisterClassExW(&wc);
    }();
    hwnd = CreateWindowExW(exStyle, MAKEINTATOM(cls), kWindowText, kFixedSingle, 100, 80, 900, 560, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    sysCommands.clear();
    commands.clear();
  }
  // Shown after the skin is set up, as the game window does it: Wine hands a window that
  // was first shown with a caption to the X window manager for good.
  void Show() {
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    Pump();
    sysCommands.clear();
    commands.clear();
  }
  ~Form() { DestroyWindow(hwnd); }

  static void Pump() {
    MSG m;
    for (int round = 0; round < 3; ++round) {
      while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
      Sleep(10);
    }
  }

  SIZE FrameSize() const {
    RECT wr, cr;
    GetWindowRect(hwnd, &wr);
    GetClientRect(hwnd, &cr);
    return {(wr.right - wr.left) - cr.right, (wr.bottom - wr.top) - cr.bottom};
  }
  RECT WindowRect() const {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
  }
  // Screen point at the centre of a window-relative box.
  POINT Centre(const skin::Box& b) const {
    const RECT r = WindowRect();
    return {r.left + (b.left + b.right) / 2, r.top + (b.top + b.bottom) / 2};
  }
  LRESULT HitTest(POINT screen) const { return SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)); }

  // The window's pixels (frame included) as they are on its surface now.
  std::vector<uint32_t> Pixels(const RECT& part) const {
    const int w = part.right - part.left, h = part.bottom - part.top;
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    HDC wdc = GetWindowDC(hwnd);
    HDC mem = CreateCompatibleDC(wdc);
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(wdc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, wdc, part.left, part.top, SRCCOPY);
    GdiFlush();
    std::memcpy(px.data(), bits, px.size() * 4);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(hwnd, wdc);
    for (uint32_t& p : px) p &= 0xFFFFFF;
    return px;
  }
  uint32_t PixelAt(int x, int y) const { return Pixels({x, y, x + 1, y + 1})[0]; }

  HWND hwnd = nullptr;
};

void SaveBmp(const std::wstring& name, HDC src, int x, int y, int w, int h) {
  const std::wstring dir = ExeDir() + L"\\screenshots";
  CreateDirectoryW(dir.c_str(), nullptr);
  HDC mem = CreateCompatibleDC(src);
  BITMAPINFO bmi{};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(src, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, src, x, y, SRCCOPY);
  GdiFlush();
  const DWORD stride = (w * 3 + 3) & ~3u, imageSize = stride * h;
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof(BITMAPINFOHEADER) + imageSize), 0, 0,
                      sizeof fh + sizeof(BITMAPINFOHEADER)};
  std::string file(reinterpret_cast<const char*>(&fh), sizeof fh);
  file.append(reinterpret_cast<const char*>(&bmi.bmiHeader), sizeof(BITMAPINFOHEADER));
  file.append(static_cast<const char*>(bits), imageSize);
  WriteFile(dir + L"\\" + name, file);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

// The standard frame of the test form's style, as Windows computes it.
SIZE StandardFrame() {
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, kFixedSingle, FALSE, 0);
  return {r.right - r.left, r.bottom - r.top};
}

bool operator==(SIZE a, SIZE b) { return a.cx == b.cx && a.cy == b.cy; }

// The game window's title bar: a drop-down button on the right, the title on the left.
struct GameTitleBar {
  GameTitleBar() {
    menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 501, L"1334×750");
    AppendMenuW(menu, MF_STRING, 502, L"1600×900");
    TitleBarItem& button = bar.Add();
    button.SetAlign(ItemAlign::kRight);
    button.SetStyle(ItemStyle::kButton);
    button.SetCaption(L"设置分辨率");
    button.SetDropdownMenu(menu);
    TitleBarItem& info = bar.Add();
    info.SetAlign(ItemAlign::kLeft);
    info.SetStyle(ItemStyle::kInfo);
    info.SetCaption(kWindowText);
  }
  ~GameTitleBar() { DestroyMenu(menu); }
  HMENU menu;
  TitleBar bar;
};

struct PopupCall {
  HMENU menu = nullptr;
  UINT flags = 0;
  int x = 0, y = 0;
  HWND owner = nullptr;
  int count = 0;
};

class SkinTest : public testing::Test {
 protected:
  void TearDown() override { TitleBar::SetTrackPopupForTesting(nullptr); }
  void RecordPopups() {
    TitleBar::SetTrackPopupForTesting([this](HMENU m, UINT f, int x, int y, HWND o) {
      popup = {m, f, x, y, o, popup.count + 1};
      return TRUE;
    });
  }
  // The shipped skin, as the game window sets it up.
  void ActivateShipped(SkinManager& manager) {
    manager.SetActive(false);
    manager.SetSkinDirectory(ExeDir() + L"\\\\Skins");  // the exe's folder ends in a delimiter
    manager.SetSkinName(L"Topaz 2017");
    manager.SetActive(true);
  }
  PopupCall popup;
};

// ---- Finding the skin -----------------------------------------------------------------------

TEST_F(SkinTest, FoundAsFolderOrAsPackedFile) {
  for (bool packed : {false, true}) {
    SCOPED_TRACE(packed ? "packed" : "folder");
    SkinDir dir;
    if (packed)
      dir.Packed(L"My Skin", kFixtureIni);
    else
      dir.Folder(L"My Skin", kFixtureIni);
    Form form;
    SkinManager manager;
    SkinProvider provider(&manager);
    ASSERT_TRUE(provider.Attach(form.hwnd));
    manager.SetSkinDirectory(dir.Path());
    manager.SetSkinName(L"My Skin");
    EXPECT_FALSE(manager.Active()) << "a name set while inactive is only recorded";
    EXPECT_TRUE(form.FrameSize() == StandardFrame());
    manager.SetActive(true);
    form.Show();
    ASSERT_TRUE(manager.Active()) << std::string(manager.LastError().begin(), manager.LastError().end());
    EXPECT_TRUE(manager.LastError().empty());
    EXPECT_EQ(manager.Theme().name, "Fixture");
    EXPECT_TRUE(form.FrameSize() == (SIZE{10, 45}));
    // The fixture's blue title colour (#204060) is painted at the top of the title bar,
    // not the shipped skin's topaz.
    form.Pump();
    const uint32_t top = form.PixelAt(450, 3);
    EXPECT_LT(top >> 16, 0x30u);
    EXPECT_GT(top & 255, 0x58u);
  }
}

TEST_F(SkinTest, NotFoundOrUnreadableLeavesTheStandardFrame) {
  struct Case {
    const char* what;
    std::wstring name;
    bool reported;  // found but unreadable
  };
  SkinDir dir;
  dir.Folder(L"Empty Folder", "");
  dir.Folder(L"Bad Version", "[Skin]\nVersion=2\n");
  dir.File(L"Cut Short.lzskin", "LZGSKIN 1\n500 skin.ini\n[Skin]\n");
  dir.File(L"No Ini.lzskin", "LZGSKIN 1\n3 other\nabc");
  dir.File(L"Other Kind.zip", "PK");
  dir.Folder(L"Elsewhere", kFixtureIni);
  const Case cases[] = {
      {"missing", L"Nowhere", false},
      {"empty name", L"", false},
      {"other extension only", L"Other Kind", false},
      {"escapes the directory", L"..\\" + dir.Path().substr(dir.Path().find_last_of(L'\\') + 1) + L"\\Elsewhere", false},
      {"folder without skin.ini", L"Empty Folder", true},
      {"bad version", L"Bad Version", true},
      {"truncated pack", L"Cut Short", true},
      {"pack without skin.ini", L"No Ini", true},
  };
  GameTitleBar title;
  RecordPopups();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Form form;
    SkinManager manager;
    SkinProvider provider(&manager);
    provider.SetTitleBar(&title.bar);
    provider.Attach(form.hwnd);
    manager.SetSkinDirectory(dir.Path());
    manager.SetSkinName(c.name);
    manager.SetActive(true);
    form.Show();
    EXPECT_FALSE(manager.Active());
    EXPECT_FALSE(provider.Skinned());
    EXPECT_FALSE(manager.LastError().empty());
    EXPECT_TRUE(form.FrameSize() == StandardFrame());
    wchar_t text[128];
    GetWindowTextW(form.hwnd, text, 128);
    EXPECT_STREQ(text, kWindowText);
    EXPECT_TRUE(provider.Layout().items.empty()) << "no title items";
    // The whole title bar area: nothing of ours answers, and no drop-down opens.
    const RECT wr = form.WindowRect();
    for (int x = wr.left + 10; x < wr.right - 10; x += 20) {
      const POINT pt{x, wr.top + 12};
      const LRESULT ht = form.HitTest(pt);
      EXPECT_NE(ht, HTOBJECT);
      SendMessageW(form.hwnd, WM_NCLBUTTONUP, ht, MAKELPARAM(pt.x, pt.y));
    }
    EXPECT_EQ(popup.count, 0);
  }
}

TEST_F(SkinTest, SwitchingOffRestoresTheStandardFrameAndOnAgainReloads) {
  SkinDir dir;
  dir.Folder(L"Fixture", kFixtureIni);
  Form form;
  SkinManager manager;
  SkinProvider provider(&manager);
  provider.Attach(form.hwnd);
  manager.SetSkinDirectory(dir.Path());
  manager.SetSkinName(L"Fixture");
  manager.SetActive(true);
  form.Show();
  ASSERT_TRUE(form.FrameSize() == (SIZE{10, 45}));
  manager.SetActive(false);
  EXPECT_TRUE(form.FrameSize() == StandardFrame());
  // While off, a new name is only recorded: the frame stays standard.
  manager.SetSkinName(L"Nowhere");
  EXPECT_TRUE(form.FrameSize() == StandardFrame());
  manager.SetSkinName(L"Fixture");
  manager.SetActive(true);
  EXPECT_TRUE(form.FrameSize() == (SIZE{10, 45}));
  // While on, naming a skin that does not exist turns the manager off.
  manager.SetSkinName(L"Nowhere");
  EXPECT_FALSE(manager.Active());
  EXPECT_TRUE(form.FrameSize() == StandardFrame());
}

// The provider hooks the window's procedure itself. Detached while another hook sits above it, it must stay in
// the chain passing everything on (unhooking would cut the later hook off); detached on top, or at the window's
// end, it must hand the window back its own procedure.
namespace {
WNDPROC g_laterNext = nullptr;
int g_laterCalls = 0;
LRESULT CALLBACK LaterHook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  ++g_laterCalls;
  return CallWindowProcW(g_laterNext, hwnd, msg, wp, lp);
}
}  // namespace

TEST_F(SkinTest, DetachingHandsTheWindowBackWithAnyLaterHookKept) {
  SkinDir dir;
  dir.Folder(L"Fixture", kFixtureIni);
  Form form;
  const LONG_PTR own = GetWindowLongPtrW(form.hwnd, GWLP_WNDPROC);
  SkinManager manager;
  manager.SetSkinDirectory(dir.Path());
  manager.SetSkinName(L"Fixture");
  manager.SetActive(true);
  {
    SkinProvider provider(&manager);
    ASSERT_TRUE(provider.Attach(form.hwnd));
    EXPECT_FALSE(provider.Attach(form.hwnd)) << "attached twice";
    form.Show();
    EXPECT_TRUE(form.FrameSize() == (SIZE{10, 45}));
    provider.Detach();
    EXPECT_TRUE(form.FrameSize() == StandardFrame());
    EXPECT_EQ(GetWindowLongPtrW(form.hwnd, GWLP_WNDPROC), own) << "on top, the window gets its procedure back";

    ASSERT_TRUE(provider.Attach(form.hwnd));
    EXPECT_TRUE(form.FrameSize() == (SIZE{10, 45}));
    g_laterNext = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(form.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterHook)));
    provider.Detach();
    EXPECT_EQ(GetWindowLongPtrW(form.hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&LaterHook));
    EXPECT_TRUE(form.FrameSize() == StandardFrame());
    ASSERT_TRUE(provider.Attach(form.hwnd)) << "again, under the later hook";
    EXPECT_TRUE(form.FrameSize() == (SIZE{10, 45}));
  }
  // The provider is gone, its procedure still in the chain: the window works on with the standard frame.
  g_laterCalls = 0;
  SetWindowPos(form.hwnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_TRUE(form.FrameSize() == StandardFrame());
  Form::sysCommands.clear();
  SendMessageW(form.hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(Form::sysCommands, std::vector<WPARAM>{SC_MINIMIZE}) << "the window's own procedure still answers";
  EXPECT_GT(g_laterCalls, 0);
}

// ---- The shipped skin -----------------------------------------------------------------------

TEST_F(SkinTest, ShippedTopazFrameIs8By36AndFillsTheWorkAreaMaximised) {
  Form form;
  SkinManager manager;
  SkinProvider provider(&manager);
  provider.Attach(form.hwnd);
  ActivateShipped(manager);
  form.Show();
  ASSERT_TRUE(manager.Active()) << "Skins\\Topaz 2017.lzskin next to the test";
  EXPECT_EQ(manager.Theme().name, "Topaz 2017");
  EXPECT_TRUE(form.FrameSize() == (SIZE{8, 36}));
  // A client size set through the measured frame comes out exact.
  const SIZE f = form.FrameSize();
  SetWindowPos(form.hwnd, nullptr, 0, 0, 1334 + f.cx, 750 + f.cy, SWP_NOMOVE | SWP_NOZORDER);
  // Wine takes the X server's answer to a resize for the window manager's word: let it
  // arrive before maximising, or it undoes the maximised size.
  form.Pump();
  RECT cr;
  GetClientRect(form.hwnd, &cr);
  EXPECT_EQ(cr.right, 1334);
  EXPECT_EQ(cr.bottom, 750);

  ShowWindow(form.hwnd, SW_MAXIMIZE);
  form.Pump();
  EXPECT_TRUE(IsZoomed(form.hwnd));
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const RECT wr = form.WindowRect();
  EXPECT_EQ(wr.left, work.left);
  EXPECT_EQ(wr.top, work.top);
  EXPECT_EQ(wr.right, work.right);
  EXPECT_EQ(wr.bottom, work.bottom);
  GetClientRect(form.hwnd, &cr);
  EXPECT_EQ(cr.right, work.right - work.left);
  EXPECT_EQ(cr.bottom, work.bottom - work.top - 32);
}

TEST_F(SkinTest, PaintsTheSkinAndNothingOfTheStandardCaption) {
  Form form;
  SkinManager manager;
  SkinProvider provider(&manager);
  GameTitleBar title;
  provider.SetTitleBar(&title.bar);
  provider.Attach(form.hwnd);
  ActivateShipped(manager);
  form.Show();
  const skin::SkinTheme& t = manager.Theme();
  const RECT wr = form.WindowRect();
  const int w = wr.right - wr.left, h = wr.bottom - wr.top;
  EXPECT_EQ(form.PixelAt(0, h / 2), t.borderOuter);
  EXPECT_EQ(form.PixelAt(2, h / 2), t.frame);
  EXPECT_EQ(form.PixelAt(w / 2, 31), t.accent);
  // Activation changes and text or icon changes go through the default window procedure,
  // which would paint the standard caption; ours must stay.
  const RECT titleBar{0, 0, w, 32};
  const auto before = form.Pixels(titleBar);
  SendMessageW(form.hwnd, WM_NCACTIVATE, FALSE, 0);
  EXPECT_NE(form.Pixels(titleBar), before) << "inactive look";
  EXPECT_EQ(form.PixelAt(w / 2, 31), t.inactiveText);
  SendMessageW(form.hwnd, WM_NCACTIVATE, TRUE, 0);
  EXPECT_EQ(form.Pixels(titleBar), before);
  // With items the window's own text is not drawn: changing it changes no pixel.
  SetWindowTextW(form.hwnd, L"Something else entirely");
  EXPECT_EQ(form.Pixels(titleBar), before);
  SendMessageW(form.hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadAppIcon(true)));
  EXPECT_EQ(form.Pixels(titleBar), before);
  wchar_t text[64];
  GetWindowTextW(form.hwnd, text, 64);
  EXPECT_STREQ(text, L"Something else entirely") << "the text itself is stored";

  // Without items, the window text is the caption, repainted when it changes.
  provider.SetTitleBar(nullptr);
  const auto plain = form.Pixels(titleBar);
  SetWindowTextW(form.hwnd, kWindowText);
  EXPECT_NE(form.Pixels(titleBar), plain);
}

// ---- Title bar items ------------------------------------------------------------------------

TEST_F(SkinTest, ItemsSitSixPixelsApartAndCaptionChangesRepaintAtOnce) {
  Form form;
  SkinManager manager;
  SkinProvider provider(&manager);
  GameTitleBar title;
  provider.SetTitleBar(&title.bar);
  provider.Attach(form.hwnd);
  ActivateShipped(manager);
  form.Show();
  const skin::FrameLayout l = provider.Layout();
  ASSERT_EQ(l.items.size(), 2u);
  EXPECT_EQ(l.items[0].right, l.min.left - 6);
  EXPECT_EQ(l.items[1].left, l.icon.right + 6);
  EXPECT_FALSE(l.icon.Empty());

  const RECT infoBox{l.items[1].left, l.items[1].top, l.items[1].left + 300, l.items[1].bottom};
  const auto loading = form.Pixels(infoBox);
  // No message is pumped in between: the caption repaints on the spot.
  title.bar.Items(1).SetCaption(L"澜舟阁游戏");
  const auto game = form.Pixels(infoBox);
  EXPECT_NE(game, loading);
  EXPECT_LT(provider.Layout().items[1].Width(), l.items[1].Width());
  title.bar.Items(1).SetCaption(kWindowText);
  EXPECT_EQ(form.Pixels(infoBox), loading);
  // The right item did not move or change.
  EXPECT_EQ(provider.Layout().items[0], l.items[0]);

  // Item 1 is a label: a click there drags the window like the caption.
  EXPECT_EQ(form.HitTest(form.Centre(l.items[1])), HTCAPTION);
  EXPECT_EQ(form.HitTest(form.Centre(l.items[0])), HTOBJECT);

  HDC screen = GetDC(nullptr);
  const RECT wr = form.WindowRect();
  SaveBmp(L"skin_window.bmp", screen, wr.left - 20, wr.top - 20, wr.right - wr.left + 40, 200);
  ReleaseDC(nullptr, screen);
}

TEST_F(SkinTest, DropDownOpensAtTheItemsBottomLeft) {
  for (DWORD ex : {0ul, static_cast<unsigned long>(WS_EX_LAYOUTRTL)}) {
    const bool rtl = ex != 0;
    SCOPED_TRACE(rtl ? "right-to-left" : "left-to-right");
    Form form(ex);
    SkinManager manager;
    SkinProvider provider(&manager);
    GameTitleBar title;
    provider.SetTitleBar(&title.bar);
    provider.Attach(form.hwnd);
    ActivateShipped(manager);
    form.Show();
    popup = {};
    RecordPopups();
    const skin::FrameLayout l = provider.Layout();
    const RECT wr = form.WindowRect();
    // Right-aligned: next to the caption buttons, which are on the left when mirrored.
    if (rtl)
      EXPECT_LT(l.items[0].left, (wr.right - wr.left) / 2);
    else
      EXPECT_GT(l.items[0].left, (wr.right - wr.left) / 2);
    const POINT pt = form.Centre(l.items[0]);
    const LRESULT ht = form.HitTest(pt);
    ASSERT_EQ(ht, HTOBJECT);
    SendMessageW(form.hwnd, WM_NCLBUTTONDOWN, ht, MAKELPARAM(pt.x, pt.y));
    ASSERT_EQ(popup.count, 1);
    EXPECT_EQ(popup.menu, title.menu);
    EXPECT_EQ(popup.flags, static_cast<UINT>(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON));
    EXPECT_EQ(popup.x, wr.left + (rtl ? l.items[0].right : l.items[0].left));
    EXPECT_EQ(popup.y, wr.top + l.items[0].bottom);
    EXPECT_EQ(popup.owner, form.hwnd);
    // The label is caption to the mouse (a press there would start the move loop) and
    // opens nothing.
    EXPECT_EQ(form.HitTest(form.Centre(l.items[1])), HTCAPTION);
    EXPECT_EQ(popup.count, 1);
  }
}

TEST_F(SkinTest, RealMenuAppearsUnderTheItemAndItsChoiceReachesTheWindow) {
  Form form;
  SkinManager manager;
  SkinProvider provider(&manager);
  GameTitleBar title;
  provider.SetTitleBar(&title.bar);
  provider.Attach(form.hwnd);
  ActivateShipped(manager);
  form.Show();
  const skin::FrameLayout l = provider.Layout();
  const RECT wr = form.WindowRect();
  const POINT pt = form.Centre(l.items[0]);

  Form::menuRect = {};
  Form::chooseFirstItem = false;
  SendMessageW(form.hwnd, WM_NCLBUTTONDOWN, HTOBJECT, MAKELPARAM(pt.x, pt.y));
  EXPECT_EQ(Form::menuRect.left, wr.left + l.items[0].left);
  EXPECT_EQ(Form::menuRect.top, wr.top + l.items[0].bottom);

  Form::chooseFirstItem = true;
  SendMessageW(form.hwnd, WM_NCLBUTTONDOWN, HTOBJECT, MAKELPARAM(pt.x, pt.y));
  form.Pump();
  ASSERT_EQ(Form::commands.size(), 1u);
  EXPECT_EQ(LOWORD(Form::commands[0]), 501);
}

// ---- Caption buttons ------------------------------------------------------------------------

TEST_F(SkinTest, CaptionButtonsPostSystemCommands) {
  struct Case {
    const char* what;
    skin::Box skin::FrameLayout::*button;
    LRESULT hit;
    bool maximisedFirst;
    WPARAM command;
  };
  const Case cases[] = {
      {"close", &skin::FrameLayout::close, HTCLOSE, false, SC_CLOSE},
      {"minimise", &skin::FrameLayout::min, HTMINBUTTON, false, SC_MINIMIZE},
      {"maximise", &skin::FrameLayout::max, HTMAXBUTTON, false, SC_MAXIMIZE},
      {"restore", &skin::FrameLayout::max, HTMAXBUTTON, true, SC_RESTORE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Form form;
    SkinManager manager;
    SkinProvider provider(&manager);
    provider.Attach(form.hwnd);
    ActivateShipped(manager);
    form.Show();
    if (c.maximisedFirst) ShowWindow(form.hwnd, SW_MAXIMIZE);
    form.Pump();
    Form::sysCommands.clear();
    const skin::Box box = provider.Layout().*c.button;
    const POINT pt = form.Centre(box);
    ASSERT_EQ(form.HitTest(pt), c.hit);
    SendMessageW(form.hwnd, WM_NCLBUTTONDOWN, c.hit, MAKELPARAM(pt.x, pt.y));
    EXPECT_EQ(GetCapture(), form.hwnd);
    EXPECT_TRUE(Form::sysCommands.empty()) << "nothing before the release";
    POINT client = pt;
    ScreenToClient(form.hwnd, &client);
    SendMessageW(form.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    EXPECT_NE(GetCapture(), form.hwnd);
    form.Pump();
    ASSERT_EQ(Form::sysCommands.size(), 1u);
    EXPECT_EQ(Form::sysCommands[0], c.command);
  }
}

TEST_F(SkinTest, ReleasingAwayFromTheButtonDoesNothing) {
  Form form;
  SkinManager manager;
  SkinProvider provider(&manager);
  provider.Attach(form.hwnd);
  ActivateShipped(manager);
  form.Show();
  const skin::FrameLayout l = provider.Layout();
  const POINT pt = form.Centre(l.close);
  const RECT titleBar{0, 0, form.WindowRect().right - form.WindowRect().left, 32};
  const auto idle = form.Pixels(titleBar);
  SendMessageW(form.hwnd, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(pt.x, pt.y));
  EXPECT_NE(form.Pixels(titleBar), idle) << "pressed look";
  SendMessageW(form.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(200, 200));
  SendMessageW(form.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
  form.Pump();
  EXPECT_TRUE(Form::sysCommands.empty());
  EXPECT_EQ(form.Pixels(titleBar), idle);
}

TEST_F(SkinTest, HoverLightsAButtonAndLeavingClearsIt) {
  Form form;
  SkinManager manager;
  SkinProvider provider(&manager);
  provider.Attach(form.hwnd);
  ActivateShipped(manager);
  form.Show();
  const skin::FrameLayout l = provider.Layout();
  const RECT closeBox{l.close.left, l.close.top, l.close.right, l.close.bottom};
  const auto idle = form.Pixels(closeBox);
  const POINT pt = form.Centre(l.close);
  SendMessageW(form.hwnd, WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(pt.x, pt.y));
  const auto hot = form.Pixels(closeBox);
  EXPECT_NE(hot, idle);
  // The close button lights red.
  const uint32_t corner = hot[static_cast<size_t>(l.close.Width()) * 3 + 4];
  EXPECT_GT(corner >> 16, (corner & 255) + 80);
  SendMessageW(form.hwnd, WM_NCMOUSELEAVE, 0, 0);
  EXPECT_EQ(form.Pixels(closeBox), idle);
}

void CALLBACK ShootMenuAndClose(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(hwnd, id);
  RECT r;
  GetWindowRect(hwnd, &r);
  HDC screen = GetDC(nullptr);
  SaveBmp(L"skin_menu.bmp", screen, r.left - 10, r.top - 10, r.right - r.left + 20, 240);
  ReleaseDC(nullptr, screen);
  EndMenu();
}

TEST_F(SkinTest, ScreenshotWithOpenMenu) {
  Form form;
  SkinManager manager;
  SkinProvider provider(&manager);
  GameTitleBar title;
  provider.SetTitleBar(&title.bar);
  provider.Attach(form.hwnd);
  ActivateShipped(manager);
  form.Show();
  const skin::FrameLayout l = provider.Layout();
  // Hover on the minimise button, and the menu open below the item, as a player sees it.
  const POINT minPt = form.Centre(l.min);
  SendMessageW(form.hwnd, WM_NCMOUSEMOVE, HTMINBUTTON, MAKELPARAM(minPt.x, minPt.y));
  Form::keepMenuOpen = true;
  Form::menuRect = {};
  SetTimer(form.hwnd, 77, 400, ShootMenuAndClose);
  const POINT pt = form.Centre(l.items[0]);
  SendMessageW(form.hwnd, WM_NCLBUTTONDOWN, HTOBJECT, MAKELPARAM(pt.x, pt.y));
  Form::keepMenuOpen = false;
  const RECT wr = form.WindowRect();
  EXPECT_EQ(Form::menuRect.left, wr.left + l.items[0].left);
  EXPECT_EQ(Form::menuRect.top, wr.top + l.items[0].bottom);
  EXPECT_NE(GetFileAttributesW((ExeDir() + L"\\screenshots\\skin_menu.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace lzg
