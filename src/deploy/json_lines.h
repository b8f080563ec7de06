// The records of a deploy as --json writes them on standard output: one JSON object a line,
// told apart by "record": "start", "name", "question", "outside", "space" or "end".
#pragma once

#include <string_view>

#include "deploy/log_records.h"

namespace quelb::deploy {

// The text as a JSON string, quotes included. Valid UTF-8 is kept as it is; a byte that is no
// part of it (a name in a Windows code page) is taken as the Latin-1 character of its value,
// so that every line is valid JSON whatever the names hold.
Text JsonString(std::string_view text);

Text StartJson(const StartRecord& start);
Text NameJson(const NameRecord& name);
Text QuestionJson(const QuestionRecord& question);
Text OutsideJson(const OutsideRecord& outside);
Text SpaceJson(const SpaceRecord& space);
Text EndJson(const EndRecord& end);

}  // namespace quelb::deploy
