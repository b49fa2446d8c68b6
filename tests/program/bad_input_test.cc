// Every kind of bad input file, run through the real program: the exact
// message after the prompt, exit status 1, and the reports of an earlier run
// left byte for byte as they were. Inputs the file format in fact accepts are
// run to the end instead and must give the reports of the clean files.
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "tiny_population.h"

namespace {

const std::string kConversion =
    "There was a problem reading the input file. Check it is a plain text file and there are "
    "number instead of text inside.";

const std::map<std::string, std::string> kSentinels = {
    {"Parent.out", "Parent.out of an earlier run\n"},
    {"Fam.out", "Fam.out of an earlier run\n"},
    {"Famgenotypes.out", "Famgenotypes.out of an earlier run\n"},
};

// Bytes from a fixed-seed generator; mt19937's output is the same everywhere.
std::string randomBytes(unsigned seed, size_t count) {
  std::mt19937 generator(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}
const std::string kBinary = randomBytes(6, 4096);

struct BadInput {
  std::string name;
  std::optional<std::string> parents;  // nullopt: no such file
  std::optional<std::string> sons;
  std::string prepare;  // shell command run in the folder before the program
  std::string message;  // what follows the prompt
  std::string where = "";  // the start of the one line on standard error; none when empty
};

std::string withSonsRow(const std::string& row) { return tiny::kSons + row; }
std::string withParentsRow(const std::string& row) { return tiny::kParents + row; }

const std::vector<BadInput> kBadInputs = {
    {"parents file missing", std::nullopt, tiny::kSons, "",
     "can not find parents.PAR input file\n"},
    {"sons file missing", tiny::kParents, std::nullopt, "", "can not find sons.PRO input file\n"},
    {"both missing: the parents file is read first", std::nullopt, std::nullopt, "",
     "can not find parents.PAR input file\n"},
    {"a directory named parents.PAR", std::nullopt, tiny::kSons, "mkdir parents.PAR",
     "can not find parents.PAR input file\n"},
    {"a directory named sons.PRO", tiny::kParents, std::nullopt, "mkdir sons.PRO",
     "can not find sons.PRO input file\n"},
    {"a read error in parents.PAR (linked to /proc/self/mem, which fails with EIO)",
     std::nullopt, tiny::kSons, "ln -s /proc/self/mem parents.PAR",
     "can not read parents.PAR input file\n"},
    {"a read error in sons.PRO", tiny::kParents, std::nullopt, "ln -s /proc/self/mem sons.PRO",
     "can not read sons.PRO input file\n"},
    {"empty parents file", "", tiny::kSons, "", "EMPTY PARENTS FILE\n"},
    {"empty sons file", tiny::kParents, "", "", "EMPTY SONS FILE\n"},
    {"comment-only parents file", "# exported 2024\n#101 103 1005\n  # indented\n", tiny::kSons,
     "", "EMPTY PARENTS FILE\n"},
    {"comment-only sons file", tiny::kParents, "#only a title\n", "", "EMPTY SONS FILE\n"},
    {"blank-only parents file", "\n \t \n\n\t\t\n   ", tiny::kSons, "", "EMPTY PARENTS FILE\n"},
    {"blank-only sons file", tiny::kParents, "  \n\n\t\n", "", "EMPTY SONS FILE\n"},
    {"an empty parents file is reported before a bad sons file", "", "100 104 7\n", "",
     "EMPTY PARENTS FILE\n"},
    {"a zero token", withParentsRow("150 0 1003\n"), tiny::kSons, "", kConversion,
     "parents.PAR:6: column 2: '0' is zero, which is not an allele size (untyped alleles are "
     "written -99)\n"},
    {"a zero written 00", tiny::kParents, withSonsRow("00 104\n"), "", kConversion,
     "sons.PRO:4: column 1: '00' is zero"},
    {"a zero written +0", tiny::kParents, withSonsRow("+0 104\n"), "", kConversion,
     "sons.PRO:4: column 1: '+0' is zero"},
    {"a zero before a comment marker on the same line", withParentsRow("150 0 1003 # note\n"),
     tiny::kSons, "", kConversion, "parents.PAR:6: column 2: '0' is zero"},
    {"a text token", tiny::kParents, withSonsRow("100 abc\n"), "", kConversion,
     "sons.PRO:4: column 2: 'abc' is not a number (untyped alleles are written -99)\n"},
    {"a text token with digits after the letter", tiny::kParents, withSonsRow("x12 104\n"), "",
     kConversion, "sons.PRO:4: column 1: 'x12' is not a number"},
    {"a token starting with a comma", tiny::kParents, withSonsRow("100 ,104\n"), "", kConversion,
     "sons.PRO:4: column 2: ',104' is not a number"},
    {"a lone minus", withParentsRow("150 - 1003\n"), tiny::kSons, "", kConversion,
     "parents.PAR:6: column 2: '-' is not a number"},
    {"a bad parents file is reported although sons.PRO is missing", "100 x 1001\n", std::nullopt,
     "", kConversion, "parents.PAR:1: column 2: 'x' is not a number"},
    {"a value beyond 32 bits (4294967396, 100 in its low bits)",
     withParentsRow("4294967396 102 1003\n"), tiny::kSons, "", kConversion,
     "parents.PAR:6: column 1: '4294967396' is out of range (-2147483648 to 2147483647)\n"},
    {"2147483648, one past the largest int", tiny::kParents, withSonsRow("2147483648 104\n"), "",
     kConversion, "sons.PRO:4: column 1: '2147483648' is out of range"},
    {"-2147483649, one below the smallest int", tiny::kParents, withSonsRow("100 -2147483649\n"),
     "", kConversion, "sons.PRO:4: column 2: '-2147483649' is out of range"},
    {"a blank line made of a carriage return",
     "100 102 1001\r\n\r\n104 110 1002\r\n102 104 2001\r\n", tiny::kSons, "", kConversion,
     "parents.PAR:2: column 1: '\\r' is a carriage return alone, not a number (a file saved on "
     "Windows: convert it with sed -i 's/\\r$//' parents.PAR)\n"},
    {"a carriage return after a blank at a line end", tiny::kParents, "100 104 \r\n", "",
     kConversion, "sons.PRO:1: column 3: '\\r' is a carriage return alone"},
    {"odd first sons row", tiny::kParents, "100 104 112\n-99 112\n", "",
     "WRONG NUMBER OF COLUMNS IN SONS FILE\n",
     "sons.PRO:1: 3 values, expected an even number (two allele columns per locus)\n"},
    {"short sons row", tiny::kParents, withSonsRow("112\n"), "",
     "WRONG NUMBER OF COLUMNS IN SONS FILE\n",
     "sons.PRO:4: 1 value, expected at least 2 (as on the first row, line 1)\n"},
    {"short parents row: no identifier", withParentsRow("150 152\n"), tiny::kSons, "",
     "WRONG NUMBER OF COLUMNS IN PARENTS FILE\n",
     "parents.PAR:6: 2 values, expected at least 3 (as on the first row, line 2)\n"},
    {"parents row shorter than the first parents row", "100 102 1001 7\n104 110 1002\n",
     tiny::kSons, "", "WRONG NUMBER OF COLUMNS IN PARENTS FILE\n",
     "parents.PAR:2: 3 values, expected at least 4 (as on the first row, line 1)\n"},
    {"the sons rows are checked before the parents rows", "100 102\n", "100 104 112\n", "",
     "WRONG NUMBER OF COLUMNS IN SONS FILE\n", "sons.PRO:1: 3 values"},
    {"random binary bytes as parents.PAR", kBinary, tiny::kSons, "", kConversion,
     "parents.PAR:1: column 1: '"},
    {"random binary bytes as sons.PRO", tiny::kParents, kBinary, "", kConversion,
     "sons.PRO:1: column 1: '"},
    {"a NUL byte as a token of its own", tiny::kParents,
     withSonsRow("100 " + std::string(1, '\0') + " 104\n"), "", kConversion,
     "sons.PRO:4: column 2: '\\x00' is not a number"},
    {"a 100 MB single line: one token of digits", tiny::kParents, std::nullopt,
     "head -c 100000000 /dev/zero | tr '\\0' '7' > sons.PRO", kConversion,
     "sons.PRO:1: column 1: '" + std::string(24, '7') + "...' is out of range"},
    {"an endless stream of zero bytes as sons.PRO", tiny::kParents, std::nullopt,
     "ln -s /dev/zero sons.PRO", kConversion,
     "sons.PRO:1: column 1: '\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00"},
    {"a number led token longer than any value", tiny::kParents,
     withSonsRow("100 5" + std::string(5000, 'x') + "\n"), "", kConversion,
     "sons.PRO:4: column 2: '5xxxxxxxxxxxxxxxxxxxxxxx...' is over 4096 bytes long"},
    {"a 100 MB single line: 25 million values, too wide for the parents rows", tiny::kParents,
     std::nullopt, "yes '100 104' | head -c 100000000 | tr '\\n' ' ' > sons.PRO",
     "WRONG NUMBER OF COLUMNS IN PARENTS FILE\n",
     "parents.PAR:2: 3 values, expected at least 25000001 (the offspring's 25000000 allele "
     "columns, then the identifier)\n"},
};

// The random file must fail on its first token for the reason the rows above
// expect: a first line that is not a comment and whose first token has no
// leading number (so the conversion message, not an empty table).
TEST(BadInput, RandomBytesFailOnTheirFirstToken) {
  const std::string firstLine = kBinary.substr(0, kBinary.find('\n'));
  const size_t start = firstLine.find_first_not_of(" \t");
  ASSERT_NE(start, std::string::npos) << "the first line is blank";
  const std::string token = firstLine.substr(start, firstLine.find_first_of(" \t", start) - start);
  ASSERT_EQ(token.find('#'), std::string::npos) << "the first token holds the comment marker";
  EXPECT_EQ(std::strtol(token.c_str(), nullptr, 10), 0);
}

TEST(BadInput, EachEndsWithItsMessageAndLeavesTheReports) {
  for (const BadInput& bad : kBadInputs) {
    SCOPED_TRACE(bad.name);
    std::map<std::string, std::string> files = kSentinels;
    if (bad.parents) files["parents.PAR"] = *bad.parents;
    if (bad.sons) files["sons.PRO"] = *bad.sons;
    const RunResult run = runParentsphere(files, tiny::kRadius, "", bad.prepare);
    EXPECT_EQ(run.stdoutText, tiny::kPrompt + bad.message);
    EXPECT_EQ(run.status, 1);
    // Where: one line on standard error, which names the file and the line.
    if (bad.where.empty()) {
      EXPECT_EQ(run.stderrText, "");
    } else {
      EXPECT_EQ(run.stderrText.rfind(bad.where, 0), 0u) << run.stderrText;
      EXPECT_EQ(run.stderrText.find('\n'), run.stderrText.size() - 1) << run.stderrText;
    }
    for (const auto& [name, text] : files) {
      ASSERT_EQ(run.files.count(name), 1u) << name << " is gone";
      EXPECT_TRUE(run.files.at(name) == text) << name << " changed";
    }
    EXPECT_EQ(run.files.count("ErrLog.txt"), 0u);
    for (const auto& [name, text] : run.files) {
      const bool expected = files.count(name) == 1 ||
                            (!bad.prepare.empty() && (name == "parents.PAR" || name == "sons.PRO"));
      EXPECT_TRUE(expected) << "the run left " << name;
    }
  }
}

std::string repeated(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

bool builtWithAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return false;
}

// A file larger than the memory the program may use ends with a message,
// never an uncaught std::bad_alloc: a zero-filled one (sparse, so it costs no
// disk) with the conversion message as soon as its first token is too long,
// 100 MB of rows with the memory message. The program runs under a 512 MB
// address-space limit, whatever the machine. Run outside runParentsphere,
// which reads every file left in the folder back.
TEST(BadInput, FileLargerThanMemoryEndsWithAMessage) {
  if (builtWithAddressSanitizer()) {
    GTEST_SKIP() << "AddressSanitizer cannot run under a 512 MB address-space limit";
  }
  char pattern[] = "/tmp/parentsphere_big_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  const std::string cd = "cd '" + folder + "' && ";
  struct Cleanup {
    std::string command;
    ~Cleanup() {
      if (std::system(command.c_str()) != 0) {
        // A leftover temporary folder is harmless.
      }
    }
  } cleanup{"rm -rf '" + folder + "'"};
  if (std::system((cd + "truncate -s 64G parents.PAR 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "this file system cannot hold a sparse 64 GB file";
  }
  ASSERT_EQ(std::system((cd + "yes '1 2 3' | head -c 100000000 > rows.PAR").c_str()), 0);
  writeFile(folder + "/sons.PRO", tiny::kSons);
  for (const auto& [name, text] : kSentinels) writeFile(folder + "/" + name, text);
  const struct {
    const char* parents;
    std::string out;
    std::string err;
  } runs[] = {
      {"parents.PAR", tiny::kPrompt + kConversion,
       "parents.PAR:1: column 1: '" + repeated("\\x00", 24) +
           "...' is not a number (untyped alleles are written -99)\n"},
      {"rows.PAR", tiny::kPrompt + "not enough memory to finish the analysis\n", ""},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.parents);
    const int raw = std::system((cd + "(ulimit -v 524288 && echo 2 | '" + PARENTSPHERE_BINARY +
                                 "' --parents " + run.parents + " > stdout.txt 2> stderr.txt)")
                                    .c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << "the program was killed";
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(readFile(folder + "/stdout.txt"), run.out);
    EXPECT_EQ(readFile(folder + "/stderr.txt"), run.err);
    for (const auto& [name, text] : kSentinels) EXPECT_EQ(readFile(folder + "/" + name), text);
  }
}

struct AcceptedInput {
  std::string name;
  std::string parents;
  std::string sons;
};

std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Quirks the file format accepts: each table reads exactly as the clean one.
const std::vector<AcceptedInput> kAccepted = {
    {"accepted: a NUL right after a token's digits ends its number",
     tiny::kParents, std::string("100\0 104\n-99 112\n150 160", 24) + std::string("\0\n", 2)},
    {"accepted: CRLF line ends read normally while no line is left blank",
     crlf(tiny::kParents), crlf(tiny::kSons)},
    {"accepted: text and commas after the digits are ignored",
     "# mothers first, then fathers\n100abc 102 1001;\n104,7 110 1002\n102 104 2001\n"
     "106 108kb 2002\n",
     tiny::kSons},
    {"accepted: a comment marker after values drops the whole line",
     "100 102 1001\n150 152 1003 # left out\n104 110 1002\n102 104 2001\n106 108 2002\n"
     "150 150 2003#\n150 150 # 0 (the marker drops the line before the 0 is read)\n",
     tiny::kSons},
    {"accepted: plus signs, leading zeros and blank lines of tabs",
     tiny::kParents, "+100 0104\n\t \n-99 +0112\n\n150 160\n\n"},
};

TEST(BadInput, AcceptedQuirksRunToTheSameReports) {
  for (const AcceptedInput& accepted : kAccepted) {
    SCOPED_TRACE(accepted.name);
    std::map<std::string, std::string> files = kSentinels;
    files["parents.PAR"] = accepted.parents;
    files["sons.PRO"] = accepted.sons;
    const RunResult run = runParentsphere(files, tiny::kRadius);
    EXPECT_EQ(run.stdoutText, tiny::kPrompt + tiny::kDone);
    EXPECT_EQ(run.status, 0);
    for (const auto& [name, text] : tiny::kReports) {
      ASSERT_EQ(run.files.count(name), 1u) << name;
      EXPECT_EQ(run.files.at(name), text) << name;
    }
  }
}

}  // namespace
