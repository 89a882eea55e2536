// The settings state of the client and the configuration file "zeRoVedi.dat".
//
// Every field is filled once per process by LoadAppConfig on the main thread;
// afterwards only the game window (size preset, exit flag) changes any of them.
// Only the main thread reads or writes them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// First command-line argument; empty when there is none. Profile 1 when set.
extern std::wstring g_ParamStr_1;

extern std::wstring g_sPath;  // the executable's directory, with its trailing separator
extern std::uint16_t g_GamePort;
extern std::wstring g_UserId;
extern std::wstring g_Password;
extern std::wstring g_loginUrl;
extern std::wstring g_title;
extern std::wstring g_gameUrl;
extern std::int32_t g_isTest;
extern std::int32_t g_isDecodePwd;
extern std::wstring g_step;
extern std::int32_t g_Width, g_Height;
extern std::int32_t g_Width_Last, g_Height_Last;
extern std::uint8_t g_SizeIndex;
extern std::uint8_t g_LastSizeIndex;
extern std::wstring g_SkinName;
extern std::uint8_t g_btIsTui;
extern std::wstring g_tui_chrid;
extern std::wstring g_tui_filename;

extern std::array<std::int32_t, 2> g_WidthArr;
extern std::array<std::int32_t, 2> g_HeightArr;
extern std::array<std::uint8_t, 2> g_SizeIndexArr;
extern std::array<std::wstring, 2> g_titleArr;
extern std::array<std::uint8_t, 2> g_SetSizeReloadArr;

extern std::uint8_t g_btNeedClose;

// Window-size presets; the last one is the maximised window.
constexpr int FormSizeNum = 7;
constexpr int kMaximisedPreset = FormSizeNum - 1;
struct SizePreset {
  std::int32_t Width;
  std::int32_t Height;
};
extern const std::array<SizePreset, FormSizeNum> FormDefSizeArr;
extern const std::array<const wchar_t*, FormSizeNum> FormDefSizeNameArr;
extern std::array<SizePreset, FormSizeNum> FormCfgSizeArr;
extern std::array<std::wstring, FormSizeNum> FormCfgSizeNameArr;

constexpr const wchar_t* kConfigFileName = L"zeRoVedi.dat";
constexpr const wchar_t* kConfigSection = L"dump";

// 0 without a first argument, else 1.
int CurrentProfile();

// Fills the state from "zeRoVedi.dat" beside the executable, writes the trace
// entry "step" and, unless the file says "istest=1", empties "uid" and "ip".
// Throws only when the side file exists but cannot be read; by then every entry
// has been read. The caller ignores any failure.
void LoadAppConfig();

// LoadAppConfig with `dir` (ending in a separator) taken as the executable's directory.
void LoadAppConfigIn(const std::wstring& dir);

// Writes "Width_p", "Height_p" and "SizeIndex_p" of profile p from the state, in
// that order. A failure ends the writes and is ignored; the state keeps the size.
void SaveSizeEntries(int p);

// Every field back to its value at process start (tests load more than once).
void ResetSettingsState();
