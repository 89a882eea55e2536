// What the game window does with a page's request for a new page: a new tab or window becomes a new instance
// of the client, for web addresses only. No Windows calls here: the same code builds natively for the fuzz
// targets.
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

// Whether a page may have `url` opened as a new instance's home address. The
// new instance loads it as a browser-initiated navigation, which the engine
// allows where the page's own would be refused: a file: or UNC address of a
// remote host makes Windows connect over SMB and offer the player's credentials,
// other schemes reach local files or run script outside the game's origin. So
// only http and https (any letter case) with a host pass, and the empty address
// (a profile-0 instance). The host is read strictly: blanks, controls,
// backslashes, percent escapes and Unicode punctuation or compatibility forms
// are refused rather than guessed at the way the engine would mend them.
bool MayStartInstanceFor(const std::wstring& url);

// What to do when a page asks for `url` in a new instance; the one decision for
// every path that starts one.
struct InstanceStart {
  bool start = false;
  std::wstring parameters;  // the new instance's command-line parameters, when started
  std::wstring note;        // the diagnostic line, when refused: the scheme and the length, never the address itself
};
InstanceStart InstanceStartFor(const std::wstring& url);

// The engine handles these schemes itself (any letter case): http, https, ws, wss, ftp, file, data, about, blob,
// filesystem, javascript, chrome, chrome-devtools, chrome-error, view-source. Any other one names another program
// (a chat program, mail, a shop); an address without a scheme is the engine's.
bool EngineHandlesScheme(const std::wstring& url);

// What is recorded when the game's page is kept from navigating to another program: the scheme, cut short, and
// the address's length, never the address itself.
std::wstring RefusedNavigationNote(const std::wstring& url);

}  // namespace lzg
