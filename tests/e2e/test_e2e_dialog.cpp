// The real client's exit dialog in every state of the game window: normal, maximised, minimised (closed
// from the taskbar) and half off the screen, at its first showing and at later ones. The dialog must lie
// wholly inside the work area each time, and "stay" and "exit" must work from there.
#include <gtest/gtest.h>

#include "tests/support/client_test.h"

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
      const RECT wa = e2e::WorkArea();
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
  const RECT wa = e2e::WorkArea();
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

class DialogPlacement : public e2e::ClientTest, public testing::WithParamInterface<State> {};

// First showing: the state first, then the first close request of the process; "stay", then a later showing
// in the same state; "exit" from there.
TEST_P(DialogPlacement, FirstAndLaterShowingOnScreen) {
  ASSERT_TRUE(StartGame(kConfig));
  HWND game = run_.Game();
  ASSERT_NE(game, nullptr);
  Enter(game, GetParam());
  ExpectDialogOnScreen(run_, GetParam(), "first");
  Stay(run_);
  if (GetParam() == State::Minimised) {
    EXPECT_TRUE(IsIconic(game));  // "stay" leaves it as it was
  }
  ExpectDialogOnScreen(run_, GetParam(), "later");
  Stay(run_);
  ExpectDialogOnScreen(run_, GetParam(), "again");
  // "exit" from the dialog that is up, in that state.
  ASSERT_TRUE(run_.ClickExit());
  ASSERT_TRUE(run_.WaitExit(30000));
  e2e::ExpectCleanEnd(run_);
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

using DialogPlacementChanges = e2e::ClientTest;

// A later showing after the state changed between showings: first normal, then minimised.
TEST_F(DialogPlacementChanges, MinimisedAfterANormalShowing) {
  ASSERT_TRUE(StartGame(kConfig));
  ExpectDialogOnScreen(run_, State::Normal, "first");
  Stay(run_);
  Enter(run_.Game(), State::Minimised);
  ExpectDialogOnScreen(run_, State::Minimised, "later");
  ASSERT_TRUE(run_.ClickExit());
  ASSERT_TRUE(run_.WaitExit(30000));
  e2e::ExpectCleanEnd(run_);
}

}  // namespace
