// The command line of the unattended program.
#pragma once

#include <vector>

#include "services/text.h"

namespace quelb::deploy {

struct Options {
  // Each is one run of the engine, in turn.
  std::vector<Text> sources;
  Text target;
  Text app = "QUELB";
  Text download;
  // How long a held folder, a program in use or a missing source is tried again.
  int waitSeconds = 300;
  // How often a failing file is tried again before it counts as failed.
  int retries = 3;
  // How long an archive may run before it is ended as failed; 0 waits for it without a limit.
  int archiveTimeoutSeconds = 1800;
  bool keepGoing = false;
  // Every name is delivered, also those that delivering would not change.
  bool all = false;
  // Only whether anything would be delivered is told; nothing is changed.
  bool check = false;
  bool startControlModule = false;
  // Only finish the release a deploy was ended in, or put the release before the last back.
  bool recover = false;
  bool undo = false;
  // A log of the deploy besides the one in the target, added to when it is there.
  Text logFile;
  // One JSON object a line on standard output.
  bool json = false;
  bool help = false;
  bool version = false;
  // Whether the release is staged and put in place by a journal, all or nothing. The command
  // line has no word for it: only a program built on the deploy's library turns it off, to
  // measure what staging costs against the run delivering straight into the target.
  bool staged = true;
};

// Reads the arguments after the program's name; an empty text, or what is wrong with them.
Text ReadOptions(const std::vector<Text>& arguments, Options& options);

// The usage, with the exit codes, as --help shows it.
Text UsageText();

}  // namespace quelb::deploy
