// The stand-in's command line object: the global one and those handed to the client's callbacks.
#include "standin/objects.h"

#include <shellapi.h>

#include "standin/text.h"

namespace standin {

CommandLine::CommandLine() {
  STANDIN_MEMBERS_COMMAND_LINE(STANDIN_NEUTRAL)
  LZG_BIND(is_valid, IsValid);
  LZG_BIND(is_read_only, IsReadOnly);
  LZG_BIND(copy, Copy);
  LZG_BIND(init_from_argv, InitFromArgv);
  LZG_BIND(init_from_string, InitFromCefString);
  LZG_BIND(reset, Reset);
  LZG_BIND(get_argv, GetArgv);
  LZG_BIND(get_command_line_string, GetCommandLineString);
  LZG_BIND(get_program, GetProgram);
  LZG_BIND(set_program, SetProgram);
  LZG_BIND(has_switches, HasSwitches);
  LZG_BIND(has_switch, HasSwitch);
  LZG_BIND(get_switch_value, GetSwitchValue);
  LZG_BIND(get_switches, GetSwitches);
  LZG_BIND(append_switch, AppendSwitch);
  LZG_BIND(append_switch_with_value, AppendSwitchWithValue);
  LZG_BIND(has_arguments, HasArguments);
  LZG_BIND(get_arguments, GetArguments);
  LZG_BIND(append_argument, AppendArgument);
  LZG_BIND(prepend_wrapper, PrependWrapper);
}

void CommandLine::InitFromArgs(const std::vector<std::wstring>& argv) {
  std::lock_guard<std::mutex> l(mu_);
  program_.clear();
  switches_.clear();
  valued_.clear();
  args_.clear();
  bool only_args = false;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::wstring& a = argv[i];
    if (i == 0) {
      program_ = a;
      continue;
    }
    if (only_args) {
      args_.push_back(a);
      continue;
    }
    if (a == L"--") {
      only_args = true;
      continue;
    }
    if (a.size() > 1 && a[0] == L'-') {
      size_t eq = a.find(L'=');
      std::string key = SwitchKey(ToUtf8(a.substr(0, eq)));
      std::wstring value = eq == std::wstring::npos ? std::wstring() : a.substr(eq + 1);
      switches_.emplace_back(key, value);
      valued_.push_back(eq != std::wstring::npos);
    } else {
      args_.push_back(a);
    }
  }
}

void CommandLine::InitFromString(const std::wstring& text) {
  std::vector<std::wstring> argv;
  int n = 0;
  LPWSTR* parts = text.empty() ? nullptr : CommandLineToArgvW(text.c_str(), &n);
  for (int i = 0; parts && i < n; ++i) argv.emplace_back(parts[i]);
  if (parts) LocalFree(parts);
  InitFromArgs(argv);
}

std::string CommandLine::SwitchesText() const {
  std::lock_guard<std::mutex> l(mu_);
  std::string out;
  for (size_t i = 0; i < switches_.size(); ++i) {
    if (i) out += ",";
    out += "--" + switches_[i].first;
    if (valued_[i]) out += "=" + ToUtf8(switches_[i].second);
  }
  return out;
}

namespace {
std::wstring Quoted(const std::wstring& s) {
  if (!s.empty() && s.find_first_of(L" \t\"") == std::wstring::npos) return s;
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : s) {
    if (c == L'\\') {
      ++slashes;
    } else {
      if (c == L'"') out.append(slashes + 1, L'\\');
      slashes = 0;
    }
    out += c;
  }
  out.append(slashes, L'\\');
  return out + L"\"";
}
}  // namespace

std::wstring CommandLine::CommandLineString() const {
  std::lock_guard<std::mutex> l(mu_);
  std::wstring out = Quoted(program_);
  for (size_t i = 0; i < switches_.size(); ++i) {
    std::wstring sw = L"--" + Utf8ToWide(switches_[i].first);
    if (valued_[i]) sw += L"=" + switches_[i].second;
    out += L" " + (valued_[i] ? L"--" + Utf8ToWide(switches_[i].first) + L"=" + Quoted(switches_[i].second) : sw);
  }
  for (const auto& a : args_) out += L" " + Quoted(a);
  return out;
}

