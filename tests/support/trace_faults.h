// The stand-in writes a `fault` line to its trace for every engine rule a run broke
// (a call on the wrong thread, a shutdown with browsers open, a wait that would hang the
// real engine, ...; see standin/README.md). Any such line fails the test that ran the client.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/trace_reader.h"

namespace tracefile {

// The `fault` lines of the trace at `path`, but those `expected` lets through (faults a test provokes on purpose).
inline std::vector<Record> Faults(const std::wstring& path, const std::function<bool(const Record&)>& expected = nullptr) {
  std::vector<Record> out;
  for (Record& r : Read(path))
    if (r.event == "fault" && !(expected && expected(r))) out.push_back(std::move(r));
  return out;
}

// Fails the running test once per fault of the trace at `path`, naming the process and the rule.
inline void ExpectNoFaults(const std::wstring& path, const std::function<bool(const Record&)>& expected = nullptr) {
  for (const Record& r : Faults(path, expected))
    ADD_FAILURE() << "engine rule broken in process " << r.pid << ": " << r.Get("what");
}

}  // namespace tracefile
