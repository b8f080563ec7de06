// The unattended program: each source delivered to the target by one update run of the
// engine, in turn, every box answered by the policy.
#pragma once

#include "deploy/options.h"

namespace quelb::deploy {

// Returns the exit code of the process. The message handler is the policy's meanwhile.
int RunDeploy(const Options& options);

}  // namespace quelb::deploy
