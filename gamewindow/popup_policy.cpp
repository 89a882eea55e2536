#include "gamewindow/popup_policy.h"

namespace lzg {

bool StartsNewInstance(int disposition) { return disposition >= 3 && disposition <= 6; }

std::wstring EncodePopupParameters(const std::wstring& targetUrl) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve(targetUrl.size());
  for (size_t i = 0; i < targetUrl.size(); ++i) {
    wchar_t c = targetUrl[i];
    bool encode = c <= 32 || c == L'"' || (i == 0 && (c == L'-' || c == L'/'));
    if (encode) {
      out += L'%';
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

bool MarksShortcut(int kind, int windowsKeyCode) {
  return (kind == static_cast<int>(KeyKind::KeyDown) || kind == static_cast<int>(KeyKind::KeyUp)) &&
         windowsKeyCode == kVkEscape;
}

}  // namespace lzg
