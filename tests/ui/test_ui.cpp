// The window framework under Wine: lifecycle order, close protocol, modal
// loop, geometry, menus, keyboard navigation and the picture controls.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/gui_windows.h"
#include "ui/forms.h"
#include "ui/menus.h"
#include "ui/placement.h"

using namespace ui;

namespace {

using Log = std::vector<std::string>;

// Records its own destruction.
struct Probe : Component {
  Probe(Component* owner, Log& log, std::string name) : Component(owner), log_(log), name_(std::move(name)) {}
  ~Probe() override { log_.push_back("free " + name_); }
  Log& log_;
  std::string name_;
};

// A form whose life steps a test sets.
struct HookForm : Form {
  explicit HookForm(Component* owner) : Form(owner) {}
  std::function<void()> on_create, on_show, on_destroy;
  std::function<bool()> on_close_query;
  std::function<CloseAction()> on_close;

 protected:
  void OnCreate() override {
    if (on_create) on_create();
  }
  void OnShow() override {
    if (on_show) on_show();
  }
  bool OnCloseQuery() override { return on_close_query ? on_close_query() : true; }
  CloseAction OnClose() override { return on_close ? on_close() : CloseAction::kHide; }
  void OnDestroy() override {
    if (on_destroy) on_destroy();
  }
};

struct ProbeControl : Window {
  ProbeControl(Component* owner, Window* parent, bool* freed = nullptr)
      : Window(owner, parent), freed_(freed) {}
  ~ProbeControl() override {
    if (freed_) *freed_ = true;
  }
  void Resize() override {
    if (on_resize) on_resize();
  }
  bool* freed_;
  std::function<void()> on_resize;
};

// Runs fn from the message loop after `ms` (thread timer: no window needed).
std::map<UINT_PTR, std::function<void()>> g_later;
void CALLBACK LaterProc(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto it = g_later.find(id);
  if (it == g_later.end()) return;
  auto fn = std::move(it->second);
  g_later.erase(it);
  fn();
}
void Later(UINT ms, std::function<void()> fn) { g_later[SetTimer(nullptr, 0, ms, &LaterProc)] = std::move(fn); }
void ClearLater() {
  for (auto& entry : g_later) KillTimer(nullptr, entry.first);
  g_later.clear();
}

// Pumps until `done` or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 3000) { return Application::ProcessMessagesUntil(done, ms); }

class Ui : public ::testing::Test {
 protected:
  void TearDown() override {
    Application::DestroyForms();
    ClearLater();
    Application::ProcessMessages();
  }
};

// 32-bit top-down DIB filled by fn(x, y) -> 0xAARRGGBB (premultiplied).
HBITMAP MakeBitmap(int w, int h, const std::function<UINT32(int, int)>& fn) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* px = static_cast<UINT32*>(bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[y * w + x] = fn(x, y);
  return b;
}

}  // namespace

// ---- placement arithmetic ------------------------------------------------

TEST(Placement, CentresWithTruncationAndClamp) {
  struct Case {
    Box area;
    int w, h, minLeft, minTop;
    Point expected;
  } cases[] = {
      {{0, 0, 1920, 1040}, 800, 600, 0, 0, {560, 220}},
      {{0, 0, 1921, 1041}, 800, 600, 0, 0, {560, 220}},     // odd remainder dropped
      {{100, 50, 1350, 789}, 600, 330, 0, 0, {475, 279}},    // dialog on the main form
      {{0, 0, 500, 300}, 601, 331, -2000, -2000, {-50, -15}},  // -101/2 truncates toward zero
      {{0, 0, 500, 300}, 700, 500, -2000, -2000, {-100, -100}},
      {{0, 0, 500, 300}, 700, 500, 0, 0, {0, 0}},            // never beyond the desktop's edges
      {{-1280, 0, 1280, 1024}, 1400, 900, -1280, -50, {-1280, 62}},
  };
  for (const auto& c : cases) {
    Point p = CenterOn(c.area, c.w, c.h, c.minLeft, c.minTop);
    EXPECT_EQ(p, c.expected) << c.area.left << "," << c.area.top << " " << c.w << "x" << c.h << " -> " << p.x
                             << "," << p.y;
  }
}

// ---- lifecycle ------------------------------------------------------------

