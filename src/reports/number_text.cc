#include "reports/number_text.h"

#include <cstring>

namespace {

// kPowers[d] is 10^d: a magnitude below kPowers[d] has at most d digits.
constexpr uint64_t kPowers[] = {1u,
                                10u,
                                100u,
                                1000u,
                                10000u,
                                100000u,
                                1000000u,
                                10000000u,
                                100000000u,
                                1000000000u,
                                10000000000u,
                                100000000000u,
                                1000000000000u,
                                10000000000000u,
                                100000000000000u,
                                1000000000000000u,
                                10000000000000000u,
                                100000000000000000u,
                                1000000000000000000u,
                                10000000000000000000u};
constexpr size_t kMostDigits = sizeof kPowers / sizeof kPowers[0];

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

char* writeInt(char* out, int64_t value) {
  // The digits go straight to their places: numbers are written once per
  // allele of every genotype line, the bulk of "Famgenotypes.out", and
  // alleles mostly have three digits or fewer.
  const uint64_t magnitude =
      value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  if (value < 0) *out++ = '-';
  if (magnitude < 10) {
    *out = static_cast<char>('0' + magnitude);
    return out + 1;
  }
  if (magnitude < 100) {
    std::memcpy(out, &kPairs[magnitude * 2], 2);
    return out + 2;
  }
  if (magnitude < 1000) {
    out[0] = static_cast<char>('0' + magnitude / 100);
    std::memcpy(out + 1, &kPairs[(magnitude % 100) * 2], 2);
    return out + 3;
  }
  size_t digits = 4;
  while (digits < kMostDigits && magnitude >= kPowers[digits]) ++digits;
  char* const end = out + digits;
  char* p = end;
  uint64_t rest = magnitude;
  while (rest >= 100) {
    p -= 2;
    std::memcpy(p, &kPairs[(rest % 100) * 2], 2);
    rest /= 100;
  }
  if (rest >= 10) {
    std::memcpy(p - 2, &kPairs[rest * 2], 2);
  } else {
    p[-1] = static_cast<char>('0' + rest);
  }
  return end;
}

void appendInt(std::string& out, int64_t value) {
  char buffer[kMaxIntText];
  out.append(buffer, static_cast<size_t>(writeInt(buffer, value) - buffer));
}
