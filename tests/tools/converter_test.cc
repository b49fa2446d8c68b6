// scripts/csv2parentsphere.py: a spreadsheet saved as CSV becomes the two
// tables and the name map, and the tables run through the real program.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace {

const std::string kSource = PARENTSPHERE_SOURCE_DIR;
const std::string kScript = kSource + "/scripts/csv2parentsphere.py";

// The first python3 interpreter on the PATH. Wrapper scripts of version
// managers (which can take a second to start, once per conversion) are passed
// over for a real interpreter; without one, a wrapper is used as it is.
const std::string& python() {
  static const std::string path = [] {
    std::string wrapper;
    std::istringstream dirs(std::getenv("PATH") == nullptr ? "" : std::getenv("PATH"));
    for (std::string dir; std::getline(dirs, dir, ':');) {
      const std::string candidate = (dir.empty() ? "." : dir) + "/python3";
      if (access(candidate.c_str(), X_OK) != 0) continue;
      char magic[4] = {};
      std::ifstream(candidate, std::ios::binary).read(magic, sizeof magic);
      if (std::string(magic, sizeof magic) == "\x7f" "ELF") return candidate;
      if (wrapper.empty()) wrapper = candidate;
    }
    return wrapper;
  }();
  return path;
}

#define NEED_PYTHON() \
  if (python().empty()) GTEST_SKIP() << "python3 is not installed, so the converter was not run"

struct Conversion {
  int status = -1;
  std::string out;
  std::string err;
  std::map<std::string, std::string> files;  // what the folder holds afterwards
};

// Runs the converter in a fresh folder holding `files`, with `args` (shell
// text) after the script's name; `prepare`, when set, is a shell command run
// in the folder first.
Conversion convert(const std::map<std::string, std::string>& files, const std::string& args,
                   const std::string& prepare = "") {
  Conversion result;
  char pattern[] = "/tmp/parentsphere_csv_XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed";
    return result;
  }
  const std::string dir = pattern;
  for (const auto& [name, content] : files) writeFile(dir + "/" + name, content);
  const std::string command = "cd '" + dir + "' && " + (prepare.empty() ? "" : prepare + " && ") + "'" + python() + "' '" + kScript + "' " + args + " > '" +
                              dir + ".out' 2> '" + dir + ".err'";
  const int raw = std::system(command.c_str());
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = readFile(dir + ".out");
  result.err = readFile(dir + ".err");
  if (DIR* folder = opendir(dir.c_str())) {
    while (dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      struct stat info {};
      if (stat((dir + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        result.files[name] = readFile(dir + "/" + name);
      }
    }
    closedir(folder);
  }
  const std::string cleanup = "rm -rf '" + dir + "' '" + dir + ".out' '" + dir + ".err'";
  if (std::system(cleanup.c_str()) != 0) {
    // Scratch files left in /tmp are harmless.
  }
  return result;
}

const char* const kHeader = "individual,sex,LocA_1,LocA_2,LocB_1,LocB_2\n";

TEST(Converter, ExampleSheetBecomesTheTwoTablesAndTheNameMap) {
  NEED_PYTHON();
  const std::string sheet = readFile(kSource + "/docs/example-sheet.csv");
  const Conversion run = convert({{"sheet.csv", sheet}}, "sheet.csv");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err,
            "csv2parentsphere: note: cells of sheet.csv separated by commas (--delimiter sets another)\n"
            "csv2parentsphere: note: taken as missing: 1 '0', 1 'NA', 1 empty cell\n");
  EXPECT_EQ(run.out,
            "2 mothers (1-2), 3 fathers (2000-2002), 5 offspring (1-5), 3 loci: "
            "wrote parents.PAR, sons.PRO, names.tsv in .\n");
  // Mothers first from 1, then fathers from 2000, each in sheet order; the
  // locus names from the header come first, in a line the program skips.
  EXPECT_EQ(run.files.at("parents.PAR"),
            "# loci\tLocA\tLocB\tLocC\n"
            "# parents.PAR from sheet.csv by csv2parentsphere: 2 mothers numbered from 1, then 3 "
            "fathers numbered from 2000; names in names.tsv\n"
            "# LocA_1 LocA_2 LocB_1 LocB_2 LocC_1 LocC_2 identifier\n"
            "150 154 200 204 98 102 1\n"
            "156 160 206 210 104 106 2\n"
            "162 164 212 214 100 108 2000\n"
            "150 166 202 216 98 110 2001\n"
            "158 168 208 218 102 104 2002\n");
  // 0, NA and an empty cell are all missing alleles.
  EXPECT_EQ(run.files.at("sons.PRO"),
            "# loci\tLocA\tLocB\tLocC\n"
            "# sons.PRO from sheet.csv by csv2parentsphere: 5 offspring, numbered 1, 2, 3 ... in "
            "this order; names in names.tsv\n"
            "# LocA_1 LocA_2 LocB_1 LocB_2 LocC_1 LocC_2\n"
            "150 162 200 212 98 100\n"
            "156 168 208 210 102 104\n"
            "154 166 -99 216 102 110\n"
            "170 172 220 -99 112 -99\n"
            "160 164 206 214 106 110\n");
  EXPECT_EQ(run.files.at("names.tsv"),
            "number\trole\tname\n"
            "1\tmother\tAna\n"
            "2\tmother\tBea\n"
            "2000\tfather\tCarl\n"
            "2001\tfather\tDan\n"
            "2002\tfather\tEli\n"
            "1\toffspring\tJ01\n"
            "2\toffspring\tJ02\n"
            "3\toffspring\tJ03\n"
            "4\toffspring\tJ04\n"
            "5\toffspring\tJ05\n");
}

