// Platform-free: the command lines that both the profile's first argument and the process role are read from,
// with what each reading must give. One table for the native unit test and for the Wine tests of the real
// functions.
#pragma once

#include "engine/app_types.h"

namespace cmdcases {

using lzg::ProcessType;

struct Case {
  const wchar_t* commandLine;
  const wchar_t* firstArgument;  // the profile's address (empty: profile 0)
  ProcessType role;
};

inline constexpr Case kCases[] = {
    {L"lzgmin.exe", L"", ProcessType::kBrowser},
    {L"lzgmin.exe http://g/?a=1", L"http://g/?a=1", ProcessType::kBrowser},
    {L"lzgmin.exe --type=renderer --lang=zh-CN", L"--type=renderer", ProcessType::kRenderer},
    // Quoted switches: the quotes group, they do not hide the switch.
    {L"lzgmin.exe \"--type=renderer\"", L"--type=renderer", ProcessType::kRenderer},
    {L"lzgmin.exe http://a \"--TYPE=GPU-PROCESS\"", L"http://a", ProcessType::kGpu},
    {L"lzgmin.exe \"\\\"--type=renderer\\\"\"", L"\\--type=renderer\\", ProcessType::kBrowser},
    // A backslash before a quote escapes nothing: the quote ends the stretch, and what follows the blank is an
    // argument of its own, to both readings.
    {L"lzgmin.exe \"http://x/\\\" --type=renderer\"", L"http://x/\\", ProcessType::kRenderer},
    {L"lzgmin.exe \"C:\\dir\\\" --type=utility", L"C:\\dir\\", ProcessType::kOther},
    {L"lzgmin.exe a\\\"b c\\\"", L"a\\b c\\", ProcessType::kBrowser},
    {L"lzgmin.exe \"http://a/b c --type=renderer\"", L"http://a/b c --type=renderer", ProcessType::kBrowser},
    // Percent-encoded addresses, as a popup's instance gets them, stay one argument and never a switch.
    {L"lzgmin.exe http://h.example/%20--type=renderer", L"http://h.example/%20--type=renderer", ProcessType::kBrowser},
    {L"lzgmin.exe %2D-type=renderer", L"%2D-type=renderer", ProcessType::kBrowser},
    {L"lzgmin.exe http://h.example/%22q%22%20x", L"http://h.example/%22q%22%20x", ProcessType::kBrowser},
    // Empty quote pairs before an argument are skipped.
    {L"lzgmin.exe \"\"", L"", ProcessType::kBrowser},
    {L"lzgmin.exe \"\" http://a", L"http://a", ProcessType::kBrowser},
    {L"lzgmin.exe \"\"--type=renderer", L"--type=renderer", ProcessType::kRenderer},
    {L"lzgmin.exe \"\" \"\" --type=gpu-process", L"--type=gpu-process", ProcessType::kGpu},
    // Tabs and other control codes separate like blanks.
    {L"lzgmin.exe\thttp://a\t--type=gpu-process", L"http://a", ProcessType::kGpu},
    {L"lzgmin.exe\t\x01--type=renderer\x1Fhttp://a", L"--type=renderer", ProcessType::kRenderer},
    {L"\"C:\\Program Files\\lzg\\lzgmin.exe\"\thttp://a --type=renderer --type=utility", L"http://a", ProcessType::kOther},
};

}  // namespace cmdcases
