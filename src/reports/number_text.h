#pragma once
#include <cstdint>
#include <string>

// Appends the plain decimal text of `value` to `out`: how the reports write numbers.
void appendInt(std::string& out, int64_t value);

// Writes the decimal text of `value` at `out` (room for kMaxIntText chars) and
// returns the end of what it wrote.
constexpr size_t kMaxIntText = 20;
char* writeInt(char* out, int64_t value);
