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
      {"--mothers 2000 --first-father-id 2000", "at most 1999 mothers"},
      {"--mothers 250000", "at most 1999 mothers"},
      {"--mothers 0", "--mothers 0: expected a whole number from 1 to 1000000"},
      {"--mothers 3000 --first-father-id 3000", "at most 2999 mothers"},
      {"--first-father-id 1", "--first-father-id 1: expected a whole number from 2"},
      {"--first-father-id 2147483000 --fathers 10", "expected a whole number from 2 to 1000000000"},
      {"--unsampled-mothers 1", "--unsampled-mothers 1: expected a share from 0 to below 1"},
      {"--unsampled-fathers -0.2", "--unsampled-fathers -0.2: expected a share"},
      {"--frequencies", "--frequencies needs a value"},
      {"--frequencies=", "--frequencies needs a file name"},
      {"--snp --frequencies f.txt", "--snp and --frequencies do not go together"},
      {"--selfing 0.1", "--selfing needs --hermaphrodites"},
      {"--hermaphrodites --fathers 5", "--fathers does not apply with --hermaphrodites"},
      {"--hermaphrodites --unsampled-fathers 0.1", "--unsampled-fathers does not apply"},
      {"--hermaphrodites --selfing 2", "--selfing 2: expected a share from 0 to 1"},
      {"--hermaphrodites=yes", "--hermaphrodites takes no value"},
      {"--groups 0", "--groups 0: expected a whole number from 1"},
      {"--groups 31", "more groups than mothers (30)"},
      {"--fathers 4 --groups 5", "more groups than fathers (4)"},
      {"--extra-group-fathers 0.1", "--extra-group-fathers needs --groups"},
      {"--groups 1 --extra-group-fathers 0.1", "needs at least 2 groups"},
      {"--groups 2 --extra-group-fathers 1.1", "expected a share from 0 to 1"},
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
    EXPECT_FALSE(folder.has("groups.tsv"));
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

// The identifiers in the last column of parents.PAR, in file order.
std::vector<long long> identifiers(const Table& parents) {
  std::vector<long long> ids;
  for (const auto& row : parents.rows) ids.push_back(row.back());
  return ids;
}

// The arguments after "Made by: popgen " in the first line of a table.
std::string madeBy(const std::string& text) {
  const std::string marker = "Made by: popgen ";
  const size_t at = text.find(marker);
  if (at == std::string::npos) return "";
  return text.substr(at + marker.size(), text.find('\n') - at - marker.size());
}

// Parents left out of parents.PAR keep their offspring and their place in the
// truth; everything else is the population made without leaving anyone out.
TEST(Popgen, UnsampledParentsLeaveTheTableButStayInTheTruth) {
  struct Row {
    std::string args;
    size_t mothersKept, fathersKept;
  };
  const Row rows[] = {
      {"--unsampled-mothers 0.3", 140, 100},
      {"--unsampled-mothers 0.6 --unsampled-fathers 0.25", 80, 75},
      {"--unsampled-fathers 0.999", 200, 1},  // at least one father is kept
  };
  const std::string base = "--mothers 200 --fathers 100 --offspring 1500 --loci 8 --seed 4 --truth";
  ScratchFolder full;
  ASSERT_EQ(runPopgen(full, base).status, 0);
  const Table fullParents = parse(readFile(full.file("parents.PAR")));
  std::map<long long, std::vector<long long>> fullById;
  for (const auto& row : fullParents.rows) fullById[row.back()] = row;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args);
    ScratchFolder folder;
    ASSERT_EQ(runPopgen(folder, base + " " + r.args).status, 0);
    const Table parents = parse(readFile(folder.file("parents.PAR")));
    std::set<long long> kept;
    size_t mothers = 0;
    for (const auto& row : parents.rows) {
      kept.insert(row.back());
      mothers += row.back() < 2000;
      ASSERT_EQ(fullById.count(row.back()), 1u);
      EXPECT_EQ(row, fullById.at(row.back())) << "parent " << row.back();
    }
    EXPECT_EQ(kept.size(), parents.rows.size());
    EXPECT_EQ(mothers, r.mothersKept);
    EXPECT_EQ(parents.rows.size() - mothers, r.fathersKept);
    EXPECT_EQ(parse(readFile(folder.file("sons.PRO"))).rows,
              parse(readFile(full.file("sons.PRO"))).rows);
    const auto truth = parsePedigree(readFile(folder.file("pedigree.txt")));
    EXPECT_EQ(truth, parsePedigree(readFile(full.file("pedigree.txt"))));
    // The offspring of left-out parents are there, in about the left-out share.
    size_t related = 0;
    size_t motherOut = 0;
    size_t fatherOut = 0;
    for (const auto& [son, pair] : truth) {
      if (pair.first == 0) continue;
      ++related;
      motherOut += kept.count(pair.first) == 0;
      fatherOut += kept.count(pair.second) == 0;
    }
    const double motherShare = 1.0 - r.mothersKept / 200.0;
    const double fatherShare = 1.0 - r.fathersKept / 100.0;
    EXPECT_NEAR(static_cast<double>(motherOut) / related, motherShare, 0.05);
    EXPECT_NEAR(static_cast<double>(fatherOut) / related, fatherShare, 0.05);
  }
}

