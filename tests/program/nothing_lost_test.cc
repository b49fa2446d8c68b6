// Faults met while the reports are written: whatever happens, the previous
// reports and the inputs stay byte-identical unless a report is replaced
// whole, nothing is written through a link, no temporary file is left, and
// the message and status say what happened.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "tiny_population.h"

namespace {

const std::string kBinary = PARENTSPHERE_BINARY;
const std::map<std::string, std::string> kOldReports = {
    {"Parent.out", "old parent report\n"},
    {"Fam.out", "old family list\n"},
    {"Famgenotypes.out", "old family genotypes\n"}};
const std::string kBusy =
    "parentsphere: another run is writing its reports in this folder; nothing was changed\n";

std::map<std::string, std::string> tinyFolder() {
  std::map<std::string, std::string> files = kOldReports;
  files["parents.PAR"] = tiny::kParents;
  files["sons.PRO"] = tiny::kSons;
  return files;
}

// Names starting with a dot: the program's temporaries, which must all be gone.
std::vector<std::string> hiddenFiles(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name[0] == '.' && name != "." && name != ".." && name != ".io") names.push_back(name);
    }
    closedir(dir);
  }
  return names;
}

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A population that keeps the program busy for about a second, made once.
const std::map<std::string, std::string>& slowPopulation() {
  static const std::map<std::string, std::string> files =
      popgenTables("--mothers 1999 --fathers 4000 --offspring 60000 --loci 16");
  return files;
}

