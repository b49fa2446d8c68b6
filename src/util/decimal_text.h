#pragma once
#include <optional>
#include <string>

// Numbers written with decimals, the same bytes on every machine: every
// fixed-decimal figure the program writes (the marker table, the summary
// page, the ranked table, the calibration file, the page's settings) comes
// from here. Two roundings, each kept where files already use it:
// printf's (the exact binary value rounded to the nearest), and half away
// from zero of the value times a power of ten (the ranked table's columns).

// `value` with exactly `decimals` digits after the point, as printf's "%.*f"
// writes it ("0.1250"; "-0.0000" for a small negative value).
std::string printedDecimal(double value, int decimals);

// The same, but a value that rounds to zero is "0.0000", never "-0.0000".
// Empty text for an empty figure.
std::string decimalText(double value, int decimals);
std::string decimalText(const std::optional<double>& value, int decimals);

// `value` with `digits` significant digits when below 1 ("0.00054"), with
// one decimal from 1 on ("1.8"), for small chances quoted in sentences.
std::string significantText(double value, int digits);

// `value` with at most `decimals` digits after the point and no trailing
// zeros ("2", "0.5"), for numbers quoted in sentences.
std::string shortDecimalText(double value, int decimals);

// `value` as a user would type it: at most six significant digits, no
// trailing zeros ("0.02", "1e-06"), as printf's "%.6g".
std::string typedNumberText(double value);

// Appends `value` times 10^decimals rounded half away from zero, written
// with `decimals` digits after the point (0 to 9); what rounds to zero is
// written without a sign.
void appendRoundedDecimal(std::string& out, double value, int decimals);