namespace {
struct LifeForm : Form {
  LifeForm(Component* owner, Log& log, CloseAction action) : Form(owner), log_(log), action_(action) {
    new Probe(this, log, "first");
    new Probe(this, log, "second");
    new Probe(this, log, "third");
  }

 protected:
  void OnCreate() override { log_.push_back(HandleAllocated() ? "create" : "create?"); }
  void OnShow() override { log_.push_back(IsWindowVisible(Handle()) ? "show(visible)" : "show"); }
  bool OnCloseQuery() override {
    log_.push_back("closequery");
    return true;
  }
  CloseAction OnClose() override {
    log_.push_back("close");
    return action_;
  }
  void OnDestroy() override { log_.push_back("destroy"); }

  Log& log_;
  CloseAction action_;
};
}  // namespace

TEST_F(Ui, LifecycleEventsInOrderAndComponentsFreedNewestFirst) {
  Log log;
  auto* f = Application::CreateForm<LifeForm>(log, CloseAction::kFree);
  HWND h = f->Handle();
  EXPECT_EQ(Application::MainForm(), f);
  EXPECT_FALSE(IsWindowVisible(h));
  f->Show();
  EXPECT_TRUE(IsWindowVisible(h));
  f->Show();  // already showing: no new OnShow
  f->Hide();
  f->Show();
  SendMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Application::Terminated());  // the main form closed
  EXPECT_TRUE(IsWindow(h));               // and is destroyed only with the application
  Application::DestroyForms();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(Application::MainForm(), nullptr);
  Log expected{"create",      "show",          "show", "closequery", "close",
               "destroy",     "free third",    "free second", "free first"};
  EXPECT_EQ(log, expected);
}

// An engine sub-process asks this count whether the GUI layer has windows to destroy: each of the layer's
// windows counts from its creation to its destruction, however it goes; other windows do not count.
TEST_F(Ui, TheLayerCountsItsOwnWindowsWhileTheyExist) {
  const int before = lzg::gui_windows::Alive();
  HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(lzg::gui_windows::Alive(), before);
  auto* freed = new Form(nullptr);
  freed->AfterConstruction();
  auto* destroyed = new Form(nullptr);
  destroyed->AfterConstruction();
  EXPECT_EQ(lzg::gui_windows::Alive(), before + 2);
  DestroyWindow(destroyed->Handle());  // behind the form's back, as the engine object does
  EXPECT_EQ(lzg::gui_windows::Alive(), before + 1);
  delete freed;
  delete destroyed;
  EXPECT_EQ(lzg::gui_windows::Alive(), before);
  DestroyWindow(other);
}

TEST_F(Ui, CloseQueryVetoKeepsTheFormAndAnswersSessionEnd) {
  Log log;
  Application::CreateForm<Form>();  // main form
  auto* f = Application::CreateForm<HookForm>();
  bool allow = false;
  int closes = 0;
  f->on_close_query = [&] { return allow; };
  f->on_close = [&] {
    ++closes;
    return CloseAction::kHide;
  };
  f->Show();
  HWND h = f->Handle();
  SendMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_EQ(closes, 0);
  EXPECT_EQ(SendMessageW(h, WM_QUERYENDSESSION, 0, 0), 0);
  SendMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(IsWindowVisible(h));
  allow = true;
  EXPECT_EQ(SendMessageW(h, WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_EQ(closes, 0);  // a session query only asks
  SendMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(h));  // CloseAction::kHide on a secondary form
  EXPECT_TRUE(IsWindow(h));
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(Application::Terminated());
}

TEST_F(Ui, SecondaryFormWithCaFreeIsReleasedAfterQueuedMessages) {
  Application::CreateForm<Form>();
  Log log;
  auto* f = Application::CreateForm<LifeForm>(log, CloseAction::kFree);
  HWND h = f->Handle();
  f->Show();
  SendMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(h));  // not freed inside its own close
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(h); }));
  EXPECT_EQ(Application::Forms().ComponentCount(), 1);
  EXPECT_EQ(log.back(), "free first");
}

