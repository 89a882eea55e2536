// The real client's exit dialog in every state of the game window: normal, maximised, minimised (closed
// from the taskbar) and half off the screen, at its first showing and at later ones. The dialog must lie
// wholly inside the work area each time, and "stay" and "exit" must work from there.
#include <gtest/gtest.h>

#include "tests/e2e/client_run.h"

namespace {

using e2e::ClientRun;

enum class State { Normal, Maximised, Minimised, HalfOff };

const char* Name(State s) {
  switch (s) {
    case State::Normal: return "normal";
    case State::Maximised: return "maximised";
    case State::Minimised: return "minimised";
    case State::HalfOff: return "half off the screen";
  }
  return "?";
}

const wchar_t kConfig[] =
    L"[dump]\r\ndoUrl2=http://game.example/play\r\nWidth_0=1000\r\nHeight_0=720\r\nSizeIndex_0=1\r\n"
    L"title_0=对话框\r\n";

RECT WorkArea() {
  RECT wa{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
  return wa;
}

// Puts the game window into `state` the way a player does (the window's own system commands, a drag).
void Enter(HWND game, State state) {
  switch (state) {
    case State::Normal:
      break;
    case State::Maximised:
      SendMessageW(game, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      ASSERT_TRUE(testutil::WaitUntil([&] { return IsZoomed(game) != FALSE; }, 10000));
      break;
    case State::Minimised:
      SendMessageW(game, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      ASSERT_TRUE(testutil::WaitUntil([&] { return IsIconic(game) != FALSE; }, 10000));
      break;
    case State::HalfOff: {
      RECT r{};
      GetWindowRect(game, &r);
      const RECT wa = WorkArea();
      // Half of it past the right edge and most of it below the bottom.
      SetWindowPos(game, nullptr, wa.right - (r.right - r.left) / 2, wa.bottom - 60, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
  }
}

// Asks to close (from the taskbar when minimised: the same system command) and checks where the dialog is.
void ExpectDialogOnScreen(ClientRun& run, State state, const char* showing) {
  SCOPED_TRACE(std::string(Name(state)) + ", " + showing);
  HWND game = run.Game();
  ASSERT_NE(game, nullptr);
  PostMessageW(game, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run.DialogVisible(); }, 15000));
  HWND dialog = run.FindWindows().dialog;
  ASSERT_NE(dialog, nullptr);
  RECT d{};
  GetWindowRect(dialog, &d);
  const RECT wa = WorkArea();
  EXPECT_GE(d.left, wa.left);
  EXPECT_GE(d.top, wa.top);
  EXPECT_LE(d.right, wa.right);
  EXPECT_LE(d.bottom, wa.bottom);
  EXPECT_EQ(d.right - d.left, 600);
  EXPECT_EQ(d.bottom - d.top, 330);
  // Visible is not yet painted: the picture shows what the player sees once the dialog has drawn itself.
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  e2e::SaveScreenshot(wa, std::wstring(L"dialog_") + (state == State::Normal      ? L"normal"
                                                      : state == State::Maximised ? L"maximised"
                                                      : state == State::Minimised ? L"minimised"
                                                                                  : L"halfoff") +
                              L"_" + (std::string(showing) == "first" ? L"first" : L"later"));
}

void Stay(ClientRun& run) {
  ASSERT_TRUE(run.ClickStay());
  ASSERT_TRUE(testutil::WaitUntil([&] { return !run.DialogVisible(); }, 10000));
  EXPECT_TRUE(run.Running());
}

class DialogPlacement : public testing::TestWithParam<State> {};

// First showing: the state first, then the first close request of the process; "stay", then a later showing
// in the same state; "exit" from there.
TEST_P(DialogPlacement, FirstAndLaterShowingOnScreen) {
  ClientRun run;
  run.WriteConfig(kConfig);
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitLoaded());
  HWND game = run.Game();
  ASSERT_NE(game, nullptr);
  Enter(game, GetParam());
  ExpectDialogOnScreen(run, GetParam(), "first");
  Stay(run);
  if (GetParam() == State::Minimised) EXPECT_TRUE(IsIconic(game));  // "stay" leaves it as it was
  ExpectDialogOnScreen(run, GetParam(), "later");
  Stay(run);
  ExpectDialogOnScreen(run, GetParam(), "again");
  ASSERT_TRUE(run.ClickExit());
  ASSERT_TRUE(run.WaitExit(30000));
  e2e::ExpectCleanEnd(run);
}

INSTANTIATE_TEST_SUITE_P(States, DialogPlacement,
                         testing::Values(State::Normal, State::Maximised, State::Minimised, State::HalfOff),
                         [](const testing::TestParamInfo<State>& i) {
                           switch (i.param) {
                             case State::Normal: return std::string("Normal");
                             case State::Maximised: return std::string("Maximised");
                             case State::Minimised: return std::string("Minimised");
                             case State::HalfOff: return std::string("HalfOff");
                           }
                           return std::string("x");
                         });

// A later showing after the state changed between showings: first normal, then minimised.
TEST(DialogPlacementChanges, MinimisedAfterANormalShowing) {
  ClientRun run;
  run.WriteConfig(kConfig);
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitLoaded());
  ExpectDialogOnScreen(run, State::Normal, "first");
  Stay(run);
  Enter(run.Game(), State::Minimised);
  ExpectDialogOnScreen(run, State::Minimised, "later");
  ASSERT_TRUE(run.ClickExit());
  ASSERT_TRUE(run.WaitExit(30000));
  e2e::ExpectCleanEnd(run);
}

}  // namespace
