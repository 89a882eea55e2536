#include "gamewindow/key_policy.h"

namespace lzg {
namespace {
// The virtual-key code is the message's low word; modifiers are not looked at.
unsigned VirtualKey(unsigned long long wparam) { return static_cast<unsigned>(wparam & 0xFFFF); }
}  // namespace

bool MarksShortcut(int kind, int windows_key_code) {
  return (kind == static_cast<int>(KeyKind::kKeyDown) || kind == static_cast<int>(KeyKind::kKeyUp)) &&
         windows_key_code == static_cast<int>(kVkEscape);
}

bool TakesKey(unsigned os_message, unsigned long long wparam) {
  return (os_message == kKeyDownMessage || os_message == kKeyUpMessage) && VirtualKey(wparam) == kVkEscape;
}

bool ClosesWindow(unsigned os_message, unsigned long long wparam) {
  return os_message == kKeyUpMessage && VirtualKey(wparam) == kVkEscape;
}

}  // namespace lzg
