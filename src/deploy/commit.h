// Puts a staged release in place: every file of the suite that a staged file replaces is
// tested for use first, and a journal then carries the release into place all or nothing.
#pragma once

#include "deploy/options.h"
#include "deploy/policy.h"
#include "engine/journal.h"

namespace quelb::deploy {

// The exit code: 0 once the release is in place (or nothing was staged), 5 when a program
// stays in use after --wait, 6 or 7 when the disk refused the commit, which was then turned
// back; any other failure when it could not even be turned back.
int CommitRelease(Policy& policy, const Options& options);

// The exit code of a journal carried out so: 0, 7 for a full disk, 6 for any other refusal
// (turned back), any other failure when it could not be finished.
int CodeOfJournal(const ErrorState& errors, const JournalOutcome& outcome);

}  // namespace quelb::deploy
