// The stand-in writes a `fault` line to its trace for every engine rule a run broke
// (a call on the wrong thread, a shutdown with browsers open, a wait that would hang the
// real engine, ...; see standin/README.md). Any such line fails the test that ran the client.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/trace_reader.h"

namespace tracefile {

// Fails the running test once per `fault` line of the trace at `path`, naming the process and
// the rule; `expected`, when given, lets through the faults a test provokes on purpose.
inline void ExpectNoFaults(const std::wstring& path, const std::function<bool(const Record&)>& expected = nullptr) {
  for (const Record& r : Read(path)) {
    if (r.event != "fault" || (expected && expected(r))) continue;
    ADD_FAILURE() << "engine rule broken in process " << r.pid << ": " << r.Get("what");
  }
}

}  // namespace tracefile