TEST_F(Ui, RunShowsTheMainFormAndEndsWhenItCloses) {
  struct Case {
    std::vector<CloseAction> actions;  // one per close request
    int closesToEnd;
  } cases[] = {{{CloseAction::kFree}, 1}, {{CloseAction::kHide}, 1}, {{CloseAction::kNone, CloseAction::kFree}, 2}};
  for (const auto& c : cases) {
    auto* f = Application::CreateForm<HookForm>();
    int shows = 0, closes = 0;
    bool timedOut = false;
    f->on_show = [&] {
      ++shows;
      PostMessageW(f->Handle(), WM_CLOSE, 0, 0);
    };
    f->on_close = [&] {
      const CloseAction a = c.actions[static_cast<size_t>(closes++)];
      if (a == CloseAction::kNone) PostMessageW(f->Handle(), WM_CLOSE, 0, 0);
      return a;
    };
    Later(5000, [&] {
      timedOut = true;
      Application::Terminate();
    });
    Application::Run();
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(closes, c.closesToEnd);
    Application::DestroyForms();
    ClearLater();
  }
}

// ---- modal loop -------------------------------------------------------------

TEST_F(Ui, ShowModalDisablesOtherWindowsUntilClosedOrHidden) {
  auto* main = Application::CreateForm<Form>();
  auto* dlg = Application::CreateForm<HookForm>();
  main->Show();
  int queries = 0;
  dlg->on_close_query = [&] { return ++queries > 1; };  // the first close is vetoed
  bool mainDisabledInside = false, dlgVisibleInside = false, stillRunningAfterVeto = false;
  Later(50, [&] {
    mainDisabledInside = !IsWindowEnabled(main->Handle());
    dlgVisibleInside = IsWindowVisible(dlg->Handle()) != 0;
    dlg->Close();
    Later(50, [&] {
      stillRunningAfterVeto = dlg->InModal();
      dlg->Close();
    });
  });
  Later(5000, [&] { dlg->Hide(); });  // safety net
  int r = dlg->ShowModal();
  EXPECT_EQ(r, kModalCancel);
  EXPECT_TRUE(mainDisabledInside);
  EXPECT_TRUE(dlgVisibleInside);
  EXPECT_TRUE(stillRunningAfterVeto);
  EXPECT_EQ(queries, 2);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_FALSE(IsWindowVisible(dlg->Handle()));
  EXPECT_FALSE(dlg->InModal());

  // Hiding ends the loop as well; the form can be shown modally again.
  ClearLater();
  Later(50, [&] { dlg->Hide(); });
  EXPECT_EQ(dlg->ShowModal(), kModalCancel);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));

  // WM_CLOSE from outside (the system) takes the same way.
  ClearLater();
  Later(50, [&] { PostMessageW(dlg->Handle(), WM_CLOSE, 0, 0); });
  EXPECT_EQ(dlg->ShowModal(), kModalCancel);
  EXPECT_EQ(queries, 3);
}

// ---- geometry -------------------------------------------------------------

TEST_F(Ui, ClientSizeChangesKeepFrameAndCorner) {
  auto* f = Application::CreateForm<Form>();
  f->SetBounds(40, 30, 300, 200);
  f->Show();
  RECT wr, cr;
  GetWindowRect(f->Handle(), &wr);
  GetClientRect(f->Handle(), &cr);
  int frameW = (wr.right - wr.left) - cr.right, frameH = (wr.bottom - wr.top) - cr.bottom;
  ASSERT_GT(frameH, 0);  // a captioned frame
  struct Case {
    int w, h;
  } cases[] = {{640, 480}, {1333, 751}, {200, 150}};
  for (auto c : cases) {
    f->SetClientWidth(c.w);
    EXPECT_EQ(f->ClientWidth(), c.w);
    f->SetClientHeight(c.h);
    EXPECT_EQ(f->ClientWidth(), c.w);
    EXPECT_EQ(f->ClientHeight(), c.h);
    EXPECT_EQ(f->Width(), c.w + frameW);
    EXPECT_EQ(f->Height(), c.h + frameH);
    EXPECT_EQ(f->Left(), 40);
    EXPECT_EQ(f->Top(), 30);
  }

  // Before the window exists the size is kept for its creation.
  Form early(nullptr);
  early.SetClientWidth(602);
  early.SetClientHeight(394);
  early.HandleNeeded();
  GetClientRect(early.Handle(), &cr);
  EXPECT_EQ(cr.right, 602);
  EXPECT_EQ(cr.bottom, 394);
}

