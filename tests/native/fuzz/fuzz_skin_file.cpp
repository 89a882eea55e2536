// Whatever bytes a skin file holds, unpacking and reading its skin.ini either fail with a reason or give
// files that add up to the input and a theme whose metrics can make a frame.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "skin/frame_layout.h"
#include "skin/skin_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::map<std::string, std::string> files;
  std::string error;
  if (lzg::skin::UnpackSkin(bytes, files, error)) {
    size_t total = 0;
    for (const auto& [name, content] : files) total += name.size() + content.size();
    if (total > size) std::abort();
  } else if (error.empty()) {
    std::abort();
  }
  // The same bytes as a skin.ini of their own, and the skin.ini of the packed file if there is one.
  const std::string* packedIni = files.count(lzg::skin::kSkinIniName) ? &files[lzg::skin::kSkinIniName] : nullptr;
  for (const std::string* ini : {&bytes, packedIni}) {
    if (!ini) continue;
    lzg::skin::SkinTheme theme;
    std::string why;
    if (lzg::skin::ParseSkinIni(*ini, theme, why)) {
      if (theme.borderWidth < 0 || theme.titleHeight <= 0 || theme.buttonWidth <= 0 || theme.buttonHeight <= 0)
        std::abort();
    } else if (why.empty()) {
      std::abort();
    }
  }
  return 0;
}
