// Skin files without any Windows call: the packed skin file, skin.ini and the theme it gives.
//
// A skin is a set of files: as a folder "<SkinDirectory>\<name>\" or packed into one file
// "<SkinDirectory>\<name>.lzskin". The only file read today is "skin.ini". The packed file:
//
//   LZGSKIN 1\n
//   <size> <file name>\n<size bytes of the file>      (repeated until the end)
//
// Sizes are decimal; the name is the rest of its line. Binary-safe, and easy to write with a
// shell script (scripts/pack-skin.sh).
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace lzg::skin {

constexpr const char* kPackedSkinExtension = ".lzskin";
constexpr const char* kSkinIniName = "skin.ini";

// Files by name. False with a reason on a wrong header or a truncated or malformed entry.
bool UnpackSkin(const std::string& packed, std::map<std::string, std::string>& files, std::string& error);

// 0xRRGGBB.
using Color = uint32_t;

// Everything a skin decides. The defaults are the ones of "Topaz 2017".
struct SkinTheme {
  std::string name;

  // [Frame]: side and bottom border, the title bar's height from the window's top edge
  // (it includes the top border), the gold line at the title bar's bottom.
  int borderWidth = 4;
  int titleHeight = 32;
  int accentHeight = 2;
  Color borderOuter = 0x1E1008;
  Color borderInner = 0x5A3718;
  Color frame = 0x4B2C12;
  Color accent = 0xE2AA4C;
  Color highlight = 0xA57340;

  // [Title]
  Color titleTop = 0x85541F;
  Color titleBottom = 0x4B2C12;
  Color inactiveTop = 0x76675A;
  Color inactiveBottom = 0x54483E;
  Color text = 0xFCEBCB;
  Color inactiveText = 0xD8CAB6;
  Color textShadow = 0x2A1606;
  std::string captionFont = "Tahoma";
  int captionFontSize = 9;

  // [CaptionButtons]
  int buttonWidth = 30;
  int buttonHeight = 22;
  int buttonRadius = 5;
  int buttonSpacing = 2;
  Color glyph = 0xF6DFB6;
  Color hoverFill = 0xA5743E;
  Color pressedFill = 0x3A220E;
  Color closeHoverFill = 0xD2452C;
  Color closePressedFill = 0x9E2E1B;

  // [Items]: button-style title bar items.
  int itemHeight = 22;
  int itemPadding = 12;
  int itemRadius = 4;
  Color itemTop = 0x9C6A34;
  Color itemBottom = 0x6A4016;
  Color itemBorder = 0xD8A44E;
  Color itemHoverTop = 0xBC8446;
  Color itemHoverBottom = 0x8A5626;
  Color itemPressedTop = 0x553210;
  Color itemPressedBottom = 0x74481F;
  Color itemText = 0xFFF1D6;
};

// Reads skin.ini over the defaults. Unknown sections and keys are ignored (newer skins
// still load); a malformed value, a missing [Skin] section or a Version other than 1 is an
// error, as are metrics that cannot make a frame.
bool ParseSkinIni(const std::string& text, SkinTheme& theme, std::string& error);

}  // namespace lzg::skin