// The families of Fam.out, each as "offspring mother father" by name.
std::vector<std::string> familiesByName(const std::string& famOut, const std::string& namesTsv) {
  std::map<std::string, std::string> names;  // "role number" -> name
  std::istringstream map(namesTsv);
  std::string line;
  std::getline(map, line);
  while (std::getline(map, line)) {
    std::istringstream fields(line);
    std::string number, role, name;
    std::getline(fields, number, '\t');
    std::getline(fields, role, '\t');
    std::getline(fields, name);
    names[role + " " + number] = name;
  }
  std::vector<std::string> families;
  std::istringstream report(famOut);
  std::string son;
  for (int skip = 0; skip < 4 && std::getline(report, line); ++skip) {
  }
  while (std::getline(report, line)) {
    if (line.empty()) continue;
    std::istringstream fields(line);
    std::string first, mother, empty, father;
    std::getline(fields, first, '\t');
    std::getline(fields, empty, '\t');
    std::getline(fields, mother, '\t');
    std::getline(fields, empty, '\t');
    std::getline(fields, father, '\t');
    if (!first.empty() && first.back() == '*') first.pop_back();
    if (!first.empty()) son = first;
    families.push_back(names["offspring " + son] + " " + names["mother " + mother] + " " +
                       names["father " + father]);
  }
  return families;
}

TEST(Converter, ConvertedTablesFindTheTrueParents) {
  NEED_PYTHON();
  const Conversion converted =
      convert({{"sheet.csv", readFile(kSource + "/docs/example-sheet.csv")}}, "sheet.csv");
  ASSERT_EQ(converted.status, 0) << converted.err;
  const std::map<std::string, std::string> tables = {
      {"parents.PAR", converted.files.at("parents.PAR")}, {"sons.PRO", converted.files.at("sons.PRO")}};
  const std::string dash(65, '-');
  // J05 carries a 2 bp scoring error at LocC: radius 0 misses its parents.
  const RunResult exact = runParentsphere(tables, "0\n");
  ASSERT_EQ(exact.status, 0);
  EXPECT_EQ(familiesByName(exact.files.at("Fam.out"), converted.files.at("names.tsv")),
            (std::vector<std::string>{"J01 Ana Carl", "J02 Bea Eli", "J03 Ana Dan"}));
  const RunResult run = runParentsphere(tables, "2\n");
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.stdoutText, "Input the radius value (0, 2, 4, 6,8 ...): \nDONE\n");
  EXPECT_EQ(run.files.at("Fam.out"),
            "4 sons with assigned family (R =2):\n\nSON\t\tMOTHER\tFATHER\n" + dash +
                "\n1\t\t1\t\t2000\n\n2\t\t2\t\t2002\n\n3*\t\t1\t\t2001\n\n5\t\t2\t\t2000\n");
  EXPECT_EQ(familiesByName(run.files.at("Fam.out"), converted.files.at("names.tsv")),
            (std::vector<std::string>{"J01 Ana Carl", "J02 Bea Eli", "J03 Ana Dan", "J05 Bea Carl"}));
}

// The guide shows the converter's summary and the example's Fam.out; both
// must be what the tools really print.
TEST(Converter, GuideShowsWhatTheToolsPrint) {
  NEED_PYTHON();
  const Conversion converted =
      convert({{"sheet.csv", readFile(kSource + "/docs/example-sheet.csv")}}, "sheet.csv");
  ASSERT_EQ(converted.status, 0) << converted.err;
  const RunResult run = runParentsphere(
      {{"parents.PAR", converted.files.at("parents.PAR")}, {"sons.PRO", converted.files.at("sons.PRO")}},
      "2\n");
  const std::string guide = readFile(kSource + "/docs/preparing-input.md");
  std::istringstream shown(converted.out + converted.err + run.files.at("Fam.out"));
  for (std::string line; std::getline(shown, line);) {
    if (line.empty()) continue;
    EXPECT_NE(guide.find("\n    " + line + "\n"), std::string::npos) << "not in the guide: " << line;
  }
}

TEST(Converter, MissingCellsAndSexWords) {
  NEED_PYTHON();
  const std::string sheet = std::string(kHeader) +
                            "m1,female,0,NA,n/a,\n"
                            "f1,Male,-99,100,102,+104\n"
                            "s1,offspring,100.0,100,102,104\n"
                            "m2,f,100,102,104,106\n";
  const Conversion run = convert({{"s.csv", sheet}}, "s.csv");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.files.at("parents.PAR").find("\n-99 -99 -99 -99 1\n100 102 104 106 2\n-99 100 102 104 2000\n"),
            std::string::npos)
      << run.files.at("parents.PAR");
  EXPECT_NE(run.files.at("sons.PRO").find("\n100 100 102 104\n"), std::string::npos);
}

