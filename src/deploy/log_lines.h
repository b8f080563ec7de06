// The log's lines: plain text, one record a line, without its line end.
#pragma once

#include <vector>

#include "deploy/log_records.h"

namespace quelb::deploy {

// The head of the log takes several lines.
std::vector<Text> StartLines(const StartRecord& start);
Text NameLine(const NameRecord& name);
Text QuestionLine(const QuestionRecord& question);
Text OutsideLine(const OutsideRecord& outside);
Text SpaceLine(const SpaceRecord& space);
Text EndLine(const EndRecord& end);

}  // namespace quelb::deploy
