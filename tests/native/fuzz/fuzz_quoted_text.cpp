// Engine error texts written to the log: always one quoted text that reads
// back as the original.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "browser/host_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring in;
  for (size_t i = 0; i < size; ++i) in += data[i] % 3 == 0 ? L'\'' : static_cast<wchar_t>(data[i]);
  std::wstring q = lzg::QuotedStr(in);
  if (q.size() < 2 || q.front() != L'\'' || q.back() != L'\'') std::abort();
  std::wstring back;
  for (size_t i = 1; i + 1 < q.size(); ++i) {
    if (q[i] == L'\'') {
      if (i + 2 >= q.size() || q[i + 1] != L'\'') std::abort();  // a lone quote inside
      ++i;
    }
    back += q[i];
  }
  if (back != in) std::abort();
  return 0;
}
