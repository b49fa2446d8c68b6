#pragma once
#include <stdexcept>
#include <string>

#include "status/exit_status.h"

// Raised by a stage that meets input it cannot analyse. `what()` is the exact
// text the user must see on standard output (possibly empty, when the stage
// reported elsewhere); the program's exit point prints it and ends with
// `status`. Nothing is caught in between, so no report is touched afterwards.
class RunFailure : public std::runtime_error {
 public:
  explicit RunFailure(const std::string& message, ExitStatus status = ExitFailure)
      : std::runtime_error(message), status_(status) {}
  ExitStatus status() const { return status_; }

 private:
  ExitStatus status_;
};
