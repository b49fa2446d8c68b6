#pragma once
#include <string>
#include <vector>

#include "app/run_options.h"

// What the command line asks for. Run: analyse as `options` say (no argument:
// the interactive run). "-h", "--help" or "--version" (with other arguments
// that are not wrong values): text for standard output, exit status 0. An unknown argument, a missing or
// wrong value: one line for standard error, exit status 2. No file is read or
// written in the last two cases.
struct CommandLine {
  enum class Action { Run, Print, UsageError };
  Action action = Action::Run;
  std::string text;  // what to print, ending with a line feed; empty for Run
  RunOptions options;
};

// `args` are the arguments after the program name. Every option is parsed
// here, in one place; each group of options is added by its own function in
// command_line.cc and fills its own members of RunOptions.
CommandLine readCommandLine(const std::vector<std::string>& args);

// "parentsphere " and the version, then a line feed.
std::string versionText();

// The usage: what is read and written, the prompt, the radius, every option,
// the exit statuses and where the manual is.
std::string helpText();

// The radii of "-r 4" or "-r 2,4,6": whole numbers from 0 to 2147483647, each
// given once. Returns an empty list and sets `error` (naming the value) for
// anything else.
std::vector<int> parseRadii(const std::string& text, std::string& error);