TEST(Popgen, AFrequenciesFileGivesTheLociTheirAllelesAndShares) {
  ScratchFolder folder;
  const std::string frequencies = folder.file("freq.txt");
  writeFile(frequencies,
            "# locus allele frequency\n1 3 0.5\n1 7 0.3\n1 12 0.2\n\n2\t2\t0.1\n2 1 0.9\n"
            "3 250 1\n");
  const std::map<int, std::map<long long, double>> expected = {
      {0, {{3, 0.5}, {7, 0.3}, {12, 0.2}}}, {1, {{1, 0.9}, {2, 0.1}}}, {2, {{250, 1.0}}}};
  for (const std::string error : {"0", "0.2"}) {
    SCOPED_TRACE("error " + error);
    const std::string args = "--frequencies " + frequencies +
                             " --mothers 500 --fathers 500 --offspring 1000 --missing 0 "
                             "--truth --error " + error;
    ASSERT_EQ(runPopgen(folder, args).status, 0);
    const std::string parentsText = readFile(folder.file("parents.PAR"));
    EXPECT_NE(madeBy(parentsText).find("--loci 3 "), std::string::npos) << madeBy(parentsText);
    EXPECT_NE(madeBy(parentsText).find("--frequencies " + frequencies), std::string::npos);
    std::map<int, std::map<long long, double>> counted;
    for (const char* name : {"parents.PAR", "sons.PRO"}) {
      const Table table = parse(readFile(folder.file(name)));
      for (const auto& row : table.rows) {
        ASSERT_GE(row.size(), 6u);
        for (int k = 0; k < 3; ++k) {
          for (int side = 0; side < 2; ++side) {
            const long long allele = row[static_cast<size_t>(2 * k + side)];
            // A misread allele is another allele of the file, never a new one.
            ASSERT_EQ(expected.at(k).count(allele), 1u) << name << " locus " << k + 1 << ": "
                                                       << allele;
            if (std::string(name) == "parents.PAR") counted[k][allele] += 1.0 / 1000;
          }
        }
      }
    }
    if (error == "0") {
      for (const auto& [k, shares] : expected) {
        for (const auto& [allele, share] : shares) {
          EXPECT_NEAR(counted[k][allele] / 2, share, 0.03) << "locus " << k + 1 << " allele "
                                                           << allele;
        }
      }
    }
  }
  EXPECT_EQ(runPopgen(folder, "--frequencies " + frequencies + " --loci 3").status, 0);
  const PopgenRun wrongLoci = runPopgen(folder, "--frequencies " + frequencies + " --loci 4");
  EXPECT_EQ(wrongLoci.status, 2);
  EXPECT_NE(wrongLoci.messages.find("--loci 4: " + frequencies + " has 3 loci"),
            std::string::npos)
      << wrongLoci.messages;
}

