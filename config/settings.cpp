#include "config/settings.h"

#include <optional>

#include "base/files.h"
#include "base/guarded.h"
#include "base/log.h"
#include "base/text.h"
#include "config/config_file.h"
#include "config/des.h"
#include "config/side_file.h"

namespace lzg {
namespace {

std::wstring Indexed(const wchar_t* prefix, int i, const wchar_t* suffix = L"") {
  return prefix + std::to_wstring(i) + suffix;
}

}  // namespace

Settings::Settings() {
  // Only the platform's own instance reloads after a size change unless the file says otherwise.
  profiles[0].reload_on_resize = 1;
  for (int k = 0; k < kPresetCount; ++k)
    presets[static_cast<size_t>(k)] = {kBuiltInPresets[static_cast<size_t>(k)].name,
                                       kBuiltInPresets[static_cast<size_t>(k)].size};
}

Settings LoadSettings(const std::wstring& exe_dir, int profile) {
  Settings s;
  s.exe_dir = exe_dir;
  s.profile = profile == 1 ? 1 : 0;
  s.step += L"GetConfig|";
  {
    ConfigFile ini(s.exe_dir + kConfigFileName);
    ini.ReadSection();

    s.is_decode_pwd = ini.ReadInteger(L"isDecodePwd", 0);
    s.base_size.width = ini.ReadInteger(L"Width", kDefaultSize.width);
    s.base_size.height = ini.ReadInteger(L"Height", kDefaultSize.height);
    s.last_size = s.base_size;
    // Narrower fields keep the low bits of the number read, as the launcher's own tools do.
    s.last_preset = static_cast<std::uint8_t>(ini.ReadInteger(L"SizeIndex", kDefaultPreset));
    s.preset = s.last_preset;

    // The cipher works on 8-bit text in the ANSI code page.
    const std::string user_id = WideToAnsi(ini.ReadString(L"uid", L""));
    std::string password = WideToAnsi(ini.ReadString(L"ip", L""));
    log::AddSecret(AnsiToWide(password));  // the entry as stored, before decoding
    if (s.is_decode_pwd == 0 && !password.empty()) password = DecryptText(password, user_id);
    s.password = AnsiToWide(password);
    s.user_id = AnsiToWide(user_id);
    // Never in the client's log, in whatever form a message might carry them.
    log::AddSecret(s.user_id);
    log::AddSecret(s.password);

    s.game_port = static_cast<std::uint16_t>(ini.ReadInteger(L"port", 0));
    s.login_url = ini.ReadString(L"doUrl1", L"");
    s.game_url = ini.ReadString(L"doUrl2", L"");
    s.title = ini.ReadString(L"title", L"");
    s.is_test = ini.ReadInteger(L"istest", 0);

    GuardedStep([&] {
      if (s.is_test != 1) {
        ini.WriteString(L"uid", L"");
        ini.WriteString(L"ip", L"");
      }
    });
    s.step += L"GetConfig_02|";
    GuardedStep([&] { ini.WriteString(L"step", s.step); });

    s.skin_name = ini.ReadString(L"SkinName", s.skin_name);
    s.is_tui = static_cast<std::uint8_t>(ini.ReadInteger(L"istui", 0));

    for (int i = 0; i < kProfileCount; ++i) {
      ProfileSettings& p = s.profiles[static_cast<size_t>(i)];
      p.size.width = ini.ReadInteger(Indexed(L"Width_", i), kDefaultSize.width);
      p.size.height = ini.ReadInteger(Indexed(L"Height_", i), kDefaultSize.height);
      p.preset = static_cast<std::uint8_t>(ini.ReadInteger(Indexed(L"SizeIndex_", i), p.preset));
      p.title = ini.ReadString(Indexed(L"title_", i), p.title);
      p.reload_on_resize = static_cast<std::uint8_t>(ini.ReadInteger(Indexed(L"SetSizeReload_", i), p.reload_on_resize));
    }

    s.title = s.own().title;
    s.preset = s.own().preset;

    for (int k = 0; k < kPresetCount; ++k) {
      SizePreset& preset = s.presets[static_cast<size_t>(k)];
      const BuiltInPreset& built_in = kBuiltInPresets[static_cast<size_t>(k)];
      preset.name = ini.ReadString(Indexed(L"FormSizeName_", k), built_in.name);
      preset.size.width = ini.ReadInteger(Indexed(L"FormSize_", k, L"_w"), built_in.size.width);
      preset.size.height = ini.ReadInteger(Indexed(L"FormSize_", k, L"_h"), built_in.size.height);
    }
  }

  if (s.is_tui == 1) {
    const std::wstring side_file = s.exe_dir + kSideFileName;
    if (FileExists(side_file)) {
      // A side file that cannot be read adds no code, as a missing one.
      if (const std::optional<std::string> bytes = ReadFileBytes(side_file))
        s.tui_code = SideFileCode(*bytes, &AnsiToWide);
      else
        log::Write(std::wstring(L"The side file \"") + kSideFileName + L"\" cannot be read");
    }
    // The code goes in as it is: no encoding, no test for an existing query part.
    log::AddSecret(s.tui_code);
    if (!s.tui_code.empty()) s.game_url += L"&tg=" + s.tui_code;
  }
  return s;
}

void SaveSizeEntries(const Settings& settings) {
  const int p = settings.profile;
  const ProfileSettings& own = settings.own();
  ConfigFile ini(settings.exe_dir + kConfigFileName);
  GuardedStep([&] {
    // Read just before: an entry that already holds its value (often the width) is not rewritten.
    ini.ReadSection();
    ini.WriteInteger(Indexed(L"Width_", p), own.size.width);
    ini.WriteInteger(Indexed(L"Height_", p), own.size.height);
    ini.WriteInteger(Indexed(L"SizeIndex_", p), own.preset);
  });
}

}  // namespace lzg