// The program started in `folder` with the radius on standard input and the
// streams in .io/, as runParentsphere lays the folder out.
pid_t start(const std::string& folder, const std::string& name) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  if (chdir(folder.c_str()) != 0) _exit(126);
  const int in = open(".io/stdin", O_RDONLY);
  const int out = open((".io/" + name + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int err = open((".io/" + name + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (in < 0 || out < 0 || err < 0) _exit(126);
  // A signal the test runner ignores would stay ignored across exec.
  for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, SIG_DFL);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  execl(kBinary.c_str(), kBinary.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

// The raw wait status, or -1 when the program had to be killed after `seconds`.
int finish(pid_t pid, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status;
}

// Waits until the run has created its temporaries: it is then writing reports.
bool waitUntilWriting(const std::string& folder, pid_t pid) {
  for (int i = 0; i < 2000; ++i) {
    if (hiddenFiles(folder).size() >= 2) return true;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

void expectOldReports(const std::string& folder) {
  for (const auto& [name, text] : kOldReports) {
    EXPECT_EQ(readFile(folder + "/" + name), text) << name;
  }
  EXPECT_EQ(hiddenFiles(folder), std::vector<std::string>{});
}

// Report names that are links: each is replaced by its report, and what it
// pointed to is left as it was.
TEST(NothingLost, ALinkNamedLikeAReportIsReplacedNeverWrittenThrough) {
  const std::string outside = "/tmp/parentsphere_outside_" + std::to_string(getpid());
  writeFile(outside, "someone else's file\n");
  struct Case {
    const char* name;
    std::string prepare;
  };
  const std::vector<Case> cases = {
      {"symbolic link to the parents", "ln -sf parents.PAR Parent.out"},
      {"hard link to the offspring", "ln -f sons.PRO Fam.out"},
      {"hard link to the parents", "ln -f parents.PAR Famgenotypes.out"},
      {"planted link outside the folder", "ln -sf '" + outside + "' Famgenotypes.out"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult run = runParentsphere(tinyFolder(), tiny::kRadius, "", c.prepare);
    EXPECT_EQ(run.stdoutText, tiny::kPrompt + tiny::kDone);
    EXPECT_EQ(run.status, 0);
    for (const auto& [report, text] : tiny::kReports) {
      EXPECT_EQ(run.files.at(report), text) << report;
      EXPECT_TRUE(isRegularFile(run.folder + "/" + report)) << report;
    }
    EXPECT_EQ(run.files.at("parents.PAR"), tiny::kParents);
    EXPECT_EQ(run.files.at("sons.PRO"), tiny::kSons);
    EXPECT_EQ(readFile(outside), "someone else's file\n");
    EXPECT_EQ(hiddenFiles(run.folder), std::vector<std::string>{});
  }
  unlink(outside.c_str());
}

// A FIFO named like a report is replaced like a link; the run never waits on it.
TEST(NothingLost, AFifoNamedLikeAReportDoesNotHang) {
  const RunResult run = runParentsphere(
      tinyFolder(), tiny::kRadius, "",
      "rm Parent.out && mkfifo Parent.out && exec timeout 20 '" + kBinary +
          "' < .io/stdin > .io/stdout 2> .io/stderr");
  EXPECT_EQ(run.status, 0) << "124 means the run hung on the FIFO";
  EXPECT_EQ(run.files.at("Parent.out"), tiny::kParentReport);
}

// Temporaries of a killed run are removed by the next run in the folder; a
// file that only looks like one (not of our naming) is left alone.
TEST(NothingLost, TemporariesOfAKilledRunAreRemovedByTheNext) {
  const RunResult run = runParentsphere(
      tinyFolder(), tiny::kRadius, "",
      "echo a > .Parent.out.partial-99999 && echo b > .Fam.out.partial-4-1 && "
      "echo c > .Famgenotypes.out.partial-notes");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.files.at("Fam.out"), tiny::kFamilyReport);
  EXPECT_EQ(hiddenFiles(run.folder), std::vector<std::string>{".Famgenotypes.out.partial-notes"});
}

// A file-size limit fails the report that passes it, like a full disk: no
// SIGXFSZ death, the other reports are replaced, that one keeps its old text.
TEST(NothingLost, FileSizeLimitIsAWriteFailure) {
  const std::string examples = std::string(PARENTSPHERE_SOURCE_DIR) + "/examples/";
  std::map<std::string, std::string> files = kOldReports;
  files["parents.PAR"] = readFile(examples + "parents.PAR");
  files["sons.PRO"] = readFile(examples + "sons.PRO");
  // 12 KiB (dash counts 512-byte blocks; 24 KiB in bash): room for the parent
  // report (8.5 KiB) and the family list, not the genotypes (28 KiB).
  const RunResult run = runParentsphere(files, "2\n", "", "ulimit -f 24");
  EXPECT_EQ(run.stdoutText, tiny::kPrompt + "can not write Famgenotypes.out output file\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.files.at("Famgenotypes.out"), kOldReports.at("Famgenotypes.out"));
  files.erase("Famgenotypes.out");
  const RunResult alone = runParentsphere(files, "2\n");
  EXPECT_EQ(run.files.at("Parent.out"), alone.files.at("Parent.out"));
  EXPECT_EQ(run.files.at("Fam.out"), alone.files.at("Fam.out"));
  EXPECT_EQ(run.files.at("parents.PAR"), files.at("parents.PAR"));
  EXPECT_EQ(hiddenFiles(run.folder), std::vector<std::string>{});
}

// A full disk: a small file system mounted in a private mount namespace, just
// large enough for the inputs. The reports' size, estimated from the first
// offspring, is more than the space free: the run stops before filling the
// disk, says so on standard error, and every report keeps its old text.
TEST(NothingLost, AFullDiskStopsTheRunBeforeItIsFilled) {
  if (std::system("unshare -rm true >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "unshare cannot make a mount namespace here, so no small file system "
                    "can be mounted";
  }
  ASSERT_FALSE(slowPopulation().empty()) << "popgen could not make the population";
  std::map<std::string, std::string> files = slowPopulation();
  files.insert(kOldReports.begin(), kOldReports.end());
  const RunResult folder = runParentsphere(files, "2\n", "", "exit 0");
  const size_t inputs = files.at("parents.PAR").size() + files.at("sons.PRO").size();
  const std::string size = std::to_string(inputs / 1024 + 256) + "k";
  const std::string script =
      "cd '" + folder.folder + "' && mkdir disk after && unshare -rm sh -c '"
      "mount -t tmpfs -o size=" + size + " tmpfs disk && cp *.* disk/ && cd disk && "
      "\"$0\" < ../.io/stdin > ../.io/stdout 2> ../.io/stderr; echo $? > ../.io/status; "
      "cp -a . ../after/' '" + kBinary + "'";
  ASSERT_EQ(std::system(script.c_str()), 0);
  const std::string after = folder.folder + "/after";
  EXPECT_EQ(readFile(folder.folder + "/.io/status"), "1\n");
  EXPECT_EQ(readFile(folder.folder + "/.io/stdout"),
            tiny::kPrompt + "can not write Parent.out output file\ncan not write Fam.out output "
                            "file\ncan not write Famgenotypes.out output file\n");
  const std::string err = readFile(folder.folder + "/.io/stderr");
  EXPECT_EQ(err.rfind("parentsphere: the reports grew past ", 0), 0u) << err;
  EXPECT_NE(err.find(" free in this folder; nothing was changed: "), std::string::npos) << err;
  for (const auto& [name, text] : kOldReports) EXPECT_EQ(readFile(after + "/" + name), text) << name;
  EXPECT_EQ(readFile(after + "/sons.PRO"), files.at("sons.PRO"));
  EXPECT_EQ(hiddenFiles(after), std::vector<std::string>{});
}

TEST(NothingLost, InterruptedRunLeavesTheOldReports) {
  ASSERT_FALSE(slowPopulation().empty()) << "popgen could not make the population";
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    std::map<std::string, std::string> files = slowPopulation();
    files.insert(kOldReports.begin(), kOldReports.end());
    const RunResult folder = runParentsphere(files, "2\n", "", "exit 0");
    const pid_t pid = start(folder.folder, "run");
    ASSERT_TRUE(waitUntilWriting(folder.folder, pid)) << "the run ended before it was caught";
    kill(pid, signal);
    const int status = finish(pid, 20);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), signal);
    expectOldReports(folder.folder);
    EXPECT_EQ(readFile(folder.folder + "/sons.PRO"), files.at("sons.PRO"));
  }
}

TEST(NothingLost, ASecondRunInTheFolderStopsAtOnce) {
  ASSERT_FALSE(slowPopulation().empty()) << "popgen could not make the population";
  const RunResult folder = runParentsphere(slowPopulation(), "2\n", "", "exit 0");
  const pid_t first = start(folder.folder, "first");
  ASSERT_TRUE(waitUntilWriting(folder.folder, first)) << "the run ended before it was caught";
  // Paused while it holds the folder, so however fast it runs on this
  // machine the second run meets it there.
  kill(first, SIGSTOP);
  const int second = finish(start(folder.folder, "second"), 20);
  const bool firstStillRunning = waitpid(first, nullptr, WNOHANG) == 0;
  kill(first, SIGCONT);
  EXPECT_EQ(finish(first, 60), 0);
  ASSERT_TRUE(firstStillRunning) << "the first run ended before the second was started";
  ASSERT_TRUE(WIFEXITED(second));
  EXPECT_EQ(WEXITSTATUS(second), 1);
  EXPECT_EQ(readFile(folder.folder + "/.io/second.out"), tiny::kPrompt);
  EXPECT_EQ(readFile(folder.folder + "/.io/second.err"), kBusy);
  EXPECT_EQ(readFile(folder.folder + "/.io/first.out"), tiny::kPrompt + tiny::kDone);
  // The first run's reports, whole: the same as a run alone gives.
  const RunResult alone = runParentsphere(slowPopulation(), "2\n");
  for (const auto& [name, text] : kOldReports) {
    EXPECT_EQ(readFile(folder.folder + "/" + name), alone.files.at(name)) << name;
  }
}

// One offspring with every allele missing fits every mother x father pair:
// millions of families. Their genotype listing goes out as it is made, so the
// run fits a memory cap far below the listing's size and replaces the reports.
TEST(NothingLost, AnUntypedOffspringFitsInCappedMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the cap allows";
#endif
  ASSERT_FALSE(slowPopulation().empty()) << "popgen could not make the population";
  std::map<std::string, std::string> files = kOldReports;
  files["parents.PAR"] = slowPopulation().at("parents.PAR");
  std::string unknown;
  for (int i = 0; i < 32; ++i) unknown += "-99 ";
  files["sons.PRO"] = unknown + "\n";
  const RunResult run = runParentsphere(files, "2\n", "", "ulimit -v 400000");
  EXPECT_EQ(run.stdoutText, tiny::kPrompt + tiny::kDone);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(readFile(run.folder + "/Fam.out").rfind("1 sons with assigned family (R =2):\n", 0), 0u);
}

TEST(NothingLost, DoneThatCannotBePrintedIsAFailure) {
  const RunResult run = runParentsphere(tinyFolder(), tiny::kRadius, "",
                                        "exec '" + kBinary + "' < .io/stdin > /dev/full");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.files.at("Fam.out"), tiny::kFamilyReport);
}

}  // namespace

namespace {

// Another run holding a folder this run writes into (the reports', the
// table's or a marker output's; flock stands in for it) stops the run before
// anything is written, whichever output the folder is for.
TEST(NothingLost, AFolderAnotherRunHoldsStopsTheRunAtOnce) {
  const struct {
    const char* held;
    std::string args;
    std::string message;
  } cases[] = {
      {".", "-q -r 2 -o out --table t.tsv", "another run is writing in this folder"},
      {"out", "-q -r 2 --table out/t.tsv", "another run is writing in out"},
      {"out", "-q -r 2 --markers out/m.tsv", "another run is writing in out"},
      {"out", "-q -r 2 --summary out/s.html", "another run is writing in out"},
      {"out/sweep/radius-4", "-q -r 2,4 -o out/sweep",
       "another run is writing its reports in out/sweep/radius-4"},
      {".", "-q -r 2", "another run is writing its reports in this folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string prepare =
        "mkdir -p out/sweep/radius-4 && exec flock -o " + std::string(c.held) + " '" + kBinary +
        "' " + c.args + " < .io/stdin > .io/stdout 2> .io/stderr";
    std::map<std::string, std::string> files = tinyFolder();
    const RunResult run = runParentsphere(files, "", "", prepare);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.stdoutText, "");
    EXPECT_EQ(run.stderrText, "parentsphere: " + c.message + "; nothing was changed\n");
    EXPECT_EQ(run.files, files);
    EXPECT_EQ(hiddenFiles(run.folder), std::vector<std::string>{});
  }
}

}  // namespace
