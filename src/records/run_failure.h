#pragma once
#include <stdexcept>
#include <string>

// Raised by a stage that meets input it cannot analyse. `what()` is the exact
// text the user must see on standard output (possibly empty, when the stage
// reported elsewhere); the program's exit point prints it and ends with
// `status`. Nothing is caught in between, so no report is touched afterwards.
class RunFailure : public std::runtime_error {
 public:
  explicit RunFailure(const std::string& message, int status = 1)
      : std::runtime_error(message), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};
