#pragma once
#include <cstdint>
#include <string>

// The one-character text of a decimal digit 0..9; "" for any other value.
std::string digittoS(int digit);
// The decimal text of `value`: "0", digits without leading zeros, "-" before a
// negative value's magnitude (INT_MIN included).
std::string ItoS(int value);

// Appends the plain decimal text of `value` to `out` (the reports' fast path).
void appendInt(std::string& out, int64_t value);

// Writes the decimal text of `value` at `out` (room for kMaxIntText chars) and
// returns the end of what it wrote.
constexpr size_t kMaxIntText = 20;
char* writeInt(char* out, int64_t value);
