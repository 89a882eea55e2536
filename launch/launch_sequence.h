// The launch sequence of every process of the client, engine sub-processes included.
#pragma once

namespace lzg {

// The whole sequence for this process; the result is the process's exit code.
int RunLaunchSequence();

}  // namespace lzg
