#pragma once
#include <ostream>
#include <vector>

#include "reference/family.h"
#include "reference/son.h"

// The program streams the reports (analysis/analyse.h); these writers are the
// record-level form kept as the reference for the identity tests. Both build
// their text from reports/report_text.h.

// The report writers over whole record lists. Each builds its text in memory
// and writes it to the stream in one piece; the caller owns the stream, its
// opening and its failure handling.

// "Parent.out": the candidate mothers and fathers of every offspring that has
// any, with their match tags; offspring are numbered by list position.
void writeParents(std::ostream& out, std::vector<Son> sons);

// "Fam.out" text to `out` and the genotype listing to "Famgenotypes.out", which
// it opens (truncating) and closes itself. Returns false when that file could
// not be opened, written or closed.
bool writeFamilieswithGenotypes(std::ostream& out, std::vector<Family> families);
// The same, with the genotype listing written to `genotypes` instead.
void writeFamilieswithGenotypes(std::ostream& out, std::ostream& genotypes,
                                const std::vector<Family>& families);

// The family list alone: exactly the "Fam.out" text, no other file touched.
void writeFamilies(std::ostream& out, std::vector<Family> families);

// A line feed and the number of each offspring that has any candidate: the
// block numbers of the parent report, without the blocks.
void writeParentsRaw(std::ostream& out, std::vector<Son> sons);
