// What the game window does with a page's request for a new page, and with keys.
// No Windows calls here: the same code builds natively for the fuzz targets.
#pragma once

#include <string>

namespace lzg {

// New foreground/background tab, popup and window start a new instance;
// every other disposition is left to the engine.
bool StartsNewInstance(int disposition);

// The popup's target address as the new instance's command-line parameters.
// Blanks, control characters and double quotes would let a page split the
// address into several arguments (and so smuggle engine switches onto the new
// instance's command line); they are percent-encoded. A leading '-' or '/'
// would make the whole argument read as a switch; it is percent-encoded too.
// Everything else passes unchanged, so an ordinary address arrives as it was.
std::wstring EncodePopupParameters(const std::wstring& targetUrl);

// Key event kinds of the engine.
enum class KeyKind { RawKeyDown = 0, KeyDown = 1, KeyUp = 2, Char = 3 };

constexpr int kVkEscape = 27;

// Before the page sees a key: Escape key-down/key-up is marked as a shortcut.
bool MarksShortcut(int kind, int windowsKeyCode);

}  // namespace lzg
