// What the game window does with keys: Escape is the keyboard's way out of the game. Its press and release are
// the window's (the page never sees them), and its release asks the window to close. No Windows calls here: the
// same code builds natively for the unit tests.
#pragma once

namespace lzg {

// Key event kinds of the engine.
enum class KeyKind { kRawKeyDown = 0, kKeyDown = 1, kKeyUp = 2, kChar = 3 };

constexpr unsigned kVkEscape = 27;
// The system's key messages; characters and system keys (with Alt) are others.
constexpr unsigned kKeyDownMessage = 0x0100;  // WM_KEYDOWN
constexpr unsigned kKeyUpMessage = 0x0101;    // WM_KEYUP

// Before the page sees a key: Escape's key-down and key-up are marked as shortcuts that the window handles.
bool MarksShortcut(int kind, int windows_key_code);

// After the page left a key (the system message it came from): Escape's key-down and key-up are the window's.
bool TakesKey(unsigned os_message, unsigned long long wparam);

// A key the window took closes it: Escape's release.
bool ClosesWindow(unsigned os_message, unsigned long long wparam);

}  // namespace lzg
