#include "app/command_line.h"

#ifndef PARENTSPHERE_VERSION
#error "PARENTSPHERE_VERSION must be defined by the build (the CMake project version)"
#endif

namespace {

const char* const kUsage = "usage: parentsphere [--help | --version]";

// An argument echoed back must not break the error's single line or drive
// the terminal: control characters show as '?'.
std::string printable(const std::string& arg) {
  std::string shown;
  for (char c : arg) shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
  return shown;
}

}  // namespace

std::string versionText() { return std::string("parentsphere ") + PARENTSPHERE_VERSION + "\n"; }

std::string helpText() {
  return "usage: parentsphere [--help | --version]\n"
         "\n"
         "Assigns parents to offspring from diploid microsatellite genotypes.\n"
         "\n"
         "Run it without arguments in a folder that holds two tables:\n"
         "  parents.PAR   candidate parents: two allele columns per locus, then the\n"
         "                parent's identifier; mothers (identifiers below 2000)\n"
         "                come first, then fathers (2000 and above)\n"
         "  sons.PRO      offspring: two allele columns per locus\n"
         "Values are separated by spaces or tabs, -99 is a missing allele and a\n"
         "line holding '#' anywhere is ignored.\n"
         "\n"
         "It asks \"Input the radius value (0, 2, 4, 6,8 ...): \" and reads one\n"
         "whole number from standard input (for example: echo 4 | parentsphere).\n"
         "The radius is a summed allele-size distance in the markers' own units:\n"
         "choose it from the repeat length (0: exact matches; 2: one scoring\n"
         "error at a dinucleotide locus; 4: one at a tetranucleotide locus).\n"
         "\n"
         "It writes three reports in the same folder and prints DONE:\n"
         "  Parent.out         the candidate mothers and fathers of every offspring\n"
         "  Fam.out            one line per offspring, mother and father family\n"
         "  Famgenotypes.out   the genotypes of every family\n"
         "\n"
         "Exit status: 0 done; 1 an input file or a report could not be used\n"
         "(the message says which); 2 a wrong command-line argument.\n"
         "\n"
         "Options:\n"
         "  --help      show this text and exit\n"
         "  --version   show the version and exit\n"
         "\n"
         "Documentation: man parentsphere (file formats, the reports column by\n"
         "column, every message). From a spreadsheet: csv2parentsphere --help.\n";
}

CommandLine readCommandLine(const std::vector<std::string>& args) {
  CommandLine command;
  if (args.empty()) return command;
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "--version")) {
    command.action = CommandLine::Action::Print;
    command.text = args[0] == "--help" ? helpText() : versionText();
    return command;
  }
  command.action = CommandLine::Action::UsageError;
  command.text = args.size() == 1 ? "parentsphere: unknown argument '" + printable(args[0]) + "'; "
                                  : "parentsphere: too many arguments; ";
  command.text += std::string(kUsage) + "\n";
  return command;
}
