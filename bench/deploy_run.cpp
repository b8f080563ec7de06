// The unattended program as the deploy figures start it, with one word of its own before the
// program's command line: --unstaged delivers straight into the target, as the deploy did
// before every release was staged and committed, so that a figure can weigh what staging
// costs. The shipped program cannot be asked for that.
//
//   deploy_run [--unstaged] QUELB-DEPLOY-ARGUMENTS...
#include <cstdio>
#include <cstring>
#include <vector>

#include "deploy/deploy.h"
#include "deploy/exit_codes.h"
#include "deploy/log_watch.h"
#include "deploy/options.h"
#include "services/error.h"

int main(int argc, char** argv) {
  quelb::SetFatalEnd(quelb::deploy::EndAfterFatalError);
  int first = 1;
  const bool unstaged = argc > 1 && std::strcmp(argv[1], "--unstaged") == 0;
  if (unstaged) ++first;
  quelb::deploy::Options options;
  const std::vector<quelb::Text> arguments(argv + first, argv + argc);
  if (const quelb::Text fault = quelb::deploy::ReadOptions(arguments, options); !fault.empty()) {
    std::fprintf(stderr, "deploy_run: %s\n", fault.c_str());
    return quelb::deploy::kBadCommandLine;
  }
  options.staged = !unstaged;
  return quelb::deploy::RunDeploy(options);
}