TEST(Converter, SemicolonsByteOrderMarkAndWindowsLineEnds) {
  NEED_PYTHON();
  const std::string sheet =
      "\xEF\xBB\xBFname;Sex;a1;a2\r\n"
      "Ma;F;120;122\r\n"
      "Pa;M;124;126\r\n"
      "Jo;O;120;126\r\n";
  const Conversion run = convert({{"s.csv", sheet}}, "s.csv");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.files.at("names.tsv"), "number\trole\tname\n1\tmother\tMa\n2000\tfather\tPa\n1\toffspring\tJo\n");
  EXPECT_EQ(run.files.at("sons.PRO").find('\r'), std::string::npos);
  const RunResult program = runParentsphere(
      {{"parents.PAR", run.files.at("parents.PAR")}, {"sons.PRO", run.files.at("sons.PRO")}}, "0\n");
  EXPECT_EQ(program.status, 0);
  EXPECT_EQ(program.files.at("Fam.out").substr(0, 36), "1 sons with assigned family (R =0):\n");
}

TEST(Converter, ChosenColumnsAndIgnoredOnes) {
  NEED_PYTHON();
  const std::string sheet =
      "tank,sex,id,a1,a2,notes\n"
      "T1,F,Ma,120,122,first\n"
      "T1,M,Pa,124,126,\n"
      "T2,O,Jo,120,126,late\n";
  const Conversion run = convert({{"s.csv", sheet}}, "s.csv --name id --ignore tank --ignore notes");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.files.at("names.tsv"), "number\trole\tname\n1\tmother\tMa\n2000\tfather\tPa\n1\toffspring\tJo\n");
  EXPECT_NE(run.files.at("parents.PAR").find("\n120 122 1\n124 126 2000\n"), std::string::npos);
}

