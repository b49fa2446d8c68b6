#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The one reader of the numbers people type (options, the small text files
// of the ranked table); the genotype tables have their own, strtol-like, in
// input/. Each is pure: the text in, the value or nothing out; the caller
// says what was wrong in its own words.

// Digits only (no sign, no blanks; leading zeros are fine) making a value
// from `low` to `high`. Text longer than `mostLength` characters is refused
// whatever it holds: some options take a field of fixed width.
std::optional<uint64_t> readDigits(std::string_view text, uint64_t low, uint64_t high,
                                   size_t mostLength = SIZE_MAX);

// Digits after an optional '-' making a value from `low` to `high`.
std::optional<int64_t> readWholeNumber(std::string_view text, int64_t low, int64_t high);

// A decimal number written plainly (digits, a point, a sign, an exponent:
// no blanks, nan, inf or hex) from `low` to `high`.
std::optional<double> readDecimal(std::string_view text, double low, double high);