TEST(Popgen, RefusesABadFrequenciesFileNamingTheLine) {
  struct Row {
    const char* content;
    const char* message;
  };
  const Row rows[] = {
      {"1 5\n", "freq.txt:1: expected three fields: locus allele frequency"},
      {"1 5 0.5 x\n", "freq.txt:1: expected three fields"},
      {"# alleles\n1 5 0.5\n1 5 0.2\n", "freq.txt:3: allele 5 of locus 1 is listed twice"},
      {"1 0 0.5\n", "freq.txt:1: allele '0' is not a whole number from 1 to 65535"},
      {"1 70000 0.5\n", "allele '70000' is not a whole number from 1 to 65535"},
      {"1 5 0\n", "freq.txt:1: frequency '0' is not a number above 0 and at most 1"},
      {"1 5 abc\n", "frequency 'abc' is not a number"},
      {"1 5 0.6\n1 6 0.6\n", "freq.txt:2: the frequencies of locus 1 add up to more than 1"},
      {"x 5 1\n", "freq.txt:1: locus 'x' is not a number from 1 to 2000"},
      {"2 5 1\n", "freq.txt: locus 1 has no frequencies"},
      {"# nothing\n\n", "freq.txt: no frequencies in this file"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.content);
    ScratchFolder folder;
    writeFile(folder.file("freq.txt"), r.content);
    const PopgenRun run = runPopgen(folder, "--frequencies " + folder.file("freq.txt"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.messages.rfind("popgen: ", 0), 0u) << run.messages;
    EXPECT_NE(run.messages.find(r.message), std::string::npos) << run.messages;
    EXPECT_FALSE(folder.has("parents.PAR"));
  }
  ScratchFolder folder;
  const PopgenRun missing = runPopgen(folder, "--frequencies " + folder.file("none.txt"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.messages.find("none.txt: can not read this frequencies file"),
            std::string::npos)
      << missing.messages;
}

TEST(Popgen, TheFirstFatherIdentifierLiftsTheMotherCap) {
  struct Row {
    int mothers, fathers;
    long long firstFather;
  };
  const Row rows[] = {{2500, 30, 2600}, {15, 20, 16}, {3, 4, 1000000000}};
  for (const Row& r : rows) {
    const std::string args = "--mothers " + std::to_string(r.mothers) + " --fathers " +
                             std::to_string(r.fathers) + " --first-father-id " +
                             std::to_string(r.firstFather) + " --offspring 300 --loci 4 --truth";
    SCOPED_TRACE(args);
    ScratchFolder folder;
    ASSERT_EQ(runPopgen(folder, args).status, 0);
    std::vector<long long> expected;
    for (int m = 1; m <= r.mothers; ++m) expected.push_back(m);
    for (int f = 0; f < r.fathers; ++f) expected.push_back(r.firstFather + f);
    EXPECT_EQ(identifiers(parse(readFile(folder.file("parents.PAR")))), expected);
    for (const auto& [son, pair] : parsePedigree(readFile(folder.file("pedigree.txt")))) {
      if (pair.first == 0) continue;
      EXPECT_TRUE(pair.first >= 1 && pair.first <= r.mothers) << son;
      EXPECT_TRUE(pair.second >= r.firstFather && pair.second < r.firstFather + r.fathers) << son;
    }
  }
}

// Whether an offspring genotype at one locus can come from the two parents'.
bool mendelian(long long s1, long long s2, long long m1, long long m2, long long f1, long long f2) {
  const auto from = [](long long allele, long long a, long long b) { return allele == a || allele == b; };
  return (from(s1, m1, m2) && from(s2, f1, f2)) || (from(s2, m1, m2) && from(s1, f1, f2));
}

TEST(Popgen, HermaphroditesAreListedOnceAndSelfAtTheGivenRate) {
  for (const double selfing : {0.0, 0.1, 1.0}) {
    SCOPED_TRACE(selfing);
    ScratchFolder folder;
    ASSERT_EQ(runPopgen(folder, "--hermaphrodites --selfing " + std::to_string(selfing) +
                                    " --mothers 100 --offspring 3000 --loci 12 --related 1"
                                    " --missing 0 --error 0 --truth")
                  .status,
              0);
    const Table plants = parse(readFile(folder.file("parents.PAR")));
    std::vector<long long> expected(100);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(identifiers(plants), expected);
    const Table seeds = parse(readFile(folder.file("sons.PRO")));
    const auto truth = parsePedigree(readFile(folder.file("pedigree.txt")));
    ASSERT_EQ(truth.size(), seeds.rows.size());
    size_t selfs = 0;
    for (const auto& [seed, pair] : truth) {
      ASSERT_TRUE(pair.first >= 1 && pair.first <= 100 && pair.second >= 1 && pair.second <= 100)
          << seed;
      selfs += pair.first == pair.second;
      const auto& s = seeds.rows[static_cast<size_t>(seed - 1)];
      const auto& m = plants.rows[static_cast<size_t>(pair.first - 1)];
      const auto& f = plants.rows[static_cast<size_t>(pair.second - 1)];
      for (size_t k = 0; k < 24; k += 2) {
        ASSERT_TRUE(mendelian(s[k], s[k + 1], m[k], m[k + 1], f[k], f[k + 1]))
            << "seed " << seed << " locus " << k / 2 + 1;
      }
    }
    EXPECT_NEAR(static_cast<double>(selfs) / truth.size(), selfing, 0.015);
  }
}

// Parent i of each role is in group i mod N + 1, counting in the order of
// parents.PAR before any is left out.
TEST(Popgen, GroupsKeepMothersInTheOffspringsGroupAndSomeFathersOutside) {
  struct Row {
    std::string args;
    double extra;
    bool plants;
  };
  const Row rows[] = {
      {"--mothers 100 --fathers 80 --groups 10 --unsampled-mothers 0.2", 0.0, false},
      {"--mothers 100 --fathers 80 --groups 10 --extra-group-fathers 0.3", 0.3, false},
      // Selfs stay at home: 0.9 x 0.2 of the seeds have pollen from elsewhere.
      {"--hermaphrodites --selfing 0.1 --mothers 90 --groups 9 --extra-group-fathers 0.2", 0.18,
       true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args);
    ScratchFolder folder;
    ASSERT_EQ(runPopgen(folder, r.args + " --offspring 3000 --loci 6 --truth").status, 0);
    const std::string text = readFile(folder.file("groups.tsv"));
    ASSERT_EQ(text.rfind("number\trole\tgroup\n", 0), 0u);
    std::map<std::pair<std::string, long long>, long long> groupOf;
    std::istringstream lines(text.substr(text.find('\n') + 1));
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      long long number = 0;
      long long group = 0;
      std::string role;
      ASSERT_TRUE(fields >> number >> role >> group) << line;
      EXPECT_TRUE(groupOf.insert({{role, number}, group}).second) << "twice: " << line;
    }
    std::map<std::string, size_t> perRole;
    for (const auto& [key, group] : groupOf) ++perRole[key.first];
    const Table parents = parse(readFile(folder.file("parents.PAR")));
    for (long long id : identifiers(parents)) {
      const long long index = id < 2000 ? id - 1 : id - 2000;
      const long long groups = r.plants ? 9 : 10;
      for (const char* role : {"mother", "father"}) {
        if (!r.plants && (std::string(role) == "mother") != (id < 2000)) continue;
        ASSERT_EQ(groupOf.count({role, id}), 1u) << role << " " << id;
        EXPECT_EQ(groupOf.at({role, id}), index % groups + 1) << role << " " << id;
      }
    }
    EXPECT_EQ(perRole["offspring"], 3000u);
    EXPECT_EQ(perRole["mother"] + perRole["father"],
              parents.rows.size() * (r.plants ? 2 : 1));
    // Parents left out have no line, yet their offspring keep the rule.
    size_t related = 0;
    size_t outside = 0;
    const long long groups = r.plants ? 9 : 10;
    for (const auto& [son, pair] : parsePedigree(readFile(folder.file("pedigree.txt")))) {
      if (pair.first == 0) continue;
      ++related;
      const long long group = groupOf.at({"offspring", son});
      EXPECT_EQ((pair.first - 1) % groups + 1, group) << "offspring " << son;
      const long long fatherIndex = r.plants ? pair.second - 1 : pair.second - 2000;
      outside += fatherIndex % groups + 1 != group;
    }
    EXPECT_NEAR(static_cast<double>(outside) / related, r.extra, 0.03);
  }
}

// The first line of every table remakes it, whatever options were used.
TEST(Popgen, TheCommandInTheCommentRemakesEveryDesign) {
  ScratchFolder scratch;
  writeFile(scratch.file("freq.txt"), "1 3 0.5\n1 7 0.5\n2 10 0.25\n2 11 0.75\n");
  const std::string designs[] = {
      "--unsampled-mothers 0.3 --unsampled-fathers 0.1 --seed 5",
      "--frequencies " + scratch.file("freq.txt") + " --error 0.05",
      "--mothers 40 --first-father-id 41 --seed 9",
      "--hermaphrodites --selfing 0.25 --mothers 20",
      "--groups 5 --extra-group-fathers 0.4 --unsampled-mothers 0.2",
  };
  for (const std::string& design : designs) {
    SCOPED_TRACE(design);
    ScratchFolder first;
    ASSERT_EQ(runPopgen(first, design + " --truth").status, 0);
    const std::string args = madeBy(readFile(first.file("parents.PAR")));
    ASSERT_FALSE(args.empty());
    ScratchFolder again;
    ASSERT_EQ(runPopgen(again, args + " --truth").status, 0);
    for (const char* name : {"parents.PAR", "sons.PRO", "pedigree.txt", "groups.tsv"}) {
      EXPECT_EQ(first.has(name), again.has(name)) << name;
      if (first.has(name)) {
        EXPECT_EQ(readFile(first.file(name)), readFile(again.file(name))) << name;
      }
    }
  }
}

// scripts/accuracy_tally.py, which scripts/accuracy.sh runs on each design:
// its shares on a hand-made run (the last, best: of the offspring whose true
// parent is sampled, those whose named one is right, whatever the call), with the table's columns found by name in
// either layout of the calls.
TEST(AccuracyTally, CountsCallsRightUnsampledParentsAndPosteriorBins) {
  ScratchFolder folder;
  // Mother 3 is left out of parents.PAR; offspring 4 is unrelated.
  writeFile(folder.file("parents.PAR"), "# parents\n1 1 1\n1 1 2\n1 1 2000\n1 1 2001\n");
  writeFile(folder.file("pedigree.txt"), "# truth\n1 1 2000\n2 2 2001\n3 3 2000\n4 - -\n");
  // Calls with posteriors (columns in another order than the program's, as a
  // table with columns added would have them) and the same run in the
  // layout without posteriors, where `confident` stands for strict.
  writeFile(folder.file("new.tsv"),
            "mother_call\toffspring\tmother\tfather\tfather_call\tpair_mother\tpair_father\t"
            "pair_call\tmother_posterior\tfather_posterior\tpair_posterior\n"
            "strict\t1\t1\t2000\tstrict\t1\t2000\tstrict\t0.97\t0.99\t0.96\n"
            "relaxed\t2\t1\t2001\trelaxed\t1\t2001\tambiguous\t0.85\t0.88\t0.6\n"
            "strict\t3\t2\t2000\tunlikely\t2\t2000\tunlikely\t0.95\t0.3\t\n"
            "ambiguous\t4\t2\t\t\t\t\t\t0.55\t\t\n");
  writeFile(folder.file("old.tsv"),
            "offspring\tmother\tmother_call\tfather\tfather_call\tpair_mother\tpair_father\t"
            "pair_call\n"
            "1\t1\tconfident\t2000\tconfident\t1\t2000\tconfident\n"
            "2\t1\tambiguous\t2001\tambiguous\t1\t2001\tambiguous\n"
            "3\t2\tconfident\t2000\tunlikely\t2\t2000\tunlikely\n"
            "4\t2\tambiguous\t\t\t\t\t\n");
  struct Row {
    const char* table;
    const char* line;  // the "all" line of one role, blanks collapsed
  };
  const Row rows[] = {
      {"new.tsv",
       "all mother 4 50.00% 50.00% 25.00% 0.00% 33.33% 2 50.00% 2 96.00% 50.00% 2 70.00% 0.00% "
       "50.00%"},
      {"new.tsv",
       "all father 4 25.00% 100.00% 25.00% 100.00% 100.00% 1 0.00% 1 99.00% 100.00% 1 88.00% "
       "100.00% 100.00%"},
      {"new.tsv",
       "all pair 4 25.00% 100.00% 0.00% - 100.00% 2 0.00% 1 96.00% 100.00% 1 60.00% 0.00% 50.00%"},
      {"old.tsv", "all mother 4 50.00% 50.00% - - - 2 50.00% - - - - - - 50.00%"},
      {"old.tsv", "all pair 4 25.00% 100.00% - - - 2 0.00% - - - - - - 50.00%"},
  };
  const std::string script =
      std::string(PARENTSPHERE_TESTDATA) + "/../../scripts/accuracy_tally.py";
  for (const Row& r : rows) {
    SCOPED_TRACE(r.line);
    const std::string out = folder.file("tally.out");
    const std::string command = "python3 '" + script + "' '" + folder.file("parents.PAR") +
                                "' '" + folder.file("pedigree.txt") + "' '" +
                                folder.file(r.table) + "' > '" + out + "' 2>&1";
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    ASSERT_EQ(std::system(command.c_str()), 0) << readFile(out);
    std::istringstream lines(readFile(out));
    std::string line;
    bool found = false;
    while (std::getline(lines, line)) {
      std::istringstream words(line);
      std::string word;
      std::string collapsed;
      while (words >> word) collapsed += (collapsed.empty() ? "" : " ") + word;
      if (collapsed.rfind(std::string(r.line).substr(0, 10), 0) == 0) {
        EXPECT_EQ(collapsed, r.line);
        found = true;
      }
    }
    EXPECT_TRUE(found) << readFile(out);
  }
}

}  // namespace
