#pragma once
#include <cstdint>
#include <vector>

// --max-mismatches auto: the scope limit K from the data. A true parent
// shares no allele with its offspring at a locus only when the allele it
// passed was mis-scored, which the likelihood model puts at the error rate e;
// over L loci typed in both its mismatches are then at most Binomial(L, e).
// K is the smallest count whose tail P(X > K) is at most kLostParentShare:
// the share of true parents left out of the scope stays below one in a
// thousand, whatever the panel.
constexpr double kLostParentShare = 0.001;

// Per number of typed loci L, 0 to `loci`, the smallest K with
// P(Binomial(L, errorRate) > K) <= lostShare. `errorRate` is in (0, 1).
std::vector<int32_t> mismatchLimits(int32_t loci, double errorRate,
                                    double lostShare = kLostParentShare);
