// runstat: runs one program the way the benchmarks need it timed, without the
// process starts of shell wrappers in the figure.
//
//   runstat SECONDS MEMORY_KIB INPUT_FILE PROGRAM [ARGS...]
//
// Runs PROGRAM with INPUT_FILE on standard input and an address-space cap of
// MEMORY_KIB, kills it after SECONDS, and prints one line on standard error:
//   wall=<seconds> rss_kib=<peak resident set> status=<exit status, or
//   "timeout", or "signal N">
// Its own exit status is the program's (124 on a timeout, 128+N on signal N).
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

double now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

volatile sig_atomic_t timedOut = 0;
void onAlarm(int) { timedOut = 1; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: runstat SECONDS MEMORY_KIB INPUT_FILE PROGRAM [ARGS...]\n");
    return 2;
  }
  const unsigned seconds = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
  const rlim_t memoryBytes = static_cast<rlim_t>(std::strtoull(argv[2], nullptr, 10)) * 1024;
  const int input = open(argv[3], O_RDONLY);
  if (input < 0) {
    std::perror(argv[3]);
    return 2;
  }
  const double start = now();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    return 2;
  }
  if (child == 0) {
    const rlimit cap{memoryBytes, memoryBytes};
    setrlimit(RLIMIT_AS, &cap);
    dup2(input, STDIN_FILENO);
    execvp(argv[4], argv + 4);
    std::perror(argv[4]);
    _exit(127);
  }
  struct sigaction action {};
  action.sa_handler = onAlarm;
  sigaction(SIGALRM, &action, nullptr);
  alarm(seconds);
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (timedOut) kill(child, SIGKILL);
  }
  const double wall = now() - start;
  int exitStatus = 0;
  if (timedOut) {
    std::fprintf(stderr, "wall=%.4f rss_kib=%ld status=timeout\n", wall, usage.ru_maxrss);
    exitStatus = 124;
  } else if (WIFSIGNALED(status)) {
    std::fprintf(stderr, "wall=%.4f rss_kib=%ld status=signal %d\n", wall, usage.ru_maxrss,
                 WTERMSIG(status));
    exitStatus = 128 + WTERMSIG(status);
  } else {
    exitStatus = WEXITSTATUS(status);
    std::fprintf(stderr, "wall=%.4f rss_kib=%ld status=%d\n", wall, usage.ru_maxrss, exitStatus);
  }
  return exitStatus;
}
