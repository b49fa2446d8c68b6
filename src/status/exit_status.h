#pragma once

// The statuses the program exits with.
enum ExitStatus {
  ExitSuccess = 0,  // the reports are written ("\nDONE"), or help or version text printed
  ExitFailure = 1,  // input that cannot be analysed, a report not written, memory ran out
  ExitUsage = 2,    // a command line the program does not accept
};
