#include <cstdio>
#include <vector>

#include "deploy/deploy.h"
#include "deploy/exit_codes.h"
#include "deploy/log_watch.h"
#include "deploy/options.h"
#include "services/error.h"
#include "services/process.h"
#ifdef _WIN32
#include "startup/main/dll_search.h"
#endif

namespace {

int Usage(const quelb::Text& fault) {
  std::fprintf(stderr, "quelb-deploy: %s\n%s", fault.c_str(), quelb::deploy::UsageText().c_str());
  return quelb::deploy::kBadCommandLine;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  quelb::SearchDllsInTheSystemFolderOnly();
#endif
  // A fatal number ends the deploy at once as any other failure.
  quelb::SetFatalEnd(quelb::deploy::EndAfterFatalError);
  quelb::deploy::Options options;
  const std::vector<quelb::Text> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (const quelb::Text fault = quelb::deploy::ReadOptions(arguments, options); !fault.empty()) {
    return Usage(fault);
  }
  if (options.help) {
    std::fputs(quelb::deploy::UsageText().c_str(), stdout);
    return quelb::deploy::kDelivered;
  }
  if (options.version) {
    std::puts("quelb-deploy " QUELB_VERSION);
    return quelb::deploy::kDelivered;
  }
  if (const quelb::Text fault = quelb::EnvironmentFault(); !fault.empty()) {
    std::fprintf(stderr, "quelb-deploy: %s\n", fault.c_str());
    return quelb::deploy::kOtherFailure;
  }
  return quelb::deploy::RunDeploy(options);
}
