// Platform-free: the command lines that both the profile's first argument and the process role are read from,
// with what each reading must give. One table for the native unit test and for the Wine tests of the real
// functions.
#pragma once

#include "engine/app_types.h"

namespace cmdcases {

struct Case {
  const wchar_t* commandLine;
  const wchar_t* firstArgument;  // the profile's address (empty: profile 0)
  TCefProcessType role;
};

inline constexpr Case kCases[] = {
    {L"lzgmin.exe", L"", ptBrowser},
    {L"lzgmin.exe http://g/?a=1", L"http://g/?a=1", ptBrowser},
    {L"lzgmin.exe --type=renderer --lang=zh-CN", L"--type=renderer", ptRenderer},
    // Quoted switches: the quotes group, they do not hide the switch.
    {L"lzgmin.exe \"--type=renderer\"", L"--type=renderer", ptRenderer},
    {L"lzgmin.exe http://a \"--TYPE=GPU-PROCESS\"", L"http://a", ptGPU},
    {L"lzgmin.exe \"\\\"--type=renderer\\\"\"", L"\\--type=renderer\\", ptBrowser},
    // A backslash before a quote escapes nothing: the quote ends the stretch, and what follows the blank is an
    // argument of its own, to both readings.
    {L"lzgmin.exe \"http://x/\\\" --type=renderer\"", L"http://x/\\", ptRenderer},
    {L"lzgmin.exe \"C:\\dir\\\" --type=utility", L"C:\\dir\\", ptOther},
    {L"lzgmin.exe a\\\"b c\\\"", L"a\\b c\\", ptBrowser},
    {L"lzgmin.exe \"http://a/b c --type=renderer\"", L"http://a/b c --type=renderer", ptBrowser},
    // Percent-encoded addresses, as a popup's instance gets them, stay one argument and never a switch.
    {L"lzgmin.exe http://h.example/%20--type=renderer", L"http://h.example/%20--type=renderer", ptBrowser},
    {L"lzgmin.exe %2D-type=renderer", L"%2D-type=renderer", ptBrowser},
    {L"lzgmin.exe http://h.example/%22q%22%20x", L"http://h.example/%22q%22%20x", ptBrowser},
    // Empty quote pairs before an argument are skipped.
    {L"lzgmin.exe \"\"", L"", ptBrowser},
    {L"lzgmin.exe \"\" http://a", L"http://a", ptBrowser},
    {L"lzgmin.exe \"\"--type=renderer", L"--type=renderer", ptRenderer},
    {L"lzgmin.exe \"\" \"\" --type=gpu-process", L"--type=gpu-process", ptGPU},
    // Tabs and other control codes separate like blanks.
    {L"lzgmin.exe\thttp://a\t--type=gpu-process", L"http://a", ptGPU},
    {L"lzgmin.exe\t\x01--type=renderer\x1Fhttp://a", L"--type=renderer", ptRenderer},
    {L"\"C:\\Program Files\\lzg\\lzgmin.exe\"\thttp://a --type=renderer --type=utility", L"http://a", ptOther},
};

}  // namespace cmdcases
