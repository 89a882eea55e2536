#include "base/command_line.h"

namespace lzg {
namespace {

// Reads one argument starting at `at`; returns the position after it.
std::size_t NextArgument(std::wstring_view s, std::size_t at, std::wstring& arg) {
  auto ch = [&](std::size_t i) -> wchar_t { return i < s.size() ? s[i] : L'\0'; };
  for (;;) {
    while (ch(at) != L'\0' && ch(at) <= L' ') ++at;
    if (ch(at) == L'"' && ch(at + 1) == L'"') {
      at += 2;
    } else {
      break;
    }
  }
  arg.clear();
  while (ch(at) > L' ') {
    if (ch(at) == L'"') {
      ++at;
      while (ch(at) != L'\0' && ch(at) != L'"') arg.push_back(ch(at++));
      if (ch(at) != L'\0') ++at;
    } else {
      arg.push_back(ch(at++));
    }
  }
  return at;
}

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

}  // namespace

std::optional<std::wstring> SwitchValue(const std::vector<std::wstring>& args, std::wstring_view name) {
  const std::wstring prefix = L"--" + std::wstring(name) + L"=";
  for (auto it = args.rbegin(); it != args.rend(); ++it) {
    if (it->size() < prefix.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < prefix.size(); ++i) same = FoldAscii((*it)[i]) == FoldAscii(prefix[i]);
    if (same) return it->substr(prefix.size());
  }
  return std::nullopt;
}

std::wstring FirstArgument(std::wstring_view commandLine) {
  std::vector<std::wstring> args = CommandLineArguments(commandLine);
  return args.empty() ? std::wstring() : std::move(args.front());
}

std::vector<std::wstring> CommandLineArguments(std::wstring_view commandLine) {
  std::vector<std::wstring> args;
  std::wstring arg;
  std::size_t at = NextArgument(commandLine, 0, arg);  // the program path
  for (;;) {
    at = NextArgument(commandLine, at, arg);
    // Separators and empty quote pairs are skipped before an argument, so only the end gives an empty one.
    if (arg.empty()) break;
    args.push_back(arg);
  }
  return args;
}

}  // namespace lzg
