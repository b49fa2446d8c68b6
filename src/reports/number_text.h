#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Appends the plain decimal text of `value` to `out`: how the reports write numbers.
void appendInt(std::string& out, int64_t value);

constexpr size_t kMaxIntText = 20;
// writeInt for any value, out of line.
char* writeAnyInt(char* out, int64_t value);

// The text of 0 to 999: up to three digits, then their count.
constexpr int64_t kSmallIntEnd = 1000;
struct SmallIntText {
  char digits[3];
  char length;
};
extern const std::array<SmallIntText, kSmallIntEnd> kSmallIntText;

// Writes the decimal text of `value` at `out` (room for kMaxIntText chars) and
// returns the end of what it wrote. Inline for the alleles and identifiers
// below 1000 that most genotype lines hold: their four table bytes are copied
// whole, the end skipping what is not text.
inline char* writeInt(char* out, int64_t value) {
  if (value < 0 || value >= kSmallIntEnd) return writeAnyInt(out, value);
  const SmallIntText& text = kSmallIntText[static_cast<size_t>(value)];
  std::memcpy(out, &text, sizeof text);
  return out + text.length;
}
