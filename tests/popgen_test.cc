// The population generator (tools/popgen): deterministic from its seed, the
// requested shape, values the table reader accepts, the rates it is asked for,
// and true parents that the program finds again.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <numeric>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace {

// A scratch folder, removed with everything in it at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/popgen_test_XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchFolder() {
    const std::string command = "rm -rf '" + path_ + "'";
    if (std::system(command.c_str()) != 0) {
      // A folder left behind in /tmp is harmless.
    }
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  bool has(const std::string& name) const { return access(file(name).c_str(), F_OK) == 0; }

 private:
  std::string path_;
};

struct PopgenRun {
  int status = -1;
  std::string messages;  // standard error
};

// Runs popgen with `args` (already quoted), writing into `folder`.
PopgenRun runPopgen(const ScratchFolder& folder, const std::string& args) {
  const std::string command = std::string("'") + POPGEN_BINARY + "' --out '" + folder.path() +
                              "' " + args + " > '" + folder.file(".stdout") + "' 2> '" +
                              folder.file(".stderr") + "'";
  const int raw = std::system(command.c_str());
  PopgenRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.messages = readFile(folder.file(".stderr"));
  return run;
}

struct Table {
  std::vector<std::string> comments;
  std::vector<std::vector<long long>> rows;
};

Table parse(const std::string& text) {
  Table table;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] == '#') {
      table.comments.push_back(line);
      continue;
    }
    std::istringstream values(line);
    std::vector<long long> row;
    std::string token;
    // A token that is not a whole number becomes 0, which the checks reject.
    while (values >> token) {
      char* end = nullptr;
      const long long v = std::strtoll(token.c_str(), &end, 10);
      row.push_back(*end == '\0' ? v : 0);
    }
    table.rows.push_back(row);
  }
  return table;
}

// The true parents from pedigree.txt, by offspring number; {0, 0} when unrelated.
std::map<long long, std::pair<long long, long long>> parsePedigree(const std::string& text) {
  std::map<long long, std::pair<long long, long long>> truth;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    long long son = 0;
    std::string mother;
    std::string father;
    fields >> son >> mother >> father;
    truth[son] = mother == "-" ? std::make_pair(0LL, 0LL)
                               : std::make_pair(std::stoll(mother), std::stoll(father));
  }
  return truth;
}

// The (mother, father) pairs of each son in a Fam.out family list.
std::map<long long, std::set<std::pair<long long, long long>>> parseFamilies(
    const std::string& text) {
  std::map<long long, std::set<std::pair<long long, long long>>> families;
  std::istringstream lines(text);
  std::string line;
  for (int header = 0; header < 4 && std::getline(lines, line); ++header) {
  }
  long long son = 0;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    const size_t tab = line.find("\t\t");
    const std::string sonText = line.substr(0, tab);
    if (!sonText.empty() && sonText != "*") son = std::stoll(sonText);
    std::istringstream parents(line.substr(tab));
    long long mother = 0;
    long long father = 0;
    parents >> mother >> father;
    families[son].insert({mother, father});
  }
  return families;
}

bool sameLocusCall(long long a, long long b) { return (a == -99) == (b == -99); }

TEST(Popgen, SameSeedGivesTheSameFilesAndAnotherSeedOthers) {
  const std::string args = "--mothers 40 --fathers 50 --offspring 300 --loci 12 --truth";
  ScratchFolder first;
  ScratchFolder second;
  ScratchFolder other;
  ASSERT_EQ(runPopgen(first, args + " --seed 7").status, 0);
  ASSERT_EQ(runPopgen(second, args + " --seed 7").status, 0);
  ASSERT_EQ(runPopgen(other, args + " --seed 8").status, 0);
  for (const char* name : {"parents.PAR", "sons.PRO", "pedigree.txt"}) {
    SCOPED_TRACE(name);
    const std::string text = readFile(first.file(name));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text, readFile(second.file(name)));
  }
  // The comment lines differ by the seed alone; compare the genotypes.
  EXPECT_NE(parse(readFile(first.file("parents.PAR"))).rows,
            parse(readFile(other.file("parents.PAR"))).rows);
  EXPECT_NE(parse(readFile(first.file("sons.PRO"))).rows,
            parse(readFile(other.file("sons.PRO"))).rows);
}