TEST_F(Ui, FirstShowingCentresOnceAndMaximisedFormsShowMaximised) {
  auto* main = Application::CreateForm<Form>();
  main->SetPosition(Position::kScreenCenter);
  main->SetClientWidth(700);
  main->SetClientHeight(500);
  main->Show();
  RECT wa;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
  Point expected = CenterOn(Box{wa.left, wa.top, wa.right - wa.left, wa.bottom - wa.top}, main->Width(),
                            main->Height(), GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN));
  EXPECT_EQ(main->Left(), expected.x);
  EXPECT_EQ(main->Top(), expected.y);
  main->SetBounds(10, 20, main->Width(), main->Height());
  main->Hide();
  main->Show();
  EXPECT_EQ(main->Left(), 10);  // only the first showing is placed
  EXPECT_EQ(main->Top(), 20);

  struct Dialog : HookForm {
    explicit Dialog(Component* o) : HookForm(o) {
      SetBorderStyle(BorderStyle::kNone);
      SetPosition(Position::kMainFormCenter);
      SetClientWidth(600);
      SetClientHeight(330);
    }
  };
  int leftInShow = -99999;
  auto* d = Application::CreateForm<Dialog>();
  d->on_show = [&] {
    d->SetBounds(1, 2, 600, 330);  // what a show handler places is replaced, once
    leftInShow = d->Left();
  };
  d->Show();
  EXPECT_EQ(leftInShow, 1);
  EXPECT_EQ(d->Left(), 10 + (main->Width() - 600) / 2);
  EXPECT_EQ(d->Top(), 20 + (main->Height() - 330) / 2);
  d->Hide();
  d->Show();
  EXPECT_EQ(d->Left(), 1);
  EXPECT_EQ(d->Top(), 2);

  auto* big = Application::CreateForm<Form>();
  big->SetWindowState(WindowState::kMaximized);
  EXPECT_FALSE(IsZoomed(big->Handle()));
  big->Show();
  EXPECT_TRUE(IsZoomed(big->Handle()));
  EXPECT_EQ(big->GetWindowState(), WindowState::kMaximized);
}

TEST_F(Ui, ClientAlignedControlFollowsItsParentAndReportsResize) {
  auto* f = Application::CreateForm<Form>();
  f->SetBounds(0, 0, 400, 300);
  auto* p = new ProbeControl(f, f);
  p->SetAlign(Align::kClient);
  int resizes = 0;
  p->on_resize = [&] { ++resizes; };
  f->Show();
  p->HandleNeeded();
  struct Case {
    int w, h;
  } cases[] = {{500, 400}, {321, 123}};
  for (auto c : cases) {
    int before = resizes;
    f->SetClientWidth(c.w);
    f->SetClientHeight(c.h);
    RECT r;
    GetWindowRect(p->Handle(), &r);
    MapWindowPoints(HWND_DESKTOP, f->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, c.w);
    EXPECT_EQ(r.bottom, c.h);
    EXPECT_EQ(resizes, before + 2);
  }
  // Size and place in one move: the child is resized once, and the form keeps its frame.
  RECT wr, cr;
  GetWindowRect(f->Handle(), &wr);
  GetClientRect(f->Handle(), &cr);
  const int frameW = (wr.right - wr.left) - cr.right, frameH = (wr.bottom - wr.top) - cr.bottom;
  const int before = resizes;
  f->SetClientSizeAt(-7, 25, 640, 360);
  EXPECT_EQ(resizes, before + 1);
  EXPECT_EQ(f->ClientWidth(), 640);
  EXPECT_EQ(f->ClientHeight(), 360);
  EXPECT_EQ(f->Left(), -7);
  EXPECT_EQ(f->Top(), 25);
  EXPECT_EQ(f->Width(), 640 + frameW);
  EXPECT_EQ(f->Height(), 360 + frameH);
  RECT r;
  GetClientRect(p->Handle(), &r);
  EXPECT_EQ(r.right, 640);
  EXPECT_EQ(r.bottom, 360);
}

