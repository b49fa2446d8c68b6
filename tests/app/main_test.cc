// The real program with standard error on a pseudo terminal, and on a pipe.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace {

constexpr int kSons = 3000;

// A population big enough for the analysis to report progress several times:
// 40 mothers, 40 fathers and kSons offspring over five loci, from a fixed seed.
std::map<std::string, std::string> workload() {
  unsigned state = 12345;
  const auto allele = [&state] {
    state = state * 1103515245u + 12345u;
    return std::to_string(100 + 2 * ((state >> 16) % 60));
  };
  const auto genotype = [&allele] {
    std::string row;
    for (int i = 0; i < 10; ++i) row += allele() + " ";
    return row;
  };
  std::string parents = "# mothers, then fathers\n";
  for (int i = 0; i < 80; ++i) parents += genotype() + std::to_string(i < 40 ? i + 1 : 2000 + i) + "\n";
  std::string sons = "# offspring\n";
  for (int i = 0; i < kSons; ++i) sons += genotype() + "\n";
  return {{"parents.PAR", parents}, {"sons.PRO", sons}};
}

struct TerminalRun {
  bool terminalAvailable = true;
  int status = -1;
  std::string terminal;  // every byte the program sent to the terminal
  std::string stdoutText;
  std::map<std::string, std::string> files;
};

// Runs the program in a fresh folder with standard error on a new pseudo
// terminal, standard input from `input` and standard output to a file.
// `delayMs` is the "show after" delay, given through the variable
// PARENTSPHERE_PROGRESS_DELAY_MS that exists for such tests.
TerminalRun runWithTerminalStderr(const std::map<std::string, std::string>& files,
                                  const std::string& input, const char* delayMs) {
  TerminalRun result;
  char pattern[] = "/tmp/parentsphere_tty_XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed";
    return result;
  }
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    result.terminalAvailable = false;
    if (master >= 0) close(master);
    rmdir(pattern);
    return result;
  }
  const std::string slaveName = ptsname(master);
  const std::string dir = pattern;
  for (const auto& [name, content] : files) writeFile(dir + "/" + name, content);
  writeFile(dir + "/.stdin", input);
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    const int slave = open(slaveName.c_str(), O_RDWR);
    const int in = open((dir + "/.stdin").c_str(), O_RDONLY);
    const int out = open((dir + "/.stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (slave < 0 || in < 0 || out < 0 || chdir(dir.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(slave, 2);
    close(master);
    setenv("PARENTSPHERE_PROGRESS_DELAY_MS", delayMs, 1);
    execl(PARENTSPHERE_BINARY, PARENTSPHERE_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  // Read until every copy of the terminal's other end is closed (EIO); give
  // up after half a minute so a hung program fails the test instead.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  char buffer[4096];
  for (;;) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      ADD_FAILURE() << "the program did not end within 30 s";
      break;
    }
    pollfd ready{master, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n > 0) {
      result.terminal.append(buffer, static_cast<size_t>(n));
    } else if (!(n < 0 && errno == EINTR)) {
      break;
    }
  }
  close(master);
  int raw = 0;
  waitpid(child, &raw, 0);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.stdoutText = readFile(dir + "/.stdout");
  for (const char* report : {"Parent.out", "Fam.out", "Famgenotypes.out"}) {
    result.files[report] = readFile(dir + "/" + report);
  }
  const std::string cleanup = "rm -rf '" + dir + "'";
  if (std::system(cleanup.c_str()) != 0) {
    // A scratch folder left in /tmp is harmless.
  }
  return result;
}

const char* const kPrompt = "Input the radius value (0, 2, 4, 6,8 ...): ";

#define NEED_TERMINAL(run) \
  if (!(run).terminalAvailable) GTEST_SKIP() << "this machine gives out no pseudo terminal"

TEST(ProgressOnATerminal, TheLineAppearsAndIsClearedAtTheEnd) {
  const std::map<std::string, std::string> files = workload();
  const TerminalRun run = runWithTerminalStderr(files, "0\n", "0");
  NEED_TERMINAL(run);
  const RunResult piped = runParentsphere(files, "0\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.stdoutText, std::string(kPrompt) + "\nDONE\n");
  for (const auto& [name, text] : run.files) {
    SCOPED_TRACE(name);
    ASSERT_EQ(piped.files.count(name), 1u);
    EXPECT_EQ(text, piped.files.at(name)) << "the reports must not depend on the terminal";
  }
  const std::string& screen = run.terminal;
  EXPECT_EQ(screen.rfind("\rparentsphere: analysing, offspring ", 0), 0u) << screen;
  EXPECT_NE(screen.find(" of " + std::to_string(kSons) + " ("), std::string::npos) << screen;
  EXPECT_NE(screen.find("%), elapsed 0:"), std::string::npos) << screen;
  EXPECT_EQ(screen.find('\n'), std::string::npos) << "one line, redrawn in place: " << screen;
  // The end blanks the widest line drawn and returns to the start of the line.
  const size_t lastReturn = screen.rfind('\r', screen.size() - 2);
  ASSERT_NE(lastReturn, std::string::npos);
  EXPECT_EQ(screen.back(), '\r');
  const std::string blank = screen.substr(lastReturn + 1, screen.size() - lastReturn - 2);
  EXPECT_EQ(blank.find_first_not_of(' '), std::string::npos) << screen;
  EXPECT_GE(blank.size(), std::string("parentsphere: analysing, offspring 0 of 3000 (0%), elapsed 0:00").size());
}

TEST(ProgressOnATerminal, NothingBeforeTheDelay) {
  const TerminalRun run = runWithTerminalStderr(workload(), "0\n", "60000");
  NEED_TERMINAL(run);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.stdoutText, std::string(kPrompt) + "\nDONE\n");
  EXPECT_EQ(run.terminal, "") << "a run shorter than the delay shows no line";
}

TEST(ProgressOnATerminal, ErrorsStayOnStandardOutput) {
  const TerminalRun run = runWithTerminalStderr({{"parents.PAR", "100 102 1\n"}}, "0\n", "0");
  NEED_TERMINAL(run);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.stdoutText, std::string(kPrompt) + "can not find sons.PRO input file\n");
  EXPECT_EQ(run.terminal, "");
}

TEST(ProgressOnAPipe, StandardErrorStaysEmpty) {
  const RunResult run = runParentsphere(workload(), "0\n", "", "export PARENTSPHERE_PROGRESS_DELAY_MS=0");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.stdoutText, std::string(kPrompt) + "\nDONE\n");
  EXPECT_EQ(run.stderrText, "");
}

}  // namespace
