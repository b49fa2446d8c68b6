// Fuzzes the whole program, prompt to reports, on two small tables cut from the
// input:   <typed answer> '|' <parents.PAR> '|' <sons.PRO>
// A missing piece leaves that file absent. Each run happens in one temporary
// folder made once per process; the reports of the previous run are removed
// first. Checks: the status is 0 or 1; 0 comes with "\nDONE" and the three
// reports, consistent with one another; 1 comes with exactly one of the input
// messages and no report at all.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/program.h"
#include "input/line_parser.h"

namespace {

const std::string kPrompt = "Input the radius value (0, 2, 4, 6,8 ...): ";
const char* const kReports[] = {"Parent.out", "Fam.out", "Famgenotypes.out"};
const std::string kDashLine(65, '-');

// Bigger tables only make the run slower (families grow as mothers x fathers x
// offspring), not more varied; the reader itself has its own fuzz target.
constexpr size_t kMaxLinesPerTable = 40;

void check(bool ok, const char* broken) {
  if (ok) return;
  std::fprintf(stderr, "analysis fuzz: %s\n", broken);
  std::abort();
}

std::string folder;

void removeFolder() {
  for (const char* name : {"parents.PAR", "sons.PRO", "Parent.out", "Fam.out", "Famgenotypes.out",
                           "ErrLog.txt"}) {
    std::remove((folder + "/" + name).c_str());
  }
  rmdir(folder.c_str());
}

// Enters the run folder, making it on the first call. libFuzzer itself works
// with paths relative to where it was started, so every run leaves it again.
void enterFolder() {
  if (folder.empty()) {
    // In memory when the system offers it: every run creates and removes files.
    char inMemory[] = "/dev/shm/parentsphere_fuzz_XXXXXX";
    char onDisk[] = "/tmp/parentsphere_fuzz_XXXXXX";
    const char* made = mkdtemp(inMemory);
    if (made == nullptr) made = mkdtemp(onDisk);
    check(made != nullptr, "cannot make the temporary folder");
    folder = made;
    std::atexit(removeFolder);
  }
  check(chdir(folder.c_str()) == 0, "cannot enter the temporary folder");
}

struct LeaveFolder {
  std::string back;
  LeaveFolder() {
    char here[4096];
    check(getcwd(here, sizeof here) != nullptr, "cannot read the working folder");
    back = here;
    enterFolder();
  }
  ~LeaveFolder() { check(chdir(back.c_str()) == 0, "cannot return to the working folder"); }
};

bool exists(const char* name) {
  struct stat info {};
  return stat(name, &info) == 0;
}

std::string readAll(const char* name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string firstLines(std::string_view text, size_t count) {
  size_t end = 0;
  for (size_t n = 0; n < count && end < text.size(); ++n) {
    const size_t next = text.find('\n', end);
    end = next == std::string_view::npos ? text.size() : next + 1;
  }
  return std::string(text.substr(0, end));
}

void putInput(const char* name, bool present, std::string_view text) {
  std::remove(name);
  if (!present) return;
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  const std::string kept = firstLines(text, kMaxLinesPerTable);
  out.write(kept.data(), static_cast<std::streamsize>(kept.size()));
  check(static_cast<bool>(out.flush()), "cannot write an input file");
}

size_t countPrefix(const std::string& text, const std::string& prefix) {
  size_t count = 0;
  for (size_t at = 0; at < text.size();) {
    if (text.compare(at, prefix.size(), prefix) == 0) ++count;
    const size_t next = text.find('\n', at);
    if (next == std::string::npos) break;
    at = next + 1;
  }
  return count;
}

// The three reports of a complete run agree with one another and with the
// radius typed.
void checkReports(int radius) {
  const std::string parent = readAll("Parent.out");
  const std::string header = "\nSONS\t\tMOTHERS\t\t\t\tFATHERS\t\n" + kDashLine + "\n";
  const std::string start = "Radius = " + std::to_string(radius) + "\n" + header;
  check(parent.compare(0, start.size(), start) == 0,
        "Parent.out does not start with the radius and the header");

  const std::string fam = readAll("Fam.out");
  const std::string genotypes = readAll("Famgenotypes.out");
  const std::string famHeader = "\nSON\t\tMOTHER\tFATHER\n" + kDashLine + "\n";
  const size_t firstEnd = fam.find('\n');
  check(firstEnd != std::string::npos, "Fam.out has no first line");
  check(fam.compare(firstEnd + 1, famHeader.size(), famHeader) == 0, "Fam.out lacks its header");
  const std::string body = fam.substr(firstEnd + 1 + famHeader.size());
  // One family line per Mother/Father pair in the genotype listing, and one
  // OFFSPRING block per son group.
  size_t familyLines = 0;
  size_t groups = 0;
  std::set<std::string> sonsWithFamily;
  for (size_t at = 0; at < body.size();) {
    size_t end = body.find('\n', at);
    check(end != std::string::npos, "Fam.out does not end with a line feed");
    const std::string line = body.substr(at, end - at);
    at = end + 1;
    if (line.empty()) continue;
    ++familyLines;
    if (line[0] >= '0' && line[0] <= '9') {
      ++groups;
      sonsWithFamily.insert(line.substr(0, line.find_first_not_of("0123456789")));
    }
  }
  check(countPrefix(genotypes, "Mother ") == familyLines, "Famgenotypes.out has other mothers");
  check(countPrefix(genotypes, "Father ") == familyLines, "Famgenotypes.out has other fathers");
  check(countPrefix(genotypes, "OFFSPRING ") == groups, "Famgenotypes.out has other groups");
  const std::string firstLine = fam.substr(0, firstEnd);
  if (familyLines == 0) {
    check(firstLine == "0 No sons with assigned family!", "an empty family list is announced");
  } else {
    const std::string expected = std::to_string(sonsWithFamily.size()) +
                                 " sons with assigned family (R =" + std::to_string(radius) + "):";
    check(firstLine == expected, "Fam.out's first line miscounts the sons with families");
  }
  check(genotypes.find('\r') == std::string::npos && fam.find('\r') == std::string::npos &&
            parent.find('\r') == std::string::npos,
        "a report holds a carriage return");
}

bool isInputMessage(const std::string& message) {
  static const std::set<std::string> messages = {
      "can not find parents.PAR input file\n",
      "can not find sons.PRO input file\n",
      kConversionMessage,
      "EMPTY PARENTS FILE\n",
      "EMPTY SONS FILE\n",
      "WRONG NUMBER OF COLUMNS IN SONS FILE\n",
      "WRONG NUMBER OF COLUMNS IN PARENTS FILE\n",
  };
  return messages.count(message) == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const LeaveFolder inRunFolder;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t firstBar = input.find('|');
  const size_t secondBar =
      firstBar == std::string_view::npos ? std::string_view::npos : input.find('|', firstBar + 1);
  const std::string_view typed = input.substr(0, firstBar);
  const bool haveParents = firstBar != std::string_view::npos;
  const bool haveSons = secondBar != std::string_view::npos;
  putInput("parents.PAR", haveParents,
           haveParents ? input.substr(firstBar + 1, secondBar - firstBar - 1) : "");
  putInput("sons.PRO", haveSons, haveSons ? input.substr(secondBar + 1) : "");
  for (const char* report : kReports) std::remove(report);
  std::remove("ErrLog.txt");

  std::istringstream in{std::string(typed)};
  std::ostringstream out;
  std::ostringstream err;  // located errors and data warnings
  const int status = runProgram(RunOptions{}, in, out, err);

  const std::string shown = out.str();
  check(shown.compare(0, kPrompt.size(), kPrompt) == 0, "the prompt is not shown first");
  const std::string after = shown.substr(kPrompt.size());
  check(!exists("ErrLog.txt"), "ErrLog.txt was written");
  if (status == 0) {
    check(after == "\nDONE\n", "a complete run does not end with DONE alone");
    for (const char* report : kReports) check(exists(report), "a complete run lacks a report");
    std::istringstream again{std::string(typed)};
    int radius = 0;
    again >> radius;
    checkReports(radius);
  } else {
    check(status == 1, "the status is neither 0 nor 1");
    check(isInputMessage(after), "a failed run shows no known input message");
    for (const char* report : kReports) check(!exists(report), "a failed run wrote a report");
  }
  return 0;
}
