#pragma once
#include <stdexcept>
#include <string>

#include "status/exit_status.h"

// Raised by a stage that meets input it cannot analyse. `what()` is the exact
// text the user must see on standard output (possibly empty, when the stage
// reported elsewhere); the program's exit point prints it and ends with
// `status`. Nothing is caught in between, so no report is touched afterwards.
// `detail`, when not empty, is one line for standard error saying where and
// what in the input (without its line feed); standard output keeps `what()`.
class RunFailure : public std::runtime_error {
 public:
  explicit RunFailure(const std::string& message, ExitStatus status = ExitFailure)
      : std::runtime_error(message), status_(status) {}
  RunFailure(const std::string& message, std::string detail)
      : std::runtime_error(message), status_(ExitFailure), detail_(std::move(detail)) {}
  ExitStatus status() const { return status_; }
  const std::string& detail() const { return detail_; }

 private:
  ExitStatus status_;
  std::string detail_;
};
