#pragma once
#include <string>
#include <vector>

// The one rule for the files a run reads and writes: no file the run writes
// may be a file it reads or another file it writes, however the two are
// named. Paths are compared by what they reach, not by how they are spelt:
// every folder on the way is followed through its links, a file not yet
// there is known by its folder's identity (device and inode) and its name,
// and a file already there also by its own identity.
struct RunPath {
  enum class Use {
    Read,      // an input: also known by what a link at its name leads to
    Replaced,  // a file the run always writes under a fixed name (a report):
               // a link there is replaced, so only the name counts
    Named,     // an output the user named: a link there is followed too,
               // and it must be a regular file if it exists
  };
  std::string path;
  std::string label;  // how a message names it, e.g. "--table 'x.tsv'"
  Use use = Use::Read;
};

// "" when the paths keep to the rule; otherwise one line saying why not,
// naming both paths by their labels (or a named output that exists as a
// folder, a device, a FIFO or a socket). Empty paths are skipped.
std::string pathClash(const std::vector<RunPath>& paths);
