// What the game window does with keys: Escape's press and release are the window's, the release closes it, and
// nothing else is touched.
#include <gtest/gtest.h>

#include "gamewindow/key_policy.h"

namespace {

constexpr unsigned kKeyDown = 0x0100, kKeyUp = 0x0101, kChar = 0x0102, kSysKeyDown = 0x0104, kSysKeyUp = 0x0105;

TEST(KeyPolicy, OnlyEscapeDownAndUpAreShortcuts) {
  EXPECT_TRUE(lzg::MarksShortcut(1, 27));
  EXPECT_TRUE(lzg::MarksShortcut(2, 27));
  EXPECT_FALSE(lzg::MarksShortcut(0, 27));
  EXPECT_FALSE(lzg::MarksShortcut(3, 27));
  EXPECT_FALSE(lzg::MarksShortcut(1, 13));
}

TEST(KeyPolicy, EscapeIsTakenOnPressAndReleaseAndClosesOnRelease) {
  struct Case {
    unsigned message;
    unsigned long long wparam;
    bool taken, closes;
  } cases[] = {
      {kKeyDown, 27, true, false},
      {kKeyUp, 27, true, true},
      // Modifiers are not looked at: only the virtual-key code in the low word counts.
      {kKeyUp, 0x10000 | 27, true, true},
      {kKeyDown, 0xFFFF001Bull, true, false},
      // Characters and system keys (Alt held) are left to the page and the system.
      {kChar, 27, false, false},
      {kSysKeyDown, 27, false, false},
      {kSysKeyUp, 27, false, false},
      // Other keys pass.
      {kKeyDown, 13, false, false},
      {kKeyUp, 'A', false, false},
      {kKeyUp, 27 + 0x100, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(lzg::TakesKey(c.message, c.wparam), c.taken) << std::hex << c.message << " " << c.wparam;
    EXPECT_EQ(lzg::ClosesWindow(c.message, c.wparam), c.closes) << std::hex << c.message << " " << c.wparam;
  }
}

}  // namespace
