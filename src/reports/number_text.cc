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

constexpr std::array<SmallIntText, kSmallIntEnd> smallIntTexts() {
  std::array<SmallIntText, kSmallIntEnd> texts{};
  for (int v = 0; v < kSmallIntEnd; ++v) {
    SmallIntText& t = texts[static_cast<size_t>(v)];
    const char hundreds = static_cast<char>('0' + v / 100);
    const char tens = static_cast<char>('0' + v / 10 % 10);
    const char units = static_cast<char>('0' + v % 10);
    size_t length = 0;
    if (v >= 100) t.digits[length++] = hundreds;
    if (v >= 10) t.digits[length++] = tens;
    t.digits[length++] = units;
    t.length = static_cast<char>(length);
  }
  return texts;
}

}  // namespace

// Built at compile time: ready before any static constructor could write.
const std::array<SmallIntText, kSmallIntEnd> kSmallIntText = smallIntTexts();

char* writeAnyInt(char* out, int64_t value) {
  // The digits go straight to their places, last first.
  const uint64_t magnitude =
      value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  if (value < 0) *out++ = '-';
  if (magnitude < 10) {
    *out = static_cast<char>('0' + magnitude);
    return out + 1;
  }
  size_t digits = 2;
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