// Every bad sheet: a message naming the line and the problem, status 1 (2 for
// a sheet whose columns cannot be understood), and no file written.
TEST(Converter, BadSheetsWriteNothing) {
  NEED_PYTHON();
  struct Row {
    const char* what;
    std::string body;
    int status;
    std::string message;
  };
  const Row rows[] = {
      {"text allele", "a,F,100,abc,104,106\nb,O,100,102,104,106\n", 1,
       "s.csv line 2: 'abc' in column LocA_2 of a is not an allele"},
      {"negative allele", "a,F,100,-4,104,106\nb,O,100,102,104,106\n", 1,
       "s.csv line 2: '-4' in column LocA_2 of a is not an allele"},
      {"fractional allele", "a,F,100,101.5,104,106\nb,O,100,102,104,106\n", 1,
       "s.csv line 2: '101.5' in column LocA_2 of a is not an allele"},
      {"allele beyond 32 bits", "a,F,100,4294967396,104,106\nb,O,100,102,104,106\n", 1,
       "s.csv line 2: '4294967396' in column LocA_2 of a is not an allele"},
      {"unknown sex", "a,U,100,102,104,106\nb,O,100,102,104,106\n", 1,
       "s.csv line 2: sex 'U' of a is none of F (mother), M (father), O (offspring)"},
      {"duplicate name", "a,F,100,102,104,106\na,O,100,102,104,106\n", 1,
       "s.csv line 3: the name 'a' is already used on line 2"},
      {"empty name", " ,F,100,102,104,106\nb,O,100,102,104,106\n", 1, "s.csv line 2: no name"},
      {"short row", "a,F,100,102,104\nb,O,100,102,104,106\n", 1, "s.csv line 2: 5 cells, but the header has 6"},
      {"long row", "a,F,100,102,104,106,108\nb,O,100,102,104,106\n", 1,
       "s.csv line 2: 7 cells, but the header has 6"},
      {"no offspring", "a,F,100,102,104,106\n", 1, "s.csv: no offspring (sex O)"},
      {"no parents", "b,O,100,102,104,106\n", 1, "s.csv: no candidate parents (sex F or M)"},
      {"hermaphrodite without the mode", "a,H,100,102,104,106\nb,O,100,102,104,106\n", 1,
       "s.csv line 2: sex 'H' of a is a hermaphrodite: give --hermaphrodites"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Conversion run = convert({{"s.csv", kHeader + row.body}}, "s.csv");
    EXPECT_EQ(run.status, row.status);
    EXPECT_NE(run.err.find("csv2parentsphere: " + row.message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("csv2parentsphere: nothing written: "), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.files.size(), 1u) << "only the sheet may be in the folder";
  }
}

TEST(Converter, EveryProblemIsListedAtOnce) {
  NEED_PYTHON();
  const Conversion run = convert(
      {{"s.csv", std::string(kHeader) + "a,F,x,102,104,106\nb,Q,100,102,104,106\nc,O,100,102,104,y\n"}},
      "s.csv");
  EXPECT_EQ(run.status, 1);
  for (const char* line : {"line 2:", "line 3:", "line 4:", "nothing written: 3 problems to fix in s.csv"}) {
    EXPECT_NE(run.err.find(line), std::string::npos) << line << "\n" << run.err;
  }
}

TEST(Converter, SheetsItCannotReadAreUsageErrors) {
  NEED_PYTHON();
  struct Row {
    const char* what;
    std::string sheet;
    std::string args;
    std::string message;
  };
  const Row rows[] = {
      {"odd allele columns", "name,sex,a1,a2,a3\nx,F,1,2,3\n", "s.csv",
       "3 allele columns (a1, a2, a3): there must be two per locus"},
      {"no sex column", "name,a1,a2\nx,1,2\n", "s.csv", "no sex column named 'sex' in the header: name, a1, a2"},
      {"unknown ignored column", std::string(kHeader), "s.csv --ignore tank",
       "no ignored column named 'tank' in the header"},
      {"missing output folder", std::string(kHeader), "s.csv --output nowhere",
       "the output folder nowhere does not exist"},
      {"a column number that is no number", std::string(kHeader), "s.csv --id-column x",
       "--id-column takes a column number from 1, not 'x'"},
      {"a title without a header row", std::string(kHeader), "s.csv --no-header --name id",
       "s.csv has no header row (--no-header): give the name column by number with --id-column"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Conversion run = convert({{"s.csv", row.sheet}}, row.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("csv2parentsphere: " + row.message), std::string::npos) << run.err;
    EXPECT_EQ(run.files.size(), 1u);
  }
}

TEST(Converter, KeepsExistingTablesUnlessForced) {
  NEED_PYTHON();
  const std::string sheet = std::string(kHeader) + "a,F,100,102,104,106\nb,O,100,102,104,106\n";
  const std::map<std::string, std::string> folder = {{"s.csv", sheet}, {"sons.PRO", "hand-made\n"}};
  const Conversion kept = convert(folder, "s.csv");
  EXPECT_EQ(kept.status, 2);
  EXPECT_NE(kept.err.find("sons.PRO already in .; use --force to replace"), std::string::npos) << kept.err;
  EXPECT_EQ(kept.files, folder);
  const Conversion forced = convert(folder, "s.csv --force");
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(forced.files.at("sons.PRO").find("hand-made"), std::string::npos);
  EXPECT_EQ(forced.files.size(), 4u);
}

// Rows the csv module cannot read end the run with one line naming where the
// row starts, never a traceback; nothing is written.
TEST(Converter, UnreadableRowsNameTheirLine) {
  NEED_PYTHON();
  const std::string good = "a,F,100,102,104,106\n";
  const struct {
    const char* what;
    std::string body;
    int line;
  } rows[] = {
      {"stray quote after a closed cell", good + "b,O,\"100\"2,102,104,106\n", 3},
      {"quote never closed", good + "b,O,\"100,102,104,106\nc,M,100,102,104,106\n", 3},
      {"cell beyond the field limit", "a,F," + std::string(200000, '1') + ",102,104,106\n", 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const Conversion run = convert({{"s.csv", kHeader + row.body}}, "s.csv");
    EXPECT_EQ(run.status, 1);
    // After the note naming the separator found, one line.
    const std::string note = "csv2parentsphere: note: cells of s.csv separated by commas (--delimiter sets another)\n";
    ASSERT_EQ(run.err.compare(0, note.size(), note), 0) << run.err;
    const std::string error = run.err.substr(note.size());
    const std::string start = "csv2parentsphere: s.csv line " + std::to_string(row.line) +
                              ": cannot read this row (";
    EXPECT_EQ(error.compare(0, start.size(), start), 0) << run.err;
    EXPECT_EQ(error.find('\n'), error.size() - 1) << "one line: " << run.err;
    EXPECT_EQ(run.files.size(), 1u);
  }
}

// The three files replace the old ones together or not at all, and the sheet
// itself is never among the files replaced, --force or not.
TEST(Converter, WritesAllThreeOrNothing) {
  NEED_PYTHON();
  const std::string sheet = std::string(kHeader) + "a,F,100,102,104,106\nb,O,100,102,104,106\n";
  const Conversion blocked =
      convert({{"s.csv", sheet}, {"parents.PAR", "old\n"}}, "s.csv --force", "mkdir names.tsv");
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.err.find("csv2parentsphere: cannot write in .: Is a directory"), std::string::npos)
      << blocked.err;
  EXPECT_EQ(blocked.files, (std::map<std::string, std::string>{{"s.csv", sheet}, {"parents.PAR", "old\n"}}));

  const Conversion own = convert({{"sons.PRO", sheet}}, "sons.PRO --force");
  EXPECT_EQ(own.status, 2);
  EXPECT_NE(own.err.find("csv2parentsphere: ./sons.PRO is the sheet being converted"), std::string::npos)
      << own.err;
  EXPECT_EQ(own.files, (std::map<std::string, std::string>{{"sons.PRO", sheet}}));
}

// A second conversion into a folder another run is writing stops at once and
// changes nothing; two conversions started together never mix their files.
TEST(Converter, OneRunAtATimePerFolder) {
  NEED_PYTHON();
  const std::string sheet = std::string(kHeader) + "a,F,100,102,104,106\nb,O,100,102,104,106\n";
  // The holder keeps the folder's lock until the test removes the folder.
  const std::string holder =
      "(\"" + python() + "\" -c 'import fcntl, os, time\n"
      "fd = os.open(\".\", os.O_RDONLY)\nfcntl.flock(fd, fcntl.LOCK_EX)\nopen(\"held\", \"w\").close()\n"
      "end = time.time() + 20\nwhile os.path.exists(\"s.csv\") and time.time() < end: time.sleep(0.05)' &)"
      " && while [ ! -e held ]; do sleep 0.02; done && rm held";
  const Conversion busy = convert({{"s.csv", sheet}}, "s.csv", holder);
  EXPECT_EQ(busy.status, 1);
  EXPECT_EQ(busy.err,
            "csv2parentsphere: another run is writing parents.PAR, sons.PRO, names.tsv in this folder; "
            "nothing was changed\n");
  EXPECT_EQ(busy.files, (std::map<std::string, std::string>{{"s.csv", sheet}}));

  const std::string other = std::string(kHeader) + "c,F,200,202,204,206\nd,M,1,2,3,4\ne,O,200,202,204,206\n";
  const std::string run = "'" + python() + "' '" + kScript + "' --force --output out ";
  const std::string race = "mkdir out && for i in 1 2 3 4 5 6; do (" + run + "s.csv & " + run +
                           "o.csv; wait) >/dev/null 2>&1; cat out/parents.PAR out/sons.PRO out/names.tsv "
                           "> r$i; done";
  const Conversion raced = convert({{"s.csv", sheet}, {"o.csv", other}}, "s.csv --output out", race);
  const Conversion first = convert({{"s.csv", sheet}}, "s.csv");
  const Conversion second = convert({{"o.csv", other}}, "o.csv");
  const auto set = [](const Conversion& c) {
    return c.files.at("parents.PAR") + c.files.at("sons.PRO") + c.files.at("names.tsv");
  };
  for (int i = 1; i <= 6; ++i) {
    const std::string outcome = raced.files.at("r" + std::to_string(i));
    // The comment lines name the sheet, so a mixed set matches neither.
    EXPECT_TRUE(outcome == set(first) || outcome == set(second)) << "try " << i << ":\n" << outcome;
  }
}

// Every shape of input the converter takes, through the real script: the
// fragments each written file must hold (or, on failure, nothing written) and
// the lines it must print.
TEST(Converter, ShapesOfInput) {
  NEED_PYTHON();
  struct Shape {
    const char* what;
    std::map<std::string, std::string> files;
    std::string args;
    int status;
    std::map<std::string, std::string> holds;  // file -> a fragment it must hold
    std::vector<std::string> prints;           // on standard output or error
  };
  const std::string names = "number\trole\tname\n1\tmother\ta\n2000\tfather\tb\n1\toffspring\tc\n";
  const std::string rows = "a,F,100,102\nb,M,104,106\nc,O,100,104\n";
  const std::string sheet = "id,sex,L_1,L_2\n" + rows;
  const std::string bare = "id,L1,L2\na,100,102\nb,104,106\nc,100,104\n";
  const std::string sexes = "name\tsex\na\tF\nb\tM\nc\tO\n";
  std::string mothers2000 = "id,sex,L1,L2\n";
  for (int i = 1; i <= 2000; ++i) mothers2000 += "m" + std::to_string(i) + ",F,100,102\n";
  mothers2000 += "b,M,104,106\nc,O,100,104\n";
  std::string rowNamed = "id,sex,L_1,L_2\n";  // a hundred rows with row names
  for (int i = 1; i <= 100; ++i) rowNamed += std::to_string(i) + ",m" + std::to_string(i) + ",F,100,102\n";
  const std::string ped = "f a 0 0 2 -9 A A C G\nf b 0 0 1 -9 A G 0 0\nf c b a 0 -9 A G C C\n";
  const std::string vcf =
      "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\tc\n"
      "1\t100\trsA\tA\tG\t.\tPASS\t.\tGT:DP\t0/0:3\t0|1:4\t./.:1\n"
      "1\t200\t.\tC\tT,G\t.\tPASS\t.\tGT\t0/0\t0/1\t1/2\n"
      "1\t300\t.\tC\tT\t.\tPASS\t.\tGT\t1/1\t0/1\t1|.\n";
  const Shape shapes[] = {
      // The separator, and R's write.table.
      {"R's write.table: spaces, quoted titles",
       {{"s.txt", "\"id\" \"sex\" \"L_1\" \"L_2\"\n\"a\" \"F\" 100 102\n\"b\" \"M\" 104 106\n\"c\" \"O\" 100 104\n"}},
       "s.txt", 0, {{"names.tsv", names}, {"parents.PAR", "# loci\tL\n"}},
       {"note: cells of s.txt separated by spaces (--delimiter sets another)"}},
      {"R's row numbers are left out",
       {{"s.txt", "\"id\" \"sex\" \"L_1\" \"L_2\"\n\"1\" \"a\" \"F\" 100 102\n\"2\" \"b\" \"M\" 104 106\n"
                  "\"3\" \"c\" \"O\" 100 104\n"}},
       "s.txt", 0, {{"names.tsv", names}, {"parents.PAR", "\n100 102 1\n104 106 2000\n"}},
       {"read as R's write.table output, where its row names are numbers and are left out"}},
      {"R's row names as names",
       {{"s.txt", "\"sex\" \"L_1\" \"L_2\"\n\"a\" \"F\" 100 102\n\"b\" \"M\" 104 106\n\"c\" \"O\" 100 104\n"}},
       "s.txt", 0, {{"names.tsv", names}}, {"where its first column holds the row names"}},
      {"tabs", {{"s.tsv", "id\tsex\tL1\tL2\na\tF\t100\t102\nb\tM\t104\t106\nc\tO\t100\t104\n"}}, "s.tsv", 0,
       {{"names.tsv", names}}, {"separated by tabs"}},
      {"a separator given", {{"s.csv", "id|sex|L1|L2\na|F|100|102\nb|M|104|106\nc|O|100|104\n"}},
       "s.csv --delimiter '|'", 0, {{"names.tsv", names}}, {}},
      {"some rows with row names", {{"s.csv", sheet + "d,e,F,100,102\n"}}, "s.csv", 1, {},
       {"s.csv line 5: 5 cells, but the header has 4 (R's write.table writes row names without a title"}},
      {"row names on the first rows only", {{"s.csv", rowNamed + "c,O,100,104\n"}}, "s.csv", 1, {},
       {"s.csv line 102: 4 cells, but the header has 5 (the first rows have one cell more than the header: their "
        "first column was read as row names)"}},
      // Sheets without a header row.
      {"the first row looks like data", {{"s.csv", rows}}, "s.csv", 2, {},
       {"the first row of s.csv looks like data, not column titles (a, F, 100, 102, ...): for a sheet "
        "without a header row give --no-header"}},
      {"--no-header", {{"s.csv", rows}}, "s.csv --no-header", 0,
       {{"names.tsv", names}, {"parents.PAR", "names.tsv\n# 1_1 1_2 identifier\n100 102 1\n"}}, {}},
      {"columns by number", {{"s.csv", "F,100,a,102\nM,104,b,106\nO,100,c,104\n"}},
       "s.csv --no-header --sex-column 1 --id-column 3", 0, {{"names.tsv", names}}, {}},
      {"a column number beyond the row", {{"s.csv", rows}}, "s.csv --no-header --sex-column 5", 2, {},
       {"--sex-column takes a column number from 1 to 4, not '5'"}},
      {"the first allele column", {{"s.csv", "id,sex,tank,date,L1,L2\na,F,1,x,100,102\nb,M,2,y,104,106\nc,O,3,z,100,104\n"}},
       "s.csv --first-allele-column 5", 0, {{"names.tsv", names}, {"parents.PAR", "\n100 102 1\n"}}, {}},
      {"locus names from R's and other titles",
       {{"s.csv", "id,sex,Ssa85,Ssa85.1,D2S1 a,D2S1 b,Loc10_1,Loc11_2\na,F,1,2,3,4,5,6\nb,M,1,2,3,4,5,6\n"
                  "c,O,1,2,3,4,5,6\n"}},
       "s.csv", 0, {{"sons.PRO", "# loci\tSsa85\tD2S1\tLoc10_1\n"}}, {}},
      // Sexes and groups from a second table.
      {"sexes joined by name", {{"s.csv", bare}, {"sexes.tsv", sexes + "z\tF\n"}}, "s.csv --sex-table sexes.tsv", 0,
       {{"names.tsv", names}}, {"note: 1 name of sexes.tsv not in s.csv (first: z)"}},
      {"a name without a sex", {{"s.csv", bare}, {"sexes.tsv", "name\tsex\na\tF\nb\tM\n"}},
       "s.csv --sex-table sexes.tsv", 1, {},
       {"s.csv line 4: no sex for c in sexes.tsv", "nothing written: 1 problem to fix in s.csv\n"}},
      {"no header row, sexes joined", {{"s.csv", bare.substr(bare.find('\n') + 1)}, {"sexes.tsv", sexes}},
       "s.csv --sex-table sexes.tsv", 2, {},
       {"the first row of s.csv looks like data, not column titles: its name column holds 'a', a name in "
        "sexes.tsv; for a sheet without a header row give --no-header"}},
      {"--no-header, sexes joined", {{"s.csv", bare.substr(bare.find('\n') + 1)}, {"sexes.tsv", sexes}},
       "s.csv --no-header --sex-table sexes.tsv", 0, {{"names.tsv", names}}, {}},
      {"a wrong sex in the table", {{"s.csv", bare}, {"sexes.tsv", "name\tsex\na\tQ\nb\tM\nc\tO\n"}},
       "s.csv --sex-table sexes.tsv", 1, {},
       {"sexes.tsv line 2: sex 'Q' of a is none of F (mother)", "to fix in s.csv and sexes.tsv\n"}},
      {"groups", {{"s.csv", sheet}, {"g.csv", "id,group\nc,T1\na,T1\nc,T2\n"}}, "s.csv --groups-table g.csv", 0,
       {{"groups.tsv", "number\trole\tgroup\n1\toffspring\tT1\n1\tmother\tT1\n1\toffspring\tT2\n"}},
       {"wrote parents.PAR, sons.PRO, names.tsv, groups.tsv in ."}},
      {"an old groups.tsv left beside", {{"s.csv", sheet}, {"groups.tsv", "number\trole\tgroup\n"}}, "s.csv", 0, {},
       {"note: groups.tsv in . was left as it is: its numbers may no longer match names.tsv"}},
      // The missing codes people use, and one of their own.
      {"missing codes",
       {{"s.csv", "id,sex,A1,A2,B1,B2,C1,C2,D1,D2\na,F,0,NA,-9,?,,-99,999,100\nb,M,1,2,3,4,5,6,7,8\n"
                  "c,O,1,2,3,4,5,6,7,8\n"}},
       "s.csv --missing 999", 0, {{"parents.PAR", "\n-99 -99 -99 -99 -99 -99 -99 100 1\n"}},
       {"note: taken as missing: 1 '0', 1 'NA', 1 '-9', 1 '?', 1 empty cell, 1 '-99', 1 '999'\n"}},
      // Either sex.
      {"hermaphrodites",
       {{"s.csv", "id,sex,L1,L2\na,H,100,102\nb,either,104,106\nc,O,100,104\nd,,108,110\ne,M,112,114\n"}},
       "s.csv --hermaphrodites", 0,
       {{"parents.PAR", "\n100 102 1\n104 106 2\n108 110 3\n112 114 4\n"},
        {"names.tsv", "number\trole\tname\n1\tmother\ta\n2\tmother\tb\n3\tmother\td\n4\tmother\te\n1\toffspring\tc\n"}},
       {"4 parents (1-4), 1 offspring (1), 1 loci"}},
      {"hermaphrodites missing from the sex table", {{"s.csv", bare}, {"x.tsv", "id\tsex\nc\tO\n"}},
       "s.csv --sex-table x.tsv --hermaphrodites", 0, {{"parents.PAR", "\n100 102 1\n104 106 2\n"}},
       {"note: 2 names of s.csv not in x.tsv, so of either sex (first: a)"}},
      {"a blank sex without the mode", {{"s.csv", sheet + "d,,108,110\n"}}, "s.csv", 1, {},
       {"s.csv line 5: sex '' of d is none of F (mother), M (father), O (offspring); with --hermaphrodites"}},
      // Large programmes.
      {"2000 mothers", {{"s.csv", mothers2000}}, "s.csv", 0, {{"parents.PAR", "\n100 102 2000\n104 106 10000\n"}},
       {"note: 2000 mothers: fathers are numbered from 10000; run parentsphere --first-father-id 10000",
        "2000 mothers (1-2000), 1 father (10000)"}},
      {"2000 hermaphrodites", {{"s.csv", mothers2000}}, "s.csv --hermaphrodites", 0,
       {{"parents.PAR", "\n100 102 2000\n104 106 2001\n"}},
       {"note: 2001 parents: their numbers reach 2001; run parentsphere --first-father-id 10000",
        "2001 parents (1-2001), 1 offspring (1)"}},
      {"fathers from a number given", {{"s.csv", sheet}}, "s.csv --first-father-id 500", 0,
       {{"parents.PAR", "\n104 106 500\n"}, {"names.tsv", "500\tfather\tb\n"}}, {}},
      {"mothers that do not fit", {{"s.csv", sheet + "d,F,1,2\n"}}, "s.csv --first-father-id 2", 2, {},
       {"2 mothers do not fit below --first-father-id 2: give a number above 2"}},
      {"a first father id that is no number", {{"s.csv", sheet}}, "s.csv --first-father-id 1e3", 2, {},
       {"--first-father-id takes a whole number from 2 to 2147483647, not '1e3'"}},
      // SNPs.
      {"a 0/1/2 matrix", {{"s.csv", "id,sex,rs1,rs2\na,F,0,1\nb,M,2,NA\nc,O,1,-9\n"}}, "s.csv --snp-matrix", 0,
       {{"parents.PAR", "# loci\trs1\trs2\n"},
        {"parents.PAR", "# rs1_1 rs1_2 rs2_1 rs2_2 identifier\n1 1 1 2 1\n2 2 -99 -99 2000\n"},
        {"sons.PRO", "\n1 2 -99 -99\n"}, {"names.tsv", names}},
       {}},
      {"a matrix value beyond 2", {{"s.csv", "id,sex,rs1\na,F,3\nb,M,2\nc,O,1\n"}}, "s.csv --snp-matrix", 1, {},
       {"s.csv line 2: '3' in column rs1 of a is not a genotype"}},
      {"a matrix with roles joined", {{"s.csv", "id,rs1\na,0\nb,2\nc,1\n"}, {"r.tsv", sexes}},
       "s.csv --snp-matrix --sex-table r.tsv", 0, {{"names.tsv", names}}, {}},
      {"a matrix without roles", {{"s.csv", "id,rs1\na,0\nb,2\nc,1\n"}}, "s.csv --snp-matrix", 2, {},
       {"no sex column named 'sex' in the header of s.csv: give the roles with --sex-table FILE"}},
      {"PLINK", {{"d.ped", ped}, {"d.map", "1 rsA 0 1\n1 rsB 0 2\n"}}, "d.ped --ped", 0,
       {{"parents.PAR", "# loci\trsA\trsB\n"}, {"parents.PAR", "\n1 1 2 3 1\n1 3 -99 -99 2000\n"},
        {"sons.PRO", "\n1 3 2 2\n"}, {"names.tsv", names}},
       {}},
      {"PLINK with roles joined", {{"d.ped", ped}, {"r.tsv", "id\tsex\nb\tF\n"}}, "d.ped --ped --sex-table r.tsv", 0,
       {{"names.tsv", "number\trole\tname\n1\tmother\ta\n2\tmother\tb\n1\toffspring\tc\n"}}, {}},
      {"PLINK: a letter that is no base", {{"d.ped", "f a 0 0 2 -9 A N\n"}}, "d.ped --ped", 1, {},
       {"d.ped line 1: 'N' at SNP 1 of a is not an allele"}},
      {"PLINK: the map disagrees", {{"d.ped", ped}, {"d.map", "1 rsA 0 1\n"}}, "d.ped --ped", 1, {},
       {"d.ped: 1 SNPs in d.map, but 2 in the .ped file"}},
      {"VCF", {{"d.vcf", vcf}, {"r.tsv", sexes}}, "d.vcf --vcf --sex-table r.tsv", 0,
       {{"parents.PAR", "# loci\trsA\t1:300\n"}, {"parents.PAR", "\n1 1 2 2 1\n1 2 1 2 2000\n"},
        {"sons.PRO", "\n-99 -99 2 -99\n"}, {"names.tsv", names}},
       {"note: 1 site with more than two alleles left out", "note: taken as missing: 1 './.', 1 '.'"}},
      {"VCF: an allele the site lacks", {{"d.vcf", vcf.substr(0, vcf.find("1\t200")) + "1\t9\t.\tA\tC\t.\t.\t.\tGT\t0/2\t0/0\t0/0\n"},
                                        {"r.tsv", sexes}},
       "d.vcf --vcf --sex-table r.tsv", 1, {}, {"d.vcf line 4: genotype '0/2' of a is not diploid"}},
      {"VCF without roles", {{"d.vcf", vcf}}, "d.vcf --vcf", 2, {}, {"a VCF file holds no sexes"}},
      {"VCF by its name", {{"d.vcf", vcf}}, "d.vcf", 2, {}, {"d.vcf looks like a VCF file: add --vcf"}},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.what);
    const Conversion run = convert(shape.files, shape.args);
    EXPECT_EQ(run.status, shape.status) << run.err;
    for (const auto& [name, fragment] : shape.holds) {
      const auto file = run.files.find(name);
      ASSERT_NE(file, run.files.end()) << name << " not written";
      EXPECT_NE(file->second.find(fragment), std::string::npos) << name << ":\n" << file->second;
    }
    for (const std::string& line : shape.prints) {
      EXPECT_NE((run.out + run.err).find(line), std::string::npos) << run.out << run.err;
    }
    if (shape.status != 0) {
      EXPECT_EQ(run.files, shape.files) << "nothing may be written";
    }
  }
}

// The example sheet in every shape it may come in (separators, R's
// write.table with row numbers, no header row, sexes in a second table)
// gives the same tables and names, line for line past the comments.
TEST(Converter, SameDataInEveryShape) {
  NEED_PYTHON();
  const std::string csv = readFile(kSource + "/docs/example-sheet.csv");
  std::vector<std::vector<std::string>> cells;
  std::istringstream lines(csv);
  for (std::string line; std::getline(lines, line);) {
    cells.emplace_back();
    std::istringstream fields(line + ",");
    for (std::string cell; std::getline(fields, cell, ',');) cells.back().push_back(cell);
  }
  const auto join = [&](const char* separator, bool quoted, bool rowNumbers, bool header, bool sex) {
    std::string text;
    for (size_t row = header ? 0 : 1; row < cells.size(); ++row) {
      if (rowNumbers && row > 0) text += "\"" + std::to_string(row) + "\"" + separator;
      for (size_t column = 0; column < cells[row].size(); ++column) {
        if (column == 1 && !sex) continue;
        std::string cell = cells[row][column];
        const bool textCell = row == 0 || column < 2;
        if (quoted && cell.empty()) cell = "NA";
        if (quoted && textCell) cell = "\"" + cell + "\"";
        text += (column == 0 ? "" : separator) + cell;
      }
      text += "\n";
    }
    return text;
  };
  std::string sexes = "id\tsex\n";
  for (size_t row = 1; row < cells.size(); ++row) sexes += cells[row][0] + "\t" + cells[row][1] + "\n";
  const auto body = [](const std::string& table) {
    std::string kept;
    std::istringstream in(table);
    for (std::string line; std::getline(in, line);) {
      if (line.find('#') == std::string::npos) kept += line + "\n";
    }
    return kept;
  };
  const Conversion reference = convert({{"s.csv", csv}}, "s.csv");
  ASSERT_EQ(reference.status, 0) << reference.err;
  const struct {
    const char* what;
    std::map<std::string, std::string> files;
    std::string args;
  } shapes[] = {
      {"semicolons", {{"s.csv", join(";", false, false, true, true)}}, "s.csv"},
      {"tabs", {{"s.csv", join("\t", false, false, true, true)}}, "s.csv"},
      {"R's write.table", {{"s.csv", join(" ", true, true, true, true)}}, "s.csv"},
      {"no header row", {{"s.csv", join(",", false, false, false, true)}}, "s.csv --no-header"},
      {"sexes apart", {{"s.csv", join(",", false, false, true, false)}, {"x.tsv", sexes}}, "s.csv --sex-table x.tsv"},
  };
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.what);
    const Conversion run = convert(shape.files, shape.args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, reference.out);
    for (const char* name : {"parents.PAR", "sons.PRO"}) {
      EXPECT_EQ(body(run.files.at(name)), body(reference.files.at(name))) << name;
    }
    EXPECT_EQ(run.files.at("names.tsv"), reference.files.at("names.tsv"));
  }
}

TEST(Converter, MissingSheet) {
  NEED_PYTHON();
  const Conversion run = convert({}, "absent.csv");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("csv2parentsphere: cannot read absent.csv: "), std::string::npos) << run.err;
  EXPECT_TRUE(run.files.empty());
}

}  // namespace
