// One update run of the Windows build, through the engine with a dialog held in memory, for the
// delivery bench's figure under Wine, which times this whole program against xcopy:
//
//   wine_update_run SOURCE TARGET FILES
//
// The run must deliver FILES files and show no box but the completion message.
#include <cstdlib>

#include "delivery/update_run.h"

int main(int argc, char** argv) {
  if (argc != 4) delivery::Fail("usage: wine_update_run SOURCE TARGET FILES");
  delivery::InstallOperator();
  delivery::UpdateRun(argv[1], argv[2], std::atoi(argv[3]));
  return 0;
}
