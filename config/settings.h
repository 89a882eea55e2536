// The client's settings: what the launcher left in "zeRoVedi.dat" beside the executable (and "52lzg.dat"),
// read once at start into a value that the launch sequence hands to the windows. Main thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace lzg {

constexpr const wchar_t* kConfigFileName = L"zeRoVedi.dat";
constexpr const wchar_t* kSideFileName = L"52lzg.dat";
constexpr const wchar_t* kDefaultTitle = L"澜舟阁游戏";
constexpr const wchar_t* kDefaultSkinName = L"Topaz 2017";

// The two profiles: 0 for the instance the launcher starts, 1 for an instance started with an address.
constexpr int kProfileCount = 2;

struct Size {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const Size&) const = default;
};

// The window's size when the file names none, and the preset it stands for.
constexpr Size kDefaultSize{1334, 750};
constexpr std::uint8_t kDefaultPreset = 2;

// Window-size presets; the last one is the maximised window.
constexpr int kPresetCount = 7;
constexpr int kMaximisedPreset = kPresetCount - 1;

struct SizePreset {
  std::wstring name;
  Size size;
};

// The built-in presets, which the file's "FormSizeName_k", "FormSize_k_w" and "FormSize_k_h" may override.
struct BuiltInPreset {
  const wchar_t* name;
  Size size;
};
inline constexpr std::array<BuiltInPreset, kPresetCount> kBuiltInPresets{{{L"经典", {1334, 890}},
                                                                         {L"传统", {1000, 720}},
                                                                         {L"现代", {1334, 750}},
                                                                         {L"高清", {1334, 1000}},
                                                                         {L"古典", {800, 600}},
                                                                         {L"超清", {2208, 1242}},
                                                                         {L"全屏", {1334, 750}}}};

// What each profile keeps apart ("Width_i", "Height_i", "SizeIndex_i", "title_i", "SetSizeReload_i").
struct ProfileSettings {
  Size size = kDefaultSize;
  std::uint8_t preset = kDefaultPreset;
  std::wstring title = kDefaultTitle;
  // 1: the home address is loaded again after a size change, a maximise and a restore.
  std::uint8_t reload_on_resize = 0;
};

struct Settings {
  Settings();

  // The executable's folder, ending in a separator: the file, the side file and the skins lie there.
  std::wstring exe_dir;
  // The instance's profile: which entries of `profiles` are its own.
  int profile = 0;

  Size base_size = kDefaultSize;  // "Width", "Height": a preset choice centres the window from these
  Size last_size = kDefaultSize;  // their copies at load
  std::uint8_t last_preset = kDefaultPreset;  // "SizeIndex"
  std::int32_t is_decode_pwd = 0;             // "isDecodePwd": non-zero keeps the password as stored
  std::wstring user_id;                       // "uid"
  std::wstring password;                      // "ip", decoded
  std::uint16_t game_port = 2;                // "port"
  std::wstring login_url;                     // "doUrl1"
  std::wstring game_url;                      // "doUrl2", with "&tg=" and the side file's code when asked for
  std::int32_t is_test = 0;                   // "istest": 1 keeps the credentials in the file
  std::wstring step;                          // the start-up trace written to "step"
  std::wstring skin_name = kDefaultSkinName;  // "SkinName"
  std::uint8_t is_tui = 0;                    // "istui": 1 reads the side file
  std::wstring tui_code;                      // the side file's first line

  std::array<ProfileSettings, kProfileCount> profiles;
  std::array<SizePreset, kPresetCount> presets;

  // The instance's own: its title, and its preset (which a preset choice changes).
  std::wstring title;
  std::uint8_t preset = kDefaultPreset;

  ProfileSettings& own() { return profiles[static_cast<size_t>(profile)]; }
  const ProfileSettings& own() const { return profiles[static_cast<size_t>(profile)]; }
};

// The profile a first command-line argument gives: 1 with one, 0 without.
inline int ProfileFor(const std::wstring& first_argument) { return first_argument.empty() ? 0 : 1; }

// Reads "zeRoVedi.dat" in `exe_dir` (ending in a separator) for `profile` (1, or else 0), writes the trace entry "step" and,
// unless the file says "istest=1", empties "uid" and "ip". A side file that exists but cannot be read leaves
// the game address without its code, as a missing one does; every entry has been read by then.
Settings LoadSettings(const std::wstring& exe_dir, int profile);

// Writes "Width_p", "Height_p" and "SizeIndex_p" of `settings.profile` from its own entry, in that order, and
// only where the file holds another value. A failure ends the writes and is ignored.
void SaveSizeEntries(const Settings& settings);

}  // namespace lzg
