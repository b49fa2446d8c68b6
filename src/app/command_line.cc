#include "app/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>

#include "app/marker_options.h"
#include "app/run_paths.h"
#include "files/size_guard.h"
#include "util/number_reader.h"

#ifndef PARENTSPHERE_VERSION
#error "PARENTSPHERE_VERSION must be defined by the build (the CMake project version)"
#endif

namespace {

const char* const kUsage = "usage: parentsphere [OPTIONS] (parentsphere --help lists them)";
constexpr size_t kOptionColumn = 24;

const char* const kHelpIntro =
    "usage: parentsphere [OPTIONS]\n"
    "\n"
    "Assigns parents to offspring from diploid microsatellite genotypes.\n"
    "\n"
    "It reads two tables, by default from the current folder:\n"
    "  parents.PAR   candidate parents: two allele columns per locus, then the\n"
    "                parent's identifier; mothers (identifiers below 2000,\n"
    "                or --first-father-id) come first, then fathers\n"
    "  sons.PRO      offspring: two allele columns per locus\n"
    "Values are separated by spaces or tabs, -99 is a missing allele and a\n"
    "line holding '#' anywhere is ignored.\n"
    "\n"
    "Without --radius it asks \"Input the radius value (0, 2, 4, 6,8 ...): \"\n"
    "and reads one whole number from standard input (echo 4 | parentsphere).\n"
    "The radius is a summed allele-size distance in the markers' own units:\n"
    "choose it from the repeat length (0: exact matches; 2: one scoring\n"
    "error at a dinucleotide locus; 4: one at a tetranucleotide locus).\n"
    "\n"
    "It writes three reports, by default in the current folder:\n"
    "  Parent.out         the candidate mothers and fathers of every offspring\n"
    "  Fam.out            one line per offspring, mother and father family\n"
    "  Famgenotypes.out   the genotypes of every family\n"
    "and prints DONE. With --radius it prints instead, for each radius,\n"
    "\"radius R: reports in DIR\" once they are written, then DONE.\n";

const char* const kHelpEnd =
    "\n"
    "A radius sweep in a script, the tables read once:\n"
    "  parentsphere -q -r 2,4,6 -o sweep   # sweep/radius-2/Fam.out, ...\n"
    "\n"
    "Data that reads but looks wrong is warned about on standard error, one\n"
    "line per kind: negative values other than -99, values with text after\n"
    "their digits (10A_2016 read as 10), parent identifiers made invalid or\n"
    "repeated, fathers listed before mothers, individuals typed at fewer than\n"
    "half the loci, a radius typed at the prompt that is not a number; with\n"
    "--names each place also gives the individual's name.\n"
    "\n"
    "Every file the run writes (the reports, --table, --markers, --summary)\n"
    "must differ from every file it reads and from the other outputs, through\n"
    "links too, and be a regular file if it exists; a run locks every folder it\n"
    "writes into, and stops at once when another run holds one.\n"
    "\n"
    "Exit status: 0 done; 1 an input file or a report could not be used\n"
    "(the message says which); 2 a wrong command-line argument.\n"
    "\n"
    "Documentation: man parentsphere (file formats, the reports column by\n"
    "column, every message). From a spreadsheet: csv2parentsphere --help.\n";

// The help text: the introduction, CLI11's list of every option group, the end.
class HelpLayout : public CLI::Formatter {
 public:
  std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override {
    return kHelpIntro + make_groups(app, mode) + kHelpEnd;
  }
};

// An argument echoed back must not break the error's single line or drive
// the terminal: control characters show as '?'.
std::string printable(const std::string& arg) {
  std::string shown;
  for (char c : arg) shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
  return shown;
}

CLI::Validator nonEmpty() {
  return CLI::Validator(
      [](std::string& value) { return value.empty() ? std::string("an empty name") : std::string(); },
      "");
}

// The radius, the tables and the reports' folder, the quiet switch.
void addRunOptions(CLI::App& app, RunOptions& options) {
  app.add_option_function<std::string>(
         "-r,--radius",
         [&options](const std::string& text) {
           std::string error;
           options.radii = parseRadii(text, error);
           if (!error.empty()) throw CLI::ValidationError("--radius", error);
         },
         "analyse for radius R without asking; with\n"
         "several radii the tables are read once and\n"
         "each radius's reports go to DIR/radius-R")
      ->type_name("R[,R...]");
  app.add_option("--parents", options.parentsFile, "the candidate parents (default parents.PAR)")
      ->type_name("FILE")
      ->check(nonEmpty());
  app.add_option("--offspring", options.offspringFile, "the offspring (default sons.PRO)")
      ->type_name("FILE")
      ->check(nonEmpty());
  app.add_option("-o,--output-dir", options.outputDir,
                 "where the reports go, created if missing\n(default: the current folder)")
      ->type_name("DIR")
      ->check(nonEmpty());
  app.add_flag("-q,--quiet", options.quiet, "no warnings, no progress line")
      ->disable_flag_override();
}

// Stores a number read (util/number_reader.h) in its setting; false, the
// setting untouched, when the text was not one.
template <typename Read, typename Setting>
bool store(const std::optional<Read>& read, Setting& setting) {
  if (read) setting = static_cast<Setting>(*read);
  return read.has_value();
}

// An option whose value `read` parses; a value it rejects is a usage error
// saying what the option takes.
template <typename Read>
CLI::Option* addCheckedOption(CLI::App& app, const std::string& name, const std::string& takes,
                              Read read, const std::string& description) {
  return app.add_option_function<std::string>(
      name,
      [name, takes, read](const std::string& text) {
        if (!read(text)) throw CLI::ValidationError(name, "'" + text + "' is not " + takes);
      },
      description);
}

// The options that only make sense with --table (checked after parsing: the
// help text stays plain).
const char* const kTableSettings[] = {"--frequencies", "--error-rate", "--max-mismatches",
                                      "--known-mothers", "--min-delta", "--names",
                                      "--sampled-mothers", "--sampled-fathers",
                                      "--groups",        "--exclude",      "--candidates",
                                      "--calibrate", "--sim-error", "--seed"};

// The options that only make sense with --calibrate.
const char* const kCalibrationSettings[] = {"--sim-error", "--seed"};

// How many offspring --calibrate simulates: without a number, kDefaultSimulated.
constexpr size_t kDefaultSimulated = 10000;
constexpr size_t kMinSimulated = 100;
constexpr size_t kMaxSimulated = 10000000;

// --calibrate [N], --sim-error E, --seed S.
void addCalibrationOptions(CLI::App& app, TableOptions& table) {
  addCheckedOption(
      app, "--calibrate", "a whole number from 100 to 10000000",
      [&table](const std::string& text) {
        if (text.empty()) {
          table.calibrate = kDefaultSimulated;
          return true;
        }
        return store(readDigits(text, kMinSimulated, kMaxSimulated, 20), table.calibrate);
      },
      "simulate N offspring like the run's (default\n10000) to measure the calls; writes\nTABLE.calibration")
      ->type_name("[N]")
      ->expected(0, 1);
  addCheckedOption(
      app, "--sim-error", "a number from 0 to 0.5",
      [&table](const std::string& text) {
        return store(readDecimal(text, 0.0, kMaxErrorRate), table.simError);
      },
      "the simulated typing-error rate (default:\nthe --error-rate)")
      ->type_name("E");
  addCheckedOption(
      app, "--seed", "a whole number from 0 to 18446744073709551615",
      [&table](const std::string& text) {
        return store(readDigits(text, 0, UINT64_MAX, 20), table.seed);
      },
      "the simulation's seed (default 1): the same\nseed gives the same file")
      ->type_name("S");
}

// --sampled-mothers or --sampled-fathers: a share above 0 and at most 1;
// `given` records that the user chose it.
void addSampledShare(CLI::App& app, const std::string& name, const std::string& sex,
                     double& share, bool& given) {
  addCheckedOption(
      app, name, "a number above 0 and at most 1",
      [&share, &given](const std::string& text) {
        const std::optional<double> value = readDecimal(text, 0.0, 1.0);
        if (!value || !(*value > 0.0)) return false;
        share = *value;
        given = true;
        return true;
      },
      "share of the true " + sex + " among the\ncandidates, for the posteriors (default 0.5)")
      ->type_name("P");
}

// The ranked table of the most likely parents and how it scores and calls.
void addTableOptions(CLI::App& app, TableOptions& table) {
  app.add_option("--table", table.table,
                 "also write the ranked table of the most\nlikely parents to FILE (one radius)")
      ->type_name("FILE")
      ->check(nonEmpty());
  app.add_option("--frequencies", table.frequencies,
                 "allele frequencies: lines 'locus allele\nfrequency' (default: counted)")
      ->type_name("FILE")
      ->check(nonEmpty());
  addCheckedOption(
      app, "--error-rate", "a number from 0.000001 to 0.5",
      [&table](const std::string& text) {
        // A value written like a number (a digit, point or sign first) is
        // the rate; anything else names a file of per-locus rates.
        if (!text.empty() && text.find_first_not_of("0123456789.eE+-") == std::string::npos &&
            std::string("0123456789.+-").find(text[0]) != std::string::npos) {
          table.errorRates.clear();
          return store(readDecimal(text, kMinErrorRate, kMaxErrorRate), table.settings.errorRate);
        }
        table.errorRates = text;
        return !text.empty();
      },
      "the table's typing-error rate (default 0.02),\n"
      "or a FILE of lines 'locus rate' (by number\n"
      "or name; a line 'default rate' for the rest)")
      ->type_name("E|FILE");
  addCheckedOption(
      app, "--max-mismatches", "a whole number from 0 to 2147483647 or 'auto'",
      [&table](const std::string& text) {
        table.settings.maxMismatchesGiven = true;
        table.settings.autoMismatches = text == "auto";
        if (table.settings.autoMismatches) return true;
        return store(readDigits(text, 0, INT_MAX, 10), table.settings.maxMismatches);
      },
      "score candidates with at most K loci\nsharing no allele; auto: from the loci\ntyped, their allele frequencies and\n--error-rate; default 2, and auto's K for\noffspring with a strict parent but no\nstrict pair")
      ->type_name("K");
  app.add_option("--known-mothers", table.knownMothers,
                 "lines 'offspring mother': mothers known\nbeforehand (numbers, or names with --names)")
      ->type_name("FILE")
      ->check(nonEmpty());
  addCheckedOption(
      app, "--min-delta", "a number from 0",
      [&table](const std::string& text) {
        return store(readDecimal(text, 0.0, HUGE_VAL), table.settings.minDelta);
      },
      "least delta of a strict or relaxed call\n(default 0: the posterior decides)")
      ->type_name("D");
  addSampledShare(app, "--sampled-mothers", "mothers", table.settings.sampledMothers,
                  table.settings.sampledMothersGiven);
  addSampledShare(app, "--sampled-fathers", "fathers", table.settings.sampledFathers,
                  table.settings.sampledFathersGiven);
  app.add_option("--names", table.names,
                 "show names from the names.tsv of\ncsv2parentsphere in the table and warnings")
      ->type_name("FILE")
      ->check(nonEmpty());
  app.add_option("--groups", table.groups,
                 "tab-separated 'number role group' lines:\n"
                 "an offspring's table candidates are the\n"
                 "parents sharing a group with it (a parent\n"
                 "or offspring without a group: all); the\n"
                 "three reports are not changed")
      ->type_name("FILE")
      ->check(nonEmpty());
  app.add_option("--locus-names", table.locusNamesFile,
                 "one name per line, in locus order: labels\n"
                 "the loci of --markers, --summary and the\n"
                 "table's messages (default: the tables'\n"
                 "'# loci' line)")
      ->type_name("FILE")
      ->check(nonEmpty());
  app.add_option("--candidates", table.candidates,
                 "also write the short list: per offspring\n"
                 "the best K scored mothers and fathers,\n"
                 "one row each")
      ->type_name("FILE")
      ->check(nonEmpty());
  addCheckedOption(
      app, "--top", "a whole number from 1 to 1000000",
      [&table](const std::string& text) {
        return store(readDigits(text, 1, 1000000, 7), table.top);
      },
      "candidates per role in the short list\n(default 5)")
      ->type_name("K");
  app.add_option("--exclude", table.exclude,
                 "lines 'offspring candidate': pairs the\ntable never scores")
      ->type_name("FILE")
      ->check(nonEmpty());
}

// How many threads read the tables and search the offspring: a whole number
// from 1 to kMaxThreads, digits only.
constexpr unsigned kMaxThreads = 1024;

// Hermaphrodites: one list of individuals, each a candidate of both roles.
void addDesignOptions(CLI::App& app, RankingSettings& settings) {
  app.add_flag("--hermaphrodites", settings.hermaphrodites,
               "every individual of the parents table is a\n"
               "candidate mother and father (listed once;\n"
               "the reports show it in both roles)")
      ->disable_flag_override();
  app.add_flag_function(
         "--no-selfing", [&settings](std::int64_t) { settings.selfing = false; },
         "with --hermaphrodites: no pair of one\nindividual with itself in the table")
      ->disable_flag_override();
}

void addThreadOptions(CLI::App& app, RunOptions& options) {
  app.add_option_function<std::string>(
         "--threads",
         [&options](const std::string& text) {
           const std::optional<uint64_t> count = readDigits(text, 1, kMaxThreads, 4);
           if (!count) {
             throw CLI::ValidationError("--threads", "'" + text + "' is not a whole number from 1 to " +
                                                         std::to_string(kMaxThreads));
           }
           options.threads = static_cast<unsigned>(*count);
         },
         "threads reading the tables and searching the\n"
         "offspring, 1 to 1024 (default: the cores available)")
      ->type_name("N");
}

// Where the mothers' identifiers end: a programme with 2,000 mothers or more
// numbers its fathers from a higher identifier.
void addRoleOptions(CLI::App& app, RunOptions& options) {
  addCheckedOption(
      app, "--first-father-id", "a whole number from 1 to 2147483647",
      [&options](const std::string& text) {
        return store(readDigits(text, 1, INT_MAX, 10), options.firstFatherId);
      },
      "parents with a lower identifier are\nmothers, the others fathers (default 2000)")
      ->type_name("N");
}

// The most the reports may take.
void addSizeOption(CLI::App& app, RunOptions& options) {
  addCheckedOption(
      app, "--max-output", "a size (bytes, or a whole number followed by K, M, G or T)",
      [&options](const std::string& text) { return readSize(text, options.maxOutput); },
      "stop, old reports kept, when the reports of a\n"
      "radius would take more than SIZE (20G, 500M)")
      ->type_name("SIZE");
}

// The parser with every option group, filling `options`.
void buildParser(CLI::App& app, RunOptions& options) {
  app.formatter(std::make_shared<HelpLayout>());
  app.get_formatter()->column_width(kOptionColumn);
  app.set_help_flag("-h,--help", "show this text and exit");
  app.set_version_flag("--version", versionText(), "show the version and exit");
  addRunOptions(app, options);
  addTableOptions(app, options.table);
  addCalibrationOptions(app, options.table);
  addMarkerOptions(app, options);
  addDesignOptions(app, options.table.settings);
  addThreadOptions(app, options);
  addRoleOptions(app, options);
  addSizeOption(app, options);
}

CommandLine usageError(const std::string& what) {
  CommandLine command;
  command.action = CommandLine::Action::UsageError;
  command.text = "parentsphere: " + printable(what) + "; " + kUsage + "\n";
  return command;
}

}  // namespace