TEST(Popgen, WritesTheRequestedShape) {
  struct Row {
    int mothers, fathers, offspring, loci;
  };
  const Row rows[] = {{1, 1, 1, 1}, {30, 30, 80, 10}, {1999, 3, 5, 2}, {4, 2100, 7, 24}};
  for (const Row& r : rows) {
    const std::string args = "--mothers " + std::to_string(r.mothers) + " --fathers " +
                             std::to_string(r.fathers) + " --offspring " +
                             std::to_string(r.offspring) + " --loci " + std::to_string(r.loci) +
                             " --seed 11";
    SCOPED_TRACE(args);
    ScratchFolder folder;
    ASSERT_EQ(runPopgen(folder, args).status, 0);
    const Table parents = parse(readFile(folder.file("parents.PAR")));
    const Table sons = parse(readFile(folder.file("sons.PRO")));

    // One comment line at the top of each, naming the command that remakes it.
    for (const Table* table : {&parents, &sons}) {
      ASSERT_EQ(table->comments.size(), 1u);
      EXPECT_NE(table->comments[0].find("Made by: popgen " + args), std::string::npos)
          << table->comments[0];
    }
    EXPECT_EQ(readFile(folder.file("parents.PAR")).rfind("# Candidate parents", 0), 0u);
    EXPECT_EQ(readFile(folder.file("sons.PRO")).rfind("# Offspring", 0), 0u);

    ASSERT_EQ(parents.rows.size(), static_cast<size_t>(r.mothers + r.fathers));
    ASSERT_EQ(sons.rows.size(), static_cast<size_t>(r.offspring));
    for (size_t i = 0; i < parents.rows.size(); ++i) {
      ASSERT_EQ(parents.rows[i].size(), static_cast<size_t>(2 * r.loci + 1)) << "parent row " << i;
      // Mothers 1, 2, ... first, then fathers 2000, 2001, ...
      const long long expected = static_cast<long long>(i) < r.mothers
                                     ? static_cast<long long>(i) + 1
                                     : 2000 + static_cast<long long>(i) - r.mothers;
      EXPECT_EQ(parents.rows[i].back(), expected) << "parent row " << i;
    }
    for (size_t i = 0; i < sons.rows.size(); ++i) {
      EXPECT_EQ(sons.rows[i].size(), static_cast<size_t>(2 * r.loci)) << "son row " << i;
    }
  }
}

TEST(Popgen, AllelesArePositiveOnOneRepeatLadderPerLocusOrUntypedInPairs) {
  const int loci = 20;
  for (const std::string rates : {"", " --error 0", " --poor 0.1"}) {
    SCOPED_TRACE("rates:" + rates);
    ScratchFolder folder;
    ASSERT_EQ(runPopgen(folder, "--mothers 100 --fathers 100 --offspring 2000 --loci 20 --seed 5" +
                                    rates)
                  .status,
              0);
    std::vector<std::set<long long>> sizes(loci);
    for (const char* name : {"parents.PAR", "sons.PRO"}) {
      const Table table = parse(readFile(folder.file(name)));
      for (size_t i = 0; i < table.rows.size(); ++i) {
        for (int k = 0; k < loci; ++k) {
          const long long a = table.rows[i][2 * k];
          const long long b = table.rows[i][2 * k + 1];
          ASSERT_TRUE((a > 0 || a == -99) && (b > 0 || b == -99))
              << name << " row " << i << " locus " << k << ": " << a << " " << b;
          ASSERT_TRUE(sameLocusCall(a, b)) << name << " row " << i << " locus " << k;
          if (a == -99) continue;
          sizes[k].insert(a);
          sizes[k].insert(b);
        }
      }
    }
    int dinucleotide = 0;
    int tetranucleotide = 0;
    for (int k = 0; k < loci; ++k) {
      SCOPED_TRACE("locus " + std::to_string(k));
      long long step = 0;
      for (long long size : sizes[k]) step = std::gcd(step, size - *sizes[k].begin());
      if (step == 2) ++dinucleotide;
      if (step == 4) ++tetranucleotide;
      EXPECT_TRUE(step == 2 || step == 4) << "repeat step " << step;
      // 10 to 25 alleles over at most 37 repeat numbers; a scoring error may
      // add a size in a gap or one repeat beyond either end.
      const bool exact = rates == " --error 0";
      const long long repeats = step == 0 ? 1 : (*sizes[k].rbegin() - *sizes[k].begin()) / step + 1;
      EXPECT_GE(sizes[k].size(), 10u);
      if (exact) {
        EXPECT_LE(sizes[k].size(), 25u);
      }
      EXPECT_LE(repeats, exact ? 37 : 39);
    }
    EXPECT_EQ(dinucleotide + tetranucleotide, loci);
    EXPECT_GT(dinucleotide, 0);
    EXPECT_GT(tetranucleotide, 0);
  }
}

