// A test of one run of the real client: the run, its start with a configuration, and its usual end (out
// through the exit dialog, then the clean-end check). A test whose point is another start or end (a start that
// must fail, a kill, a session end, "exit" clicked at a chosen moment) takes those steps from the run itself and
// checks the end with ExpectCleanEnd.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/client_run.h"

namespace e2e {

class ClientTest : public testing::Test {
 protected:
  ClientTest() = default;
  // Runs of the client installed in `folder` (see ClientRun).
  explicit ClientTest(const std::wstring& folder) : run_(folder) {}

  // Writes `config` (see ClientRun::WriteConfig) and starts the client with `args` and `env` (see ClientRun::Start).
  testing::AssertionResult StartClient(const std::wstring& config, const std::wstring& args = L"",
                                       const std::vector<std::wstring>& env = {}) {
    run_.WriteConfig(config);
    if (!run_.Start(args, env)) return testing::AssertionFailure() << "the client did not start";
    return testing::AssertionSuccess();
  }

  // StartClient, then waits until the game page has loaded.
  testing::AssertionResult StartGame(const std::wstring& config, const std::wstring& args = L"",
                                     const std::vector<std::wstring>& env = {}) {
    testing::AssertionResult started = StartClient(config, args, env);
    if (!started) return started;
    if (!run_.WaitLoaded()) return testing::AssertionFailure() << "the game page never finished loading";
    return testing::AssertionSuccess();
  }

  // The usual end: a close request, "exit" in the dialog and the client's end with code 0 (ExitThroughDialog),
  // then ExpectCleanEnd with `end`; a client that did not end so is the failure, and its end is not checked.
  testing::AssertionResult ExitCleanly(const End& end = {}) {
    if (!run_.ExitThroughDialog()) return testing::AssertionFailure() << "the client did not end through the exit dialog";
    ExpectCleanEnd(run_, end);
    return testing::AssertionSuccess();
  }

  ClientRun run_;
};

}  // namespace e2e
