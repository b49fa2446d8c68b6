#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ranking/genotype_tables.h"

// The names of the individuals, from the names.tsv that csv2parentsphere
// writes: a header line "number<TAB>role<TAB>name", then one line per
// individual: its number (a parent's identifier, an offspring's line number
// in sons.PRO), its role (mother, father or offspring) and its name.
class NameBook {
 public:
  // Reads the file and checks that it names every parent and every offspring
  // of `tables`. Throws RunFailure naming the file (and the line) on an
  // unreadable file, a wrong header, a malformed line, a name holding a
// control character or starting with =, +, - or @, a parent named in the
// other role than the tables give it, a number named twice
  // for one role, or an individual of the tables without a name.
  NameBook(const std::string& path, const GenotypeTables& tables);

  const std::string& parent(int32_t identifier) const { return parents_.at(identifier); }
  const std::string& offspring(int64_t number) const { return offspring_.at(number); }

  // How many parents (offspring) bear `name`; when at least one, `*number`
  // is the identifier of the smallest (the offspring's number).
  size_t parentsNamed(const std::string& name, int64_t* number) const;
  size_t offspringNamed(const std::string& name, int64_t* number) const;
  // Every offspring name, in no particular order.
  std::vector<std::string> offspringNames() const;

 private:
  std::unordered_map<int64_t, std::string> parents_;
  std::unordered_map<int64_t, std::string> offspring_;
  // name -> (how many bear it, the smallest number).
  std::unordered_map<std::string, std::pair<size_t, int64_t>> parentIndex_;
  std::unordered_map<std::string, std::pair<size_t, int64_t>> offspringIndex_;
};
