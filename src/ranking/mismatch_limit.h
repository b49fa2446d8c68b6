#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ranking/allele_frequencies.h"

// --max-mismatches auto: the scope limit K from the data. A true parent
// shares no allele with its offspring at a locus only when the allele it
// passed was misread (the likelihood model's error rate e) as another allele
// that it does not carry, and the offspring's other allele is not one of its
// own either. With the parent's genotype g drawn from the frequencies and the
// misread allele from those of the other alleles, that is
// e * sum P(g) * (1 - F(g)) / (1 - f(passed)) * (1 - F(g)) per locus, F(g) the
// frequency of g's alleles: e p q at an SNP, where a misread allele is the
// other one. Over L loci typed in both, a true parent's mismatches are then
// about Binomial(L, m), m that chance averaged over the loci. K is the
// smallest count whose tail P(X > K) is at most kLostParentShare: the share of
// true parents left out of the scope stays below one in a thousand.
constexpr double kLostParentShare = 0.001;

// Per number of typed loci L, 0 to `loci`, the smallest K with
// P(Binomial(L, errorRate) > K) <= lostShare. `errorRate` is in (0, 1).
std::vector<int32_t> mismatchLimits(int32_t loci, double errorRate,
                                    double lostShare = kLostParentShare);

// m above: the chance that a true parent shares no allele with its
// offspring at a locus, averaged over the loci; `errorRates` holds e per
// locus. 0 when no locus has two alleles.
double trueParentMismatchRate(const AlleleFrequencies& frequencies,
                              const std::vector<double>& errorRates);

// P(Binomial(loci, rate) > limit) in percent, as the table's note writes it:
// two significant digits, at least "0.01".
std::string lostPercent(int32_t loci, double rate, int32_t limit);
