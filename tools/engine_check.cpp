// The packaging script's judge of engine files, built from the client's own engine code so that the package
// is checked by the very rules the client applies at start (scripts/package.sh runs it under Wine):
//
//   engine_check.exe distribution <folder>
//     The engine's Windows distribution unpacked in <folder>. Refuses, with one line on standard output and exit
//     code 1, a folder that is no distribution (no Release\libcef.dll), a debug build, a library the client's
//     version or machine rule refuses, or a distribution that lacks a file the client checks at start. Otherwise
//     prints each of those files as "<group>\t<folder>\t<name>" (group framework, resources or locales; the
//     folder of the distribution that holds it; its name there, with "/"), in the order the client checks them.
//
//   engine_check.exe start
//     Copied beside lzgmin.exe in an unpacked package: the client's start-up check of its engine files, with the
//     engine object set up as the launch sets it up. Prints the client's message on one line and exits with 1
//     when the client would refuse to start.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/utf8.h"
#include "engine/engine_app.h"
#include "engine/file_info.h"
#include "engine/startup_rules.h"
#include "launch/engine_setup.h"

namespace {

void PrintLine(const std::wstring& text) {
  const std::string bytes = lzg::ToUtf8(text) + "\n";
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

int Refuse(const std::wstring& problem) {
  PrintLine(problem);
  return 1;
}

std::wstring Slashed(std::wstring path) {
  for (wchar_t& c : path)
    if (c == L'\\') c = L'/';
  return path;
}

std::wstring LastFolderName(std::wstring folder) {
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return lzg::ExtractFileName(folder);
}

// The client's engine object, set up as the launch sets it up for the game's profile.
class ClientsEngineApp : public lzg::EngineApp {
 public:
  ClientsEngineApp() : EngineApp(L"\"" + lzg::ExePath() + L"\"") { lzg::ConfigureEngineApp(*this, 0); }
  // What the client would have shown the player, in order.
  const std::vector<std::wstring>& messages() const { return messages_; }

 protected:
  void ShowErrorMessage(const std::wstring& text) override { messages_.push_back(text); }

 private:
  std::vector<std::wstring> messages_;
};

// The library the package would ship, by the client's version and machine rules; a debug build is refused too
// (the engine's debug library is many times larger and slower, and not meant for players).
std::optional<std::wstring> LibraryProblem(const std::wstring& library, const std::wstring& name) {
  const std::optional<lzg::FileVersion> version = lzg::GetDLLVersion(library);
  const std::wstring expected = lzg::FormatVersion(lzg::kExpectedCefVersion);
  if (!version) return L"another engine version: " + name + L" has no readable version; the client needs " + expected;
  if (!(*version == lzg::kExpectedCefVersion))
    return L"another engine version: " + name + L" is " + lzg::FormatVersion(*version) + L"; the client needs " +
           expected;
  if (const std::optional<uint16_t> machine = lzg::GetDLLHeaderMachine(library);
      machine && !lzg::MachineMessage(*machine).empty()) {
    if (*machine == lzg::kMachineAmd64)
      return L"a 64-bit build: " + name + L" is built for x64; the client needs the 32-bit (i386) distribution";
    wchar_t hex[8];
    std::swprintf(hex, 8, L"%04X", static_cast<unsigned>(*machine));
    return L"not a 32-bit build: " + name + L" is built for machine 0x" + hex + L"; the client needs i386";
  }
  if (lzg::IsDebugBuild(library).value_or(false))
    return L"a debug build: " + name + L" is marked as a debug build; the client ships the release build";
  return std::nullopt;
}

int CheckDistribution(std::wstring root) {
  root = lzg::IncludeTrailingPathDelimiter(root);
  if (!lzg::FileExists(root + L"Release\\libcef.dll")) {
    if (lzg::FileExists(root + L"Debug\\libcef.dll"))
      return Refuse(L"a debug build: the distribution holds Debug/libcef.dll but no Release/libcef.dll");
    if (_wcsicmp(LastFolderName(root).c_str(), L"Debug") == 0 && lzg::FileExists(root + L"libcef.dll"))
      return Refuse(L"a debug build: this is a distribution's Debug folder; give the distribution's top folder, "
                    L"whose Release build ships");
    return Refuse(L"not an engine distribution: there is no Release/libcef.dll");
  }
  if (std::optional<std::wstring> problem = LibraryProblem(root + L"Release\\libcef.dll", L"Release/libcef.dll"))
    return Refuse(*problem);

  // The distribution keeps the libraries and the V8 snapshots in Release\, the data files in Resources\ (the
  // client checks icudtl.dat among the libraries, the snapshots among the resources): each is taken from where
  // it is, Release\ first.
  ClientsEngineApp app;
  struct Found {
    const wchar_t* group;
    std::wstring folder, name;
  };
  std::vector<Found> found;
  std::vector<std::wstring> missing;  // named as a packager looks for them
  const std::wstring where = L" (in neither Release/ nor Resources/)";
  auto look = [&](const wchar_t* group, const std::vector<std::wstring>& names,
                  const std::vector<std::wstring>& folders) {
    for (const std::wstring& name : names) {
      bool there = false;
      for (const std::wstring& folder : folders) {
        if (lzg::FileExists(root + folder + L"\\" + name)) {
          found.push_back({group, Slashed(folder), Slashed(name)});
          there = true;
          break;
        }
      }
      if (!there) missing.push_back(Slashed(folders.size() == 1 ? folders[0] + L"\\" + name : name + where));
    }
  };
  look(L"framework", app.FrameworkFiles(), {L"Release", L"Resources"});
  look(L"resources", app.ResourceFiles(), {L"Release", L"Resources"});
  look(L"locales", app.LocaleFiles(), {L"Resources\\locales"});
  if (!missing.empty()) {
    std::wstring list;
    for (const std::wstring& m : missing) list += (list.empty() ? L"" : L", ") + m;
    return Refuse((missing.size() == 1 ? L"a file the client checks at start is missing from the distribution: "
                                       : L"files the client checks at start are missing from the distribution: ") +
                  list);
  }
  for (const Found& f : found) PrintLine(std::wstring(f.group) + L"\t" + f.folder + L"\t" + f.name);
  return 0;
}

int CheckAsTheClientStarts() {
  ClientsEngineApp app;
  if (app.CheckEngineFiles()) return 0;
  // One line, with paths relative to the client's folder.
  const std::wstring dir = lzg::ExeDirectory();
  std::wstring text = app.messages().empty() ? L"the engine files check failed" : app.messages().front();
  for (size_t at; !dir.empty() && (at = text.find(dir)) != std::wstring::npos;) text.erase(at, dir.size());
  std::wstring line;
  for (wchar_t c : text) {
    if (c == L'\r' || c == L'\n') {
      if (!line.empty() && line.back() != L' ') line += L' ';
    } else {
      line += c;
    }
  }
  return Refuse(lzg::TrimBlanks(line));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Nothing of the client's (its log) is written anywhere on the packager's machine.
  SetEnvironmentVariableW(L"APPDATA", nullptr);
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in "\n" alone, for the script that reads them
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"distribution" && argc == 3) return CheckDistribution(argv[2]);
  if (mode == L"start" && argc == 2) return CheckAsTheClientStarts();
  std::fputs("usage: engine_check.exe distribution <folder> | engine_check.exe start\n", stderr);
  return 2;
}
