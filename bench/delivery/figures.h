// The figures of the delivery bench, each timed against the tool a user knows for the same work.
#pragma once

#include <string>

#include "harness.h"

namespace delivery {

// Into an empty target and over older files, against rsync syncing each file it writes.
void ManySmallFiles(const Options& options, const Place& place);

// The same over older files under Wine, the Windows build's run against xcopy: skipped where
// Wine or the run program is missing.
void SmallFilesUnderWine(const Options& options, const Place& place, const fs::path& scratch);

// A first deploy straight into the target against the update run, a second deploy of the same
// release against the first, and deploys that stage and commit against the same straight into
// the target, of many small files and of one big one.
void Deploys(const Options& options, const Place& place);

// One big file over an older one, against cp.
void OneBigFile(const Options& options, const Place& place, const fs::path& source);

// The bench started again to do the archive test alone: 0 when the mark is found, 1 when it is
// not, as grep answers, and 2 on a failure.
int ArchiveTestChild(const char* archive);

// The archive test of a big file without the mark, against grep, by processor time.
void ArchiveTest(const Options& options, const Place& place, const fs::path& archive,
                 const std::string& self);

// The in-use check of 1,000 programs among 500 processes, against the same among 50.
void InUseCheck(const Options& options, const Place& place);

// From exec to the mapped window, against a bare window of the same size.
void WindowStart(const Options& options, const fs::path& scratch);

}  // namespace delivery