std::vector<int> parseRadii(const std::string& text, std::string& error) {
  std::vector<int> radii;
  size_t start = 0;
  for (;;) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, comma - start);
    const std::optional<uint64_t> read = readDigits(item, 0, INT_MAX);
    if (!read) {
      error = "'" + item + "' is not a whole number from 0 to " + std::to_string(INT_MAX);
      return {};
    }
    const int radius = static_cast<int>(*read);
    if (std::find(radii.begin(), radii.end(), radius) != radii.end()) {
      error = "radius " + std::to_string(radius) + " is given twice";
      return {};
    }
    radii.push_back(radius);
    if (comma == text.size()) return radii;
    start = comma + 1;
  }
}

std::string versionText() { return std::string("parentsphere ") + PARENTSPHERE_VERSION + "\n"; }

std::string helpText() {
  CLI::App app("", "parentsphere");
  RunOptions ignored;
  buildParser(app, ignored);
  return app.help();
}

CommandLine readCommandLine(const std::vector<std::string>& args) {
  CommandLine command;
  CLI::App app("", "parentsphere");
  buildParser(app, command.options);
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    command.action = CommandLine::Action::Print;
    command.text = helpText();
    return command;
  } catch (const CLI::CallForVersion&) {
    command.action = CommandLine::Action::Print;
    command.text = versionText();
    return command;
  } catch (const CLI::ExtrasError&) {
    return usageError("unknown argument '" + app.remaining().front() + "'");
  } catch (const CLI::ParseError& error) {
    return usageError(error.what());
  }
  // "--" alone ends the options without an error, but the program takes no
  // other arguments.
  if (!app.remaining().empty()) return usageError("unknown argument '" + app.remaining().front() + "'");
  if (command.options.table.table.empty()) {
    for (const char* name : kTableSettings) {
      if (app.count(name) > 0) return usageError(std::string(name) + " needs --table");
    }
  } else if (command.options.table.calibrate == 0 && app.count("--calibrate") == 0) {
    for (const char* name : kCalibrationSettings) {
      if (app.count(name) > 0) return usageError(std::string(name) + " needs --calibrate");
    }
  }
  if (!command.options.table.table.empty() && command.options.radii.size() > 1) {
    // One table file cannot hold the rows of several radii.
    return usageError("--table takes a single radius");
  }
  const RunOptions& o = command.options;
  if (app.count("--no-selfing") > 0 && !o.table.settings.hermaphrodites) {
    return usageError("--no-selfing needs --hermaphrodites");
  }
  if (app.count("--top") > 0 && o.table.candidates.empty()) return usageError("--top needs --candidates");
  if (app.count("--locus-names") > 0 && o.table.table.empty() && o.markersFile.empty() &&
      o.summaryFile.empty()) {
    return usageError("--locus-names needs --table, --markers or --summary");
  }
  const std::string pathError = runPathsError(command.options);
  if (!pathError.empty()) return usageError(pathError);
  return command;
}