// Offspring of a real pair agree with their true parents by Mendel's rule
// exactly when nothing is mistyped; at the default error share about one
// locus in fifty breaks the rule (the offspring's or a parent's error).
TEST(Popgen, SharesOfRelatedOffspringUntypedLociAndScoringErrors) {
  struct Row {
    std::string rates;
    double relatedLow, relatedHigh, missingLow, missingHigh, brokenLow, brokenHigh;
  };
  const Row rows[] = {
      {"", 0.88, 0.92, 0.017, 0.023, 0.008, 0.03},
      {" --missing 0 --error 0", 0.88, 0.92, 0.0, 0.0, 0.0, 0.0},
      {" --related 1 --missing 0.1 --error 0.05", 1.0, 1.0, 0.09, 0.11, 0.05, 0.15},
      {" --related 0", 0.0, 0.0, 0.017, 0.023, 0.0, 0.0},
  };
  const int loci = 20;
  for (const Row& r : rows) {
    SCOPED_TRACE("rates:" + r.rates);
    ScratchFolder folder;
    ASSERT_EQ(runPopgen(folder, "--mothers 50 --fathers 60 --offspring 4000 --loci 20 --seed 9 "
                                "--truth" + r.rates)
                  .status,
              0);
    const Table parents = parse(readFile(folder.file("parents.PAR")));
    const Table sons = parse(readFile(folder.file("sons.PRO")));
    const auto truth = parsePedigree(readFile(folder.file("pedigree.txt")));
    ASSERT_EQ(truth.size(), sons.rows.size());
    std::map<long long, const std::vector<long long>*> parentById;
    for (const auto& row : parents.rows) parentById[row.back()] = &row;

    long long related = 0;
    long long untyped = 0;
    long long typedTrioLoci = 0;
    long long brokenTrioLoci = 0;
    for (size_t i = 0; i < sons.rows.size(); ++i) {
      const std::vector<long long>& son = sons.rows[i];
      for (int k = 0; k < loci; ++k) untyped += son[2 * k] == -99;
      const auto [motherId, fatherId] = truth.at(static_cast<long long>(i) + 1);
      if (motherId == 0) continue;
      ++related;
      ASSERT_LT(motherId, 2000);
      ASSERT_GE(fatherId, 2000);
      const std::vector<long long>& m = *parentById.at(motherId);
      const std::vector<long long>& f = *parentById.at(fatherId);
      for (int k = 0; k < loci; ++k) {
        const long long s1 = son[2 * k], s2 = son[2 * k + 1];
        const long long m1 = m[2 * k], m2 = m[2 * k + 1], f1 = f[2 * k], f2 = f[2 * k + 1];
        if (s1 == -99 || m1 == -99 || f1 == -99) continue;
        ++typedTrioLoci;
        const bool fromMother1 = s1 == m1 || s1 == m2;
        const bool fromMother2 = s2 == m1 || s2 == m2;
        const bool fromFather1 = s1 == f1 || s1 == f2;
        const bool fromFather2 = s2 == f1 || s2 == f2;
        if (!((fromMother1 && fromFather2) || (fromMother2 && fromFather1))) ++brokenTrioLoci;
      }
    }
    const double relatedShare = static_cast<double>(related) / sons.rows.size();
    const double untypedShare = static_cast<double>(untyped) / (sons.rows.size() * loci);
    const double brokenShare =
        typedTrioLoci == 0 ? 0.0 : static_cast<double>(brokenTrioLoci) / typedTrioLoci;
    EXPECT_GE(relatedShare, r.relatedLow);
    EXPECT_LE(relatedShare, r.relatedHigh);
    EXPECT_GE(untypedShare, r.missingLow);
    EXPECT_LE(untypedShare, r.missingHigh);
    EXPECT_GE(brokenShare, r.brokenLow);
    EXPECT_LE(brokenShare, r.brokenHigh);
  }
}

// Without untyped loci or scoring errors every offspring of a real pair
// shares an allele with each parent at every locus, so at radius 0 the
// program must list that very pair among its families.
TEST(Popgen, TheProgramFindsEveryTruePairAtRadiusZeroWhenNothingIsMistyped) {
  ScratchFolder folder;
  ASSERT_EQ(runPopgen(folder,
                      "--mothers 40 --fathers 40 --offspring 300 --loci 12 --seed 3 --missing 0 "
                      "--error 0 --truth")
                .status,
            0);
  const RunResult run = runParentsphere({{"parents.PAR", readFile(folder.file("parents.PAR"))},
                                         {"sons.PRO", readFile(folder.file("sons.PRO"))}},
                                        "0\n");
  ASSERT_EQ(run.status, 0) << run.stdoutText;
  ASSERT_EQ(run.files.count("Fam.out"), 1u);
  const auto families = parseFamilies(run.files.at("Fam.out"));
  const auto truth = parsePedigree(readFile(folder.file("pedigree.txt")));
  int related = 0;
  int unrelated = 0;
  int unrelatedWithFamily = 0;
  for (const auto& [son, pair] : truth) {
    const auto found = families.find(son);
    if (pair.first == 0) {
      ++unrelated;
      unrelatedWithFamily += found != families.end();
      continue;
    }
    ++related;
    ASSERT_NE(found, families.end()) << "offspring " << son << " has no family";
    EXPECT_EQ(found->second.count(pair), 1u)
        << "offspring " << son << " lacks its true pair " << pair.first << " x " << pair.second;
  }
  EXPECT_GT(related, 240);
  EXPECT_GT(unrelated, 15);
  // Twelve loci exclude nearly every wrong pair at radius 0.
  EXPECT_LE(unrelatedWithFamily, unrelated / 10);
}

