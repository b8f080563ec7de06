#include "deploy/options.h"

#include <charconv>

#include "engine/engine.h"

namespace quelb::deploy {
namespace {

// The options that take the next argument as their value.
struct ValueOption {
  const char* name;
  Text Options::*text;
  int Options::*number;
};

constexpr ValueOption kValueOptions[] = {
    {"--target", &Options::target, nullptr},
    {"--app", &Options::app, nullptr},
    {"--download", &Options::download, nullptr},
    {"--wait", nullptr, &Options::waitSeconds},
    {"--retries", nullptr, &Options::retries},
    {"--archive-timeout", nullptr, &Options::archiveTimeoutSeconds},
    {"--log", &Options::logFile, nullptr},
};

struct FlagOption {
  const char* name;
  bool Options::*flag;
};

constexpr FlagOption kFlagOptions[] = {
    {"--keep-going", &Options::keepGoing},
    {"--all", &Options::all},
    {"--check", &Options::check},
    {"--start-cm", &Options::startControlModule},
    {"--recover", &Options::recover},
    {"--undo", &Options::undo},
    {"--json", &Options::json},
    {"--help", &Options::help},
    {"--version", &Options::version},
};

bool ReadNumber(const Text& text, int& number) {
  const char* end = text.data() + text.size();
  const auto [stop, fault] = std::from_chars(text.data(), end, number);
  return fault == std::errc() && stop == end && number >= 0;
}

Text ReadValue(const ValueOption& option, const Text& value, Options& options) {
  if (option.text != nullptr) {
    if (value.empty()) return Text(option.name) + " needs a value";
    options.*option.text = value;
    return {};
  }
  if (!ReadNumber(value, options.*option.number)) {
    return Text(option.name) + " needs a number of 0 or more, not \"" + value + "\"";
  }
  return {};
}

// Reads the option at index, advancing it past a value; an empty text when it was known.
Text ReadOption(const std::vector<Text>& arguments, size_t& index, Options& options) {
  const Text& argument = arguments[index];
  if (argument == "--source") {
    if (++index == arguments.size() || arguments[index].empty()) return "--source needs a value";
    options.sources.push_back(arguments[index]);
    return {};
  }
  for (const ValueOption& option : kValueOptions) {
    if (argument != option.name) continue;
    if (++index == arguments.size()) return argument + " needs a value";
    return ReadValue(option, arguments[index], options);
  }
  for (const FlagOption& option : kFlagOptions) {
    if (argument != option.name) continue;
    options.*option.flag = true;
    return {};
  }
  return "unknown argument \"" + argument + "\"";
}

}  // namespace

Text ReadOptions(const std::vector<Text>& arguments, Options& options) {
  options.download = kDownloadFolder;
  for (size_t index = 0; index < arguments.size(); ++index) {
    if (Text fault = ReadOption(arguments, index, options); !fault.empty()) return fault;
  }
  if (options.help || options.version) return {};
  if (options.recover && options.undo) return "--recover and --undo are two runs";
  if ((options.recover || options.undo) && !options.sources.empty()) {
    return Text(options.recover ? "--recover" : "--undo") + " takes no --source";
  }
  if (!options.recover && !options.undo && options.sources.empty()) return "no --source given";
  if (options.target.empty()) return "no --target given";
  return {};
}

Text UsageText() {
  return "usage: quelb-deploy --source PATH [--source PATH ...] --target PATH [--app NAME]\n"
         "                    [--download PATH] [--wait SECONDS] [--retries N] [--keep-going]\n"
         "                    [--all] [--start-cm] [--log FILE] [--json]\n"
         "                    [--archive-timeout SECONDS]\n"
         "       quelb-deploy --check --source PATH [--source PATH ...] --target PATH\n"
         "                    [--download PATH]\n"
         "       quelb-deploy --recover --target PATH [--download PATH] [--wait SECONDS]\n"
         "       quelb-deploy --undo --target PATH [--download PATH] [--wait SECONDS]\n"
         "       quelb-deploy --help | --version\n"
         "\n"
         "Delivers each source to the target as an update run of setup does, in turn, and\n"
         "decides every question itself. Each deploy puts the whole release in place or, after\n"
         "a failure, none of it. --recover only finishes a deploy that was ended half-way (as\n"
         "every deploy does first); --undo puts back the files the last release replaced.\n"
         "A name whose delivery would change nothing is left as it is, unless --all is given;\n"
         "the receipt .quelb-deploy\\release.json in the target records what each name\n"
         "became. --check changes nothing and takes no lock: it writes \"current\" when nothing\n"
         "would be delivered, else the names that would be.\n"
         "Each deploy writes its log in .quelb-deploy\\logs\\ inside the target, where the\n"
         "newest 20 are kept; --log FILE writes the same lines to FILE as well, added to its\n"
         "end when it is there. --json writes one JSON object a line on standard output:\n"
         "start, each name, each question, and end with the exit code.\n"
         "\n"
         "An archive still running after --archive-timeout seconds (default 1800; 0 for no\n"
         "limit) is ended and counts as a file that could not be delivered.\n"
         "\n"
         "exit codes:\n"
         "  0  every file delivered and on the disk, or nothing to do; --check: current\n"
         "  1  --check: not current\n"
         "  2  bad command line\n"
         "  3  a source could not be read within --wait\n"
         "  4  the target or download folder cannot be used\n"
         "  5  programs of the suite still in use after --wait\n"
         "  6  a file could not be delivered\n"
         "  7  disk full\n"
#ifdef _WIN32
         "  1618  another run holds the target or download folder after --wait\n"
         "  1603  any other failure\n";
#else
         "  8  another run holds the target or download folder after --wait\n"
         "  9  any other failure\n";
#endif
}

}  // namespace quelb::deploy
