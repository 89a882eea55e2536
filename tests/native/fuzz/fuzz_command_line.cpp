// The first command-line argument: never a quote, never a separator outside a
// quoted stretch, and the same text read again as the only argument is itself;
// it is the first of the arguments the process role is read from.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring line;
  for (size_t i = 0; i < size; ++i) {
    static const wchar_t kAlpha[] = L"a\" \t-=/\\x1";
    uint8_t b = data[i];
    line += b < 0xF0 ? kAlpha[b % 11] : static_cast<wchar_t>(b);
  }
  std::wstring first = lzg::FirstArgument(line);
  if (first.find(L'"') != std::wstring::npos) std::abort();
  bool hasBlank = false;
  for (wchar_t c : first) hasBlank |= (c >= 1 && c <= 32);
  // A blank-free argument read back as the only argument comes out unchanged.
  if (!hasBlank && first.find(L'\0') == std::wstring::npos && lzg::FirstArgument(L"prog " + first) != first)
    std::abort();
  // The role is read from the same arguments: the first of them is the first argument, and none is empty.
  const std::vector<std::wstring> args = lzg::CommandLineArguments(line);
  if ((args.empty() ? std::wstring() : args.front()) != first) std::abort();
  for (const std::wstring& a : args)
    if (a.empty() || a.find(L'"') != std::wstring::npos) std::abort();
  return 0;
}
