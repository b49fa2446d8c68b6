#pragma once
// A four-parent, three-offspring population small enough to work out by hand,
// with every report feature the failure tests need to see intact: all three
// match tags, a son without candidates (3), a son with untyped alleles marked
// '*' (2), and two family groups. One locus; radius 2.
//
//   son 1 (100,104): mother 1001 (100,102) near 0 far 2, Included;
//                    mother 1002 (104,110) near 0 far 4, SemiIncluded, total match;
//                    father 2001 (102,104) near 0 far 2, Included;
//                    father 2002 (106,108) near 2 far 6, SemiIncluded, no total match.
//                    Families: 1001x2001, 1001x2002 (104 is 2 from 106), 1002x2001
//                    (104 from the mother, 100 is 2 from 102); 1002x2002 fails (no
//                    father allele within 2 of 100).
//   son 2 (-99,112): the untyped allele puts every parent at (0,0): all Included.
//                    Only mother 1002 holds an allele within 2 of 112 (110), and the
//                    untyped allele fits any father: families 1002x2001, 1002x2002.
//   son 3 (150,160): every parent is more than 2 away: no block, no family.
// Candidates rank by heteroSum: mothers 1001 (2), 1002 (6); fathers 2001 (2),
// 2002 (2), equal, so they keep table order.
#include <map>
#include <string>

namespace tiny {

inline const std::string kPrompt = "Input the radius value (0, 2, 4, 6,8 ...): ";
inline const std::string kDone = "\nDONE\n";
inline const std::string kRadius = "2\n";

inline const std::string kParents =
    "# mothers first, then fathers\n"
    "100 102 1001\n"
    "104 110 1002\n"
    "102 104 2001\n"
    "106 108 2002\n";
inline const std::string kSons =
    "100 104\n"
    "-99 112\n"
    "150 160\n";

inline const std::string kDash = std::string(65, '-') + "\n";
// Standard error of a run: son 2 is untyped at the only locus.
inline const std::string kUntypedWarning =
    "parentsphere: warning: 1 individual has no typed locus, so it matches every genotype: "
    "sons.PRO:2\n";

inline const std::string kParentReport =
    "Radius = 2\n"
    "\n"
    "SONS\t\tMOTHERS\t\t\t\tFATHERS\t\n" +
    kDash +
    "\n"
    "1\t\t1001(I-TOTAL MATCH)\t\t2001(I-TOTAL MATCH)\n"
    "\t\t1002(S-TOTAL MATCH)\t\t2002(NON-TOTAL MATCH)\n" +
    kDash +
    "\n"
    "2\t\t1001(I-TOTAL MATCH)\t\t2001(I-TOTAL MATCH)\n"
    "\t\t1002(I-TOTAL MATCH)\t\t2002(I-TOTAL MATCH)\n" +
    kDash;

inline const std::string kFamilyReport =
    "2 sons with assigned family (R =2):\n"
    "\n"
    "SON\t\tMOTHER\tFATHER\n" +
    kDash +
    "1\t\t1001\t\t2001\n"
    "\t\t1001\t\t2002\n"
    "\t\t1002\t\t2001\n"
    "\n"
    "2*\t\t1002\t\t2001\n"
    "*\t\t1002\t\t2002\n";

inline const std::string kUnderscores = std::string(17 + 10, '_') + "\n";

inline const std::string kGenotypeReport =
    "\n"
    "OFFSPRING 1   \t100 104 \n" +
    kUnderscores +
    "Mother 1001\t\t100 102 \n"
    "Father 2001\t\t102 104 \n"
    "\n"
    "Mother 1001\t\t100 102 \n"
    "Father 2002\t\t106 108 \n"
    "\n"
    "Mother 1002\t\t104 110 \n"
    "Father 2001\t\t102 104 \n"
    "\n"
    "\n"
    "OFFSPRING 2   \t-99 112 \n" +
    kUnderscores +
    "Mother 1002\t\t104 110 \n"
    "Father 2001\t\t102 104 \n"
    "\n"
    "Mother 1002\t\t104 110 \n"
    "Father 2002\t\t106 108 \n"
    "\n";

inline const std::map<std::string, std::string> kReports = {
    {"Parent.out", kParentReport},
    {"Fam.out", kFamilyReport},
    {"Famgenotypes.out", kGenotypeReport},
};

}  // namespace tiny
