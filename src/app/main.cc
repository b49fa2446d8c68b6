#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"
#include "app/terminal_progress.h"
#include "status/exit_status.h"

int main(int argc, char** argv) {
  const CommandLine command = readCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (command.action) {
    case CommandLine::Action::Print:
      std::cout << command.text << std::flush;
      // Help or version text lost to a full disk or a closed pipe is a failure.
      return std::cout ? ExitSuccess : ExitFailure;
    case CommandLine::Action::UsageError:
      std::cerr << command.text << std::flush;
      return ExitUsage;
    case CommandLine::Action::Run:
      break;
  }
  const RunOptions& options = command.options;
  const ProgressFactory progress = [&options]() -> std::unique_ptr<RunProgress> {
    if (options.quiet) return nullptr;
    return stderrProgress({}, options.radii.empty());
  };
  return runProgram(options, std::cin, std::cout, std::cerr, progress);
}
