// What the unattended program says of a deploy, record by record, as its log writes them in
// lines of text and --json writes them as JSON objects.
#pragma once

#include <cstdint>
#include <vector>

#include "services/error_numbers.h"
#include "services/text.h"

namespace quelb::deploy {

struct StartRecord {
  Text time;
  Text version;
  Text commandLine;
  Text account;
  Text machine;
  Text system;
  std::vector<Text> sources;
  Text target;
};

struct NameRecord {
  Text time;
  Text action;  // copied, replaced, expanded, package, in place, unchanged, left out, ...
  Text source;
  Text target;
  int64_t size = -1;  // of the delivered file, else of the source; -1 when unknown
  Text sha256;        // of the delivered file, empty when none was delivered
  ErrorNumber error = 0;
  int platformCode = 0;
  bool archive = false;  // an archive's command and its exit code are said
  Text command;
  int exitCode = 0;
};

struct QuestionRecord {
  Text time;
  Text title;
  Text text;
  Text answer;
  Text why;
};

// A file of the suite that an archive changed outside the folder it was given.
struct OutsideRecord {
  Text time;
  Text archive;
  Text changed;
};

// A volume without the room that staging the release needs there.
struct SpaceRecord {
  Text time;
  std::vector<Text> folders;
  int64_t needed = 0;
  int64_t free = 0;
};

struct Counts {
  int64_t delivered = 0;
  int64_t unchanged = 0;
  int64_t skipped = 0;
  int64_t failed = 0;
  // The names the runs counted as copied or expanded, as their completion boxes count them,
  // once the release they were staged for is in place.
  int64_t counted = 0;
  // The names staged for a release that was not put in place.
  int64_t notPlaced = 0;
};

struct EndRecord {
  Text time;
  Text line;  // as the completion box shows it
  int exitCode = 0;
  ErrorNumber fatal = 0;  // the fatal number that ended the deploy, 0 when none did
  Counts counts;
};

// A moment in UTC as the records write it: 2026-12-09T13:16:44Z.
Text TimeNow();

}  // namespace quelb::deploy
