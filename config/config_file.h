// The one way to the configuration file: created with its full path (opens nothing), used for a few reads and
// writes of section "dump" through the platform's private-profile functions, released at the end of the
// operation. Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lzg {

// Every entry of the client lies in this section.
constexpr const wchar_t* kConfigSection = L"dump";

class ConfigFile {
 public:
  explicit ConfigFile(std::wstring path) : path_(std::move(path)) {}

  // Reads the whole section once. Afterwards reads come from it, by the platform's rules for one entry, and a
  // write that would leave an entry as it is is skipped: the start reads the file once and rewrites only what
  // changes.
  void ReadSection();

  std::wstring ReadString(const std::wstring& key, const std::wstring& def) const;
  // The entry's text as an integer (config_int.h), or `def`.
  std::int32_t ReadInteger(const std::wstring& key, std::int32_t def) const;
  // Throws when the platform cannot write the file.
  void WriteString(const std::wstring& key, const std::wstring& value);
  void WriteInteger(const std::wstring& key, std::int32_t value);

 private:
  struct Entry {
    std::wstring key;  // lower case
    std::wstring raw;  // as stored, quotes included
    bool has_value;
  };

  static std::wstring Lower(std::wstring s);
  Entry* Find(const std::wstring& key);
  const Entry* Find(const std::wstring& key) const;
  static std::wstring Unquoted(const std::wstring& raw);

  std::wstring path_;
  std::vector<Entry> entries_;
  bool section_read_ = false;
};

}  // namespace lzg
