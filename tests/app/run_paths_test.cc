// The rule for the files a run writes, through the real program: an output
// that is an input or another output, by name, through a link or through a
// linked folder, or an output that is a folder, device or FIFO, is a usage
// error before anything is read or written.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "tiny_population.h"

namespace {

const std::map<std::string, std::string> kTables = {{"parents.PAR", tiny::kParents},
                                                    {"sons.PRO", tiny::kSons}};

// A run refused at once: status 2, one line on standard error naming `names`,
// nothing written, every file as it was.
void expectRefused(const std::string& args, const std::string& prepare,
                   const std::map<std::string, std::string>& files,
                   const std::vector<std::string>& names) {
  SCOPED_TRACE(args + " after " + prepare);
  const RunResult run = runParentsphere(files, "", args, prepare);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.stdoutText, "");
  EXPECT_EQ(run.stderrText.rfind("parentsphere: ", 0), 0u) << run.stderrText;
  EXPECT_EQ(std::count(run.stderrText.begin(), run.stderrText.end(), '\n'), 1);
  for (const std::string& name : names) {
    EXPECT_NE(run.stderrText.find(name), std::string::npos) << name << " in " << run.stderrText;
  }
  // Links the test made show as the files they lead to; nothing else is new.
  for (const auto& left : run.files) {
    const auto same = std::find_if(files.begin(), files.end(),
                                   [&](const auto& file) { return file.second == left.second; });
    EXPECT_TRUE(files.count(left.first) ? files.at(left.first) == left.second : same != files.end())
        << left.first;
  }
  for (const auto& [name, content] : files) EXPECT_EQ(run.files.count(name), 1u) << name;
}

// The reproductions that once lost a file: an option file, the ranked table,
// the genotypes, or a report overwritten by another output; a FIFO or a
// device replaced by a regular file.
TEST(RunPaths, OutputsNeverTakeTheirPlaceOfInputsOrOtherOutputs) {
  std::map<std::string, std::string> files = kTables;
  files["km.txt"] = "1 1001\n";
  files["names.tsv"] = "role\tnumber\tname\n";
  files["freq.txt"] = "1 100 0.5\n";
  files["x.tsv"] = "an old table\n";
  files["Parent.out"] = tiny::kParents;
  const struct {
    std::string args;
    std::string prepare;
    std::vector<std::string> names;
  } cases[] = {
      {"-q -r 4 --table t.tsv --known-mothers km.txt --markers km.txt", "", {"--known-mothers", "--markers"}},
      {"-q -r 4 --table t.tsv --names names.tsv --summary s.html", "ln -s names.tsv s.html", {"--names", "--summary"}},
      {"-q -r 4 --table t.tsv --frequencies freq.txt --markers freq.txt", "", {"--frequencies", "--markers"}},
      {"-q -r 4 --table x.tsv --markers x.tsv", "", {"--table", "--markers"}},
      {"-q -r 4 --table x.tsv --summary l.html", "ln -s x.tsv l.html", {"--table", "--summary"}},
      {"-q -r 4 --table fifo", "mkfifo fifo", {"--table", "FIFO"}},
      {"-q -r 4 --markers null", "ln -s /dev/null null", {"--markers", "device"}},
      {"-q -r 4 --table .", "", {"--table", "folder"}},
      {"-q -r 4 --parents Parent.out", "", {"--parents", "the report"}},
      {"-q -r 4 --offspring data/Fam.out -o data", "mkdir data && cp sons.PRO data/Fam.out", {"--offspring", "the report"}},
      {"-q -r 4 -o here --markers Parent.out", "ln -s . here", {"--markers", "the report"}},
      {"-q -r 4 -o new --markers new/Fam.out", "", {"--markers", "the report"}},
  };
  for (const auto& c : cases) expectRefused(c.args, c.prepare, files, c.names);
}

// Every option that writes against every option that reads and every other
// writer, the second spelt three ways: by the same name, through a link to
// it, through a link to its folder.
TEST(RunPaths, EveryWriterAgainstEveryReaderAndWriter) {
  struct Option {
    const char* flag;  // "-o" for the reports, which take a folder
    bool writes;
  };
  const Option options[] = {{"--table", true},         {"--markers", true},
                            {"--summary", true},       {"-o", true},
                            {"--parents", false},      {"--offspring", false},
                            {"--frequencies", false},  {"--known-mothers", false},
                            {"--names", false}};
  const char* const spellings[] = {"name", "link", "folder link"};
  int pairs = 0;
  for (const Option& writer : options) {
    if (!writer.writes) continue;
    for (const Option& other : options) {
      if (&other == &writer || (other.writes && &other < &writer)) continue;
      const std::string a = writer.flag;
      const std::string b = other.flag;
      const bool report = a == "-o" || b == "-o";
      const bool page = a == "--summary" || b == "--summary";
      if (report && page) continue;  // a page is .html, a report never is
      const std::string name = report ? "Parent.out" : page ? "f.html" : "f.txt";
      for (const std::string spelling : spellings) {
        std::string prepare;
        std::string second = name;
        if (spelling == "link") {
          second = page ? "l.html" : "l.txt";
          prepare = "ln -s " + name + " " + second;
        } else if (spelling == "folder link") {
          second = "d/" + name;
          prepare = "ln -s . d";
        }
        if (b == "-o" && spelling != "name") continue;  // the report's name is fixed
        std::map<std::string, std::string> files = kTables;
        if (!other.writes || b == "-o") files[name] = "someone's data\n";
        auto value = [&](const std::string& flag, const std::string& path) {
          if (flag != "-o") return " " + flag + " " + path;
          const size_t slash = path.rfind('/');
          return std::string(" -o ") + (slash == std::string::npos ? "." : path.substr(0, slash));
        };
        std::string args = "-q -r 4" + value(a, name) + value(b, second);
        if (a != "--table" && b != "--table") args += " --table t.tsv";
        const std::string shownA = a == "-o" ? "the report" : a;
        const std::string shownB = b == "-o" ? "the report" : b;
        expectRefused(args, prepare, files, {shownA, shownB});
        ++pairs;
      }
    }
  }
  EXPECT_EQ(pairs, 4 * 5 * 3 + 3 * 3 + 2);  // the report and the page never meet
}

// Apart, every output is written: the rule refuses only real clashes.
TEST(RunPaths, OutputsApartAreWritten) {
  const RunResult run = runParentsphere(kTables, "", "-q -r 2 -o out --table out/t.tsv --markers m.tsv --summary out/s.html",
                                        "ln -s parents.PAR Parent.out && mkdir out");
  EXPECT_EQ(run.status, 0) << run.stderrText;
  EXPECT_EQ(run.stdoutText, "radius 2: reports in out\nDONE\n");
  EXPECT_EQ(run.files.at("parents.PAR"), tiny::kParents);
  EXPECT_EQ(run.files.count("m.tsv"), 1u);
}

}  // namespace
