#pragma once
#include <string>
#include <vector>

// What the command line asks for. No argument: the interactive run. Exactly
// one of "--help" or "--version": text for standard output, exit status 0.
// Anything else: one line for standard error, exit status 2. No file is read
// or written in the last two cases.
struct CommandLine {
  enum class Action { Run, Print, UsageError };
  Action action = Action::Run;
  std::string text;  // what to print, ending with a line feed; empty for Run
};

// `args` are the arguments after the program name.
CommandLine readCommandLine(const std::vector<std::string>& args);

// "parentsphere " and the version, then a line feed.
std::string versionText();

// The usage: what is read and written, the prompt, the radius, the exit
// statuses and where the manual is.
std::string helpText();
