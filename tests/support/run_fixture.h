#pragma once
#include <map>
#include <string>

// Runs the real parentsphere program in a fresh temporary folder.
struct RunResult {
  std::string stdoutText;
  std::string stderrText;
  int status = -1;
  // Every regular file in the folder after the run, by name (inputs included).
  std::map<std::string, std::string> files;
  std::string folder;  // removed when the RunResult is destroyed
  RunResult() = default;
  RunResult(const RunResult&) = delete;
  RunResult& operator=(const RunResult&) = delete;
  RunResult(RunResult&&) noexcept;
  ~RunResult();
};

// `files` are written into the folder before the run; `input` is the whole of
// standard input; `args` are appended to the command line (already quoted).
// `prepare`, when set, is a shell command run inside the folder first.
RunResult runParentsphere(const std::map<std::string, std::string>& files,
                          const std::string& input, const std::string& args = "",
                          const std::string& prepare = "");

// parents.PAR and sons.PRO of the population tools/popgen makes with
// `options` (already quoted); empty when popgen fails.
std::map<std::string, std::string> popgenTables(const std::string& options);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