TEST(Popgen, SnpPanelsHoldAllelesOneAndTwoOrUntypedPairs) {
  ScratchFolder folder;
  ASSERT_EQ(runPopgen(folder, "--snp --loci 300 --mothers 5 --fathers 5 --offspring 40").status, 0);
  std::set<long long> seen;
  for (const char* name : {"parents.PAR", "sons.PRO"}) {
    const Table table = parse(readFile(folder.file(name)));
    EXPECT_NE(table.comments[0].find(" --snp"), std::string::npos) << table.comments[0];
    for (const std::vector<long long>& row : table.rows) {
      ASSERT_GE(row.size(), 600u);
      for (size_t k = 0; k < 600; k += 2) {
        seen.insert(row[k]);
        EXPECT_EQ(row[k] == -99, row[k + 1] == -99) << name;
      }
    }
  }
  EXPECT_EQ(seen, (std::set<long long>{-99, 1, 2}));
}

TEST(Popgen, RefusesBadCommandLinesAndWritesNothing) {
  struct Row {
    const char* args;
    const char* message;
  };
  const Row rows[] = {
      {"--mothers 2000", "at most 1999 mothers"},
      {"--mothers 250000", "at most 1999 mothers"},
      {"--mothers 0", "--mothers 0: expected a whole number from 1 to 1999"},
      {"--fathers 0", "--fathers 0: expected a whole number"},
      {"--offspring -5", "--offspring -5: expected a whole number"},
      {"--loci 0", "--loci 0: expected a whole number from 1 to 200"},
      {"--loci 12x", "--loci 12x: expected a whole number"},
      {"--loci 201", "more than 200 loci only with --snp"},
      {"--snp --loci 2001", "from 1 to 200 (2000 with --snp)"},
      {"--seed abc", "--seed abc: expected a whole number"},
      {"--related 1.5", "--related 1.5: expected a share from 0 to 1"},
      {"--error -0.1", "--error -0.1: expected a share from 0 to 1"},
      {"--missing=nan", "--missing nan: expected a share from 0 to 1"},
      {"--offspring", "--offspring needs a value"},
      {"--colour blue", "unknown option '--colour'"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args);
    ScratchFolder folder;
    const PopgenRun run = runPopgen(folder, r.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.messages.rfind("popgen: ", 0), 0u) << run.messages;
    EXPECT_NE(run.messages.find(r.message), std::string::npos) << run.messages;
    EXPECT_FALSE(folder.has("parents.PAR"));
    EXPECT_FALSE(folder.has("sons.PRO"));
  }
}

TEST(Popgen, AFullDiskIsAnError) {
  ScratchFolder folder;
  ASSERT_EQ(symlink("/dev/full", folder.file("sons.PRO").c_str()), 0);
  const PopgenRun run = runPopgen(folder, "--offspring 10");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.messages.find("can not write"), std::string::npos) << run.messages;
  EXPECT_NE(run.messages.find("sons.PRO"), std::string::npos) << run.messages;
}

// The example tables name the command that made them; it must still make them.
TEST(Popgen, RemakesTheExampleTablesFromTheCommandInTheirComment) {
  const std::string examples = std::string(PARENTSPHERE_TESTDATA) + "/../../examples/";
  const std::string parents = readFile(examples + "parents.PAR");
  const std::string sons = readFile(examples + "sons.PRO");
  const std::string marker = "Made by: popgen ";
  const size_t at = parents.find(marker);
  ASSERT_NE(at, std::string::npos);
  const std::string args = parents.substr(at + marker.size(), parents.find('\n') - at - marker.size());
  EXPECT_NE(sons.substr(0, sons.find('\n')).find(marker + args), std::string::npos);
  ScratchFolder folder;
  ASSERT_EQ(runPopgen(folder, args).status, 0);
  EXPECT_EQ(readFile(folder.file("parents.PAR")), parents);
  EXPECT_EQ(readFile(folder.file("sons.PRO")), sons);
}

}  // namespace
