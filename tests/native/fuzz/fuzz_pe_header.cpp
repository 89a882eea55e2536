// Whatever a file's first bytes are, the start-up check reads a PE header offset and a machine only from a
// well-formed "MZ" and "PE\0\0" start, and never reads past what it was given.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/startup_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exact-size copies, so that AddressSanitizer sees any read past the end.
  std::vector<uint8_t> first(data, data + size);
  const auto offset = lzg::PeHeaderOffset(first.empty() ? nullptr : first.data(), first.size());
  if (offset && (size < 2 || data[0] != 'M' || data[1] != 'Z' || *offset == 0)) std::abort();
  const auto machine = lzg::PeMachine(first.empty() ? nullptr : first.data(), first.size());
  if (machine) {
    if (size < 6 || std::memcmp(data, "PE\0\0", 4) != 0) std::abort();
    if (*machine != static_cast<uint16_t>(data[4] | data[5] << 8)) std::abort();
    lzg::MachineMessage(*machine);
  }
  return 0;
}