TEST_F(Ui, FreeingAControlDestroysItsWindowAndChildren) {
  auto* f = Application::CreateForm<Form>();
  bool panelFreed = false, childFreed = false;
  auto* panel = new ProbeControl(f, f, &panelFreed);
  auto* child = new ProbeControl(f, panel, &childFreed);  // owned by the form, placed in the panel
  HWND hp = panel->Handle(), hc = child->Handle();
  EXPECT_EQ(GetParent(hc), hp);
  EXPECT_EQ(GetWindow(hp, GW_CHILD), hc);
  int owned = f->ComponentCount();
  panel->Free();
  EXPECT_TRUE(panelFreed);
  EXPECT_TRUE(childFreed);
  EXPECT_FALSE(IsWindow(hp));
  EXPECT_FALSE(IsWindow(hc));
  EXPECT_EQ(f->ComponentCount(), owned - 2);
  EXPECT_EQ(f->ControlCount(), 0);
}

// ---- popup menu ----------------------------------------------------------

TEST_F(Ui, MenuCommandsReachTheirItemsWhoeverTrackedTheMenu) {
  auto* f = Application::CreateForm<Form>();
  auto* menu = new PopupMenu(f);
  std::vector<int> clicked;  // the items' indices, in click order
  MenuItem* items[3];
  for (int i = 0; i < 3; ++i) {
    items[i] = new MenuItem(f);
    items[i]->SetCaption(L"Item " + std::to_wstring(i));
    items[i]->SetOnClick([&clicked, i] { clicked.push_back(i); });
    menu->Add(items[i]);
  }
  items[2]->SetChecked(true);
  EXPECT_EQ(GetMenuItemCount(menu->Handle()), 3);
  EXPECT_TRUE(GetMenuState(menu->Handle(), items[2]->Command(), MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(GetMenuState(menu->Handle(), items[1]->Command(), MF_BYCOMMAND) & MF_CHECKED);
  wchar_t text[32];
  GetMenuStringW(menu->Handle(), items[1]->Command(), text, 32, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(text), L"Item 1");

  f->Show();
  PostMessageW(f->Handle(), WM_COMMAND, items[1]->Command(), 0);
  Application::ProcessMessages();
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0], 1);

  // Someone else tracks the menu with the form as owner: choose the second
  // entry by keyboard once the menu is idle.
  bool idleSeen = false;
  f->OnMessage(WM_ENTERIDLE, [&](Message& m) {
    if (!idleSeen && m.wparam == MSGF_MENU) {
      idleSeen = true;
      HWND target = reinterpret_cast<HWND>(m.lparam);
      if (!target) target = f->Handle();
      PostMessageW(target, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageW(target, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0);
    }
    f->Default(m);
  });
  SetForegroundWindow(f->Handle());
  TrackPopupMenu(menu->Handle(), TPM_LEFTALIGN, 100, 100, 0, f->Handle(), nullptr);
  EXPECT_TRUE(idleSeen);
  EXPECT_TRUE(PumpUntil([&] { return clicked.size() == 2; }, 2000));
  ASSERT_EQ(clicked.size(), 2u);
  EXPECT_EQ(clicked[1], 1);

  // Disabled items do not click; freed items leave the menu and their id.
  items[0]->SetEnabled(false);
  UINT gone = items[2]->Command();
  items[2]->Free();
  EXPECT_EQ(GetMenuItemCount(menu->Handle()), 2);
  PostMessageW(f->Handle(), WM_COMMAND, items[0]->Command(), 0);
  PostMessageW(f->Handle(), WM_COMMAND, gone, 0);
  Application::ProcessMessages();
  EXPECT_EQ(clicked.size(), 2u);
}

// ---- special keys ----------------------------------------------------------

TEST_F(Ui, NavigationKeysAreOfferedToTheFocusedControlFirst) {
  auto* f = Application::CreateForm<Form>();
  f->SetBounds(100, 100, 300, 200);
  auto* keeper = new ProbeControl(f, f);  // wants every special key
  auto* plain = new ProbeControl(f, f);
  for (auto* c : {keeper, plain}) {
    c->SetTabStop(true);
    c->SetBounds(10 + (c == plain) * 100, 10, 80, 30);
  }
  std::vector<WPARAM> asked, keeperKeys, plainKeys;
  keeper->OnMessage(kWantSpecialKeyMessage, [&](Message& m) {
    asked.push_back(m.wparam);
    m.result = 1;
  });
  keeper->OnMessage(WM_KEYDOWN, [&](Message& m) { keeperKeys.push_back(m.wparam); });
  plain->OnMessage(WM_KEYDOWN, [&](Message& m) { plainKeys.push_back(m.wparam); });
  f->Show();
  SetForegroundWindow(f->Handle());
  keeper->SetFocus();
  ASSERT_TRUE(keeper->Focused());

  for (WPARAM k : {WPARAM(VK_TAB), WPARAM(VK_LEFT), WPARAM('A'), WPARAM(VK_RETURN), WPARAM(VK_ESCAPE), WPARAM(VK_DOWN)})
    PostMessageW(keeper->Handle(), WM_KEYDOWN, k, 0);
  Application::ProcessMessages();
  EXPECT_TRUE(keeper->Focused());
  EXPECT_EQ(asked, (std::vector<WPARAM>{VK_TAB, VK_LEFT, VK_RETURN, VK_ESCAPE, VK_DOWN}));
  EXPECT_EQ(keeperKeys, (std::vector<WPARAM>{VK_TAB, VK_LEFT, 'A', VK_RETURN, VK_ESCAPE, VK_DOWN}));

  // A control that declines: Tab and arrows move the focus, Enter and Escape
  // (no default or cancel buttons) still reach it.
  plain->SetFocus();
  PostMessageW(plain->Handle(), WM_KEYDOWN, VK_TAB, 0);
  Application::ProcessMessages();
  EXPECT_TRUE(keeper->Focused());
  plain->SetFocus();
  PostMessageW(plain->Handle(), WM_KEYDOWN, VK_LEFT, 0);
  Application::ProcessMessages();
  EXPECT_TRUE(keeper->Focused());
  plain->SetFocus();
  PostMessageW(plain->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(plain->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  Application::ProcessMessages();
  EXPECT_TRUE(plain->Focused());
  EXPECT_EQ(plainKeys, (std::vector<WPARAM>{VK_RETURN, VK_ESCAPE}));
}

// ---- picture controls -----------------------------------------------------

TEST_F(Ui, PictureButtonBlendsOverThePictureAndClicksWithoutFocus) {
  auto* f = Application::CreateForm<Form>();
  f->SetBorderStyle(BorderStyle::kNone);
  f->SetBounds(0, 0, 200, 100);
  auto* panel = new Panel(f, f);
  panel->SetAlign(Align::kClient);
  auto* image = new Image(f, panel);
  image->SetBounds(0, 0, 200, 100);
  image->SetBitmap(MakeBitmap(20, 10, [](int, int) { return 0xFFFF0000u; }));  // red, stretched
  auto* button = new PictureButton(f, panel);
  button->SetBounds(50, 20, 40, 40);
  // Left half transparent, right half opaque blue, row 0 half-transparent blue.
  button->SetBitmap(MakeBitmap(40, 40, [](int x, int y) -> UINT32 {
    if (y == 0) return 0x80000080u;
    return x < 20 ? 0x00000000u : 0xFF0000FFu;
  }));
  int clicks = 0;
  button->SetOnClick([&] { ++clicks; });
  f->Show();

  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 200, 100);
  HGDIOBJ old = SelectObject(mem, canvas);
  SendMessageW(panel->Handle(), WM_PRINTCLIENT, WPARAM(mem), PRF_CLIENT | PRF_ERASEBKGND);
  struct Case {
    int x, y;
    COLORREF expected;
  } cases[] = {{10, 10, RGB(255, 0, 0)}, {55, 30, RGB(255, 0, 0)}, {85, 30, RGB(0, 0, 255)}, {150, 90, RGB(255, 0, 0)}};
  for (auto c : cases) EXPECT_EQ(GetPixel(mem, c.x, c.y), c.expected) << c.x << "," << c.y;
  COLORREF half = GetPixel(mem, 60, 20);
  EXPECT_NEAR(GetRValue(half), 127, 2);
  EXPECT_EQ(GetGValue(half), 0);
  EXPECT_NEAR(GetBValue(half), 128, 2);
  SelectObject(mem, old);
  DeleteObject(canvas);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);

  HWND focusBefore = GetFocus();
  HWND h = panel->Handle();
  PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 40));
  PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(80, 40));
  PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));  // on the picture only
  PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 40));  // pressed, released outside
  PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(150, 40));
  Application::ProcessMessages();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(GetFocus(), focusBefore);
}
