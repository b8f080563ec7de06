#include "deploy/json_lines.h"

#include <cstdio>

namespace quelb::deploy {
namespace {

Text Escaped(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "\\u%04x", value);
  return text;
}

// The length of the UTF-8 sequence at the start of text, 0 when it is none: overlong forms,
// surrogates and values past U+10FFFF are none.
size_t Utf8Length(std::string_view text) {
  const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
  const unsigned lead = byte(0);
  size_t length = 0;
  unsigned value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t at = 1; at < length; ++at) {
    if ((byte(at) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at) & 0x3F);
  }
  const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  return overlong || surrogate || value > 0x10FFFF ? 0 : length;
}

Text Field(const char* name, const Text& value) {
  return Text(",\"") + name + "\":" + value;
}

Text Number(int64_t value) {
  return std::to_string(value);
}

Text StringArray(const std::vector<Text>& texts) {
  Text array;
  for (const Text& text : texts) array += (array.empty() ? "" : ",") + JsonString(text);
  return "[" + array + "]";
}

}  // namespace

Text JsonString(std::string_view text) {
  Text json = "\"";
  for (size_t at = 0; at < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      json += Escaped(c);
    } else if (c >= 0x80) {
      const size_t length = Utf8Length(text.substr(at));
      if (length == 0) {
        json += Escaped(c);
        ++at;
        continue;
      }
      json.append(text.substr(at, length));
      at += length;
      continue;
    } else {
      json += static_cast<char>(c);
    }
    ++at;
  }
  return json + "\"";
}

Text StartJson(const StartRecord& start) {
  return "{\"record\":\"start\"" + Field("time", JsonString(start.time)) +
         Field("version", JsonString(start.version)) +
         Field("command_line", JsonString(start.commandLine)) +
         Field("account", JsonString(start.account)) + Field("machine", JsonString(start.machine)) +
         Field("system", JsonString(start.system)) + Field("sources", StringArray(start.sources)) +
         Field("target", JsonString(start.target)) + "}";
}

Text NameJson(const NameRecord& name) {
  Text json = "{\"record\":\"name\"" + Field("time", JsonString(name.time)) +
              Field("action", JsonString(name.action)) + Field("source", JsonString(name.source)) +
              Field("target", JsonString(name.target));
  if (name.size >= 0) json += Field("size", Number(name.size));
  if (!name.sha256.empty()) json += Field("sha256", JsonString(name.sha256));
  if (name.error != 0) {
    json += Field("error", Number(name.error)) + Field("platform_code", Number(name.platformCode));
  }
  if (name.archive && !name.command.empty()) {
    json += Field("command", JsonString(name.command)) + Field("exit_code", Number(name.exitCode));
  }
  return json + "}";
}

Text QuestionJson(const QuestionRecord& question) {
  return "{\"record\":\"question\"" + Field("time", JsonString(question.time)) +
         Field("title", JsonString(question.title)) + Field("text", JsonString(question.text)) +
         Field("answer", JsonString(question.answer)) + Field("why", JsonString(question.why)) +
         "}";
}

Text OutsideJson(const OutsideRecord& outside) {
  return "{\"record\":\"outside\"" + Field("time", JsonString(outside.time)) +
         Field("archive", JsonString(outside.archive)) +
         Field("changed", JsonString(outside.changed)) + "}";
}

Text SpaceJson(const SpaceRecord& space) {
  return "{\"record\":\"space\"" + Field("time", JsonString(space.time)) +
         Field("folders", StringArray(space.folders)) + Field("needed", Number(space.needed)) +
         Field("free", Number(space.free)) + "}";
}

Text EndJson(const EndRecord& end) {
  Text json = "{\"record\":\"end\"" + Field("time", JsonString(end.time)) +
              Field("exit_code", Number(end.exitCode)) + Field("line", JsonString(end.line));
  if (end.fatal != 0) json += Field("fatal_error", Number(end.fatal));
  return json + Field("delivered", Number(end.counts.delivered)) +
         Field("unchanged", Number(end.counts.unchanged)) +
         Field("skipped", Number(end.counts.skipped)) + Field("failed", Number(end.counts.failed)) +
         Field("not_placed", Number(end.counts.notPlaced)) + "}";
}

}  // namespace quelb::deploy