std::wstring CommandLine::SwitchValue(const std::string& key) const {
  std::lock_guard<std::mutex> l(mu_);
  // The last occurrence wins, as with the engine's own switch map.
  for (auto it = switches_.rbegin(); it != switches_.rend(); ++it)
    if (it->first == key) return it->second;
  return std::wstring();
}
bool CommandLine::HasSwitchKey(const std::string& key) const {
  std::lock_guard<std::mutex> l(mu_);
  for (const auto& s : switches_)
    if (s.first == key) return true;
  return false;
}
void CommandLine::AppendSwitchText(const std::wstring& name, const std::wstring& value, bool with_value) {
  std::string key = SwitchKey(ToUtf8(name));
  if (key.empty()) return;
  std::lock_guard<std::mutex> l(mu_);
  if (read_only_) return;
  switches_.emplace_back(key, value);
  valued_.push_back(with_value);
}

cef_command_line_t* CommandLine::Copy() {
  auto c = lzg::MakeRef<CommandLine>();
  std::lock_guard<std::mutex> l(mu_);
  c->program_ = program_;
  c->switches_ = switches_;
  c->valued_ = valued_;
  c->args_ = args_;
  return c->ToCef();
}
void CommandLine::InitFromArgv(int argc, const char* const* argv) {
  if (read_only_) return;
  std::vector<std::wstring> v;
  for (int i = 0; argv && i < argc; ++i) v.push_back(Utf8ToWide(argv[i] ? argv[i] : ""));
  InitFromArgs(v);
}
void CommandLine::InitFromCefString(const cef_string_t* text) {
  if (!read_only_) InitFromString(ToWide(text));
}
void CommandLine::Reset() {
  if (read_only_) return;
  std::lock_guard<std::mutex> l(mu_);
  switches_.clear();
  valued_.clear();
  args_.clear();
}
void CommandLine::GetArgv(cef_string_list_t argv) {
  if (!argv) return;
  std::lock_guard<std::mutex> l(mu_);
  ListAppend(argv, program_);
  for (size_t i = 0; i < switches_.size(); ++i)
    ListAppend(argv, L"--" + Utf8ToWide(switches_[i].first) + (valued_[i] ? L"=" + switches_[i].second : L""));
  for (const auto& a : args_) ListAppend(argv, a);
}
cef_string_userfree_t CommandLine::GetCommandLineString() { return NewUserFree(CommandLineString()); }
cef_string_userfree_t CommandLine::GetProgram() {
  std::lock_guard<std::mutex> l(mu_);
  return NewUserFree(program_);
}
void CommandLine::SetProgram(const cef_string_t* program) {
  std::lock_guard<std::mutex> l(mu_);
  if (!read_only_) program_ = ToWide(program);
}
int CommandLine::HasSwitches() {
  std::lock_guard<std::mutex> l(mu_);
  return !switches_.empty();
}
int CommandLine::HasSwitch(const cef_string_t* name) { return HasSwitchKey(SwitchKey(ToUtf8(name))); }
cef_string_userfree_t CommandLine::GetSwitchValue(const cef_string_t* name) {
  std::string key = SwitchKey(ToUtf8(name));
  if (!HasSwitchKey(key)) return nullptr;
  return NewUserFree(SwitchValue(key));
}
void CommandLine::GetSwitches(cef_string_map_t switches) {
  if (!switches) return;
  std::lock_guard<std::mutex> l(mu_);
  for (const auto& s : switches_) MapAppend(switches, Utf8ToWide(s.first), s.second);
}
void CommandLine::AppendSwitch(const cef_string_t* name) { AppendSwitchText(ToWide(name), std::wstring(), false); }
void CommandLine::AppendSwitchWithValue(const cef_string_t* name, const cef_string_t* value) {
  AppendSwitchText(ToWide(name), ToWide(value), true);
}
int CommandLine::HasArguments() {
  std::lock_guard<std::mutex> l(mu_);
  return !args_.empty();
}
void CommandLine::GetArguments(cef_string_list_t arguments) {
  if (!arguments) return;
  std::lock_guard<std::mutex> l(mu_);
  for (const auto& a : args_) ListAppend(arguments, a);
}
void CommandLine::AppendArgument(const cef_string_t* argument) {
  std::lock_guard<std::mutex> l(mu_);
  if (!read_only_) args_.push_back(ToWide(argument));
}
void CommandLine::PrependWrapper(const cef_string_t* wrapper) {
  std::lock_guard<std::mutex> l(mu_);
  if (read_only_ || !wrapper || !wrapper->length) return;
  // The wrapper becomes the program; the old program its first argument.
  args_.insert(args_.begin(), program_);
  program_ = ToWide(wrapper);
}

}  // namespace standin
