// Fuzzes the whole program, prompt to reports, on two small tables cut from the
// input:   <typed answer> '|' <parents.PAR> '|' <sons.PRO>
// A missing piece leaves that file absent. Each run happens in one temporary
// folder made once per process; the reports of the previous run are removed
// first. Checks: the status is 0 or 1; 0 comes with "\nDONE" and the three
// reports, consistent with one another; 1 comes with exactly one of the input
// messages and no report at all.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/program.h"
#include "input/line_parser.h"
#include "run_folder.h"

namespace {

using fuzzing::check;
using fuzzing::exists;
using fuzzing::readAll;

const std::string kPrompt = "Input the radius value (0, 2, 4, 6,8 ...): ";
const char* const kReports[] = {"Parent.out", "Fam.out", "Famgenotypes.out"};
const std::string kDashLine(65, '-');

// Bigger tables only make the run slower (families grow as mothers x fathers x
// offspring), not more varied; the reader itself has its own fuzz target.
constexpr size_t kMaxLinesPerTable = 40;

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
  const fuzzing::InRunFolder inRunFolder;
  const std::string_view typed = fuzzing::putTables(
      std::string_view(reinterpret_cast<const char*>(data), size), kMaxLinesPerTable);
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
