#pragma once
#include <optional>
#include <string>

// `value` with exactly `decimals` digits after the point ("0.1250"), the same
// bytes on every machine; a value that rounds to zero is "0.0000", never
// "-0.0000". Empty text for an empty figure.
std::string decimalText(double value, int decimals);
std::string decimalText(const std::optional<double>& value, int decimals);

// `value` with `digits` significant digits when below 1 ("0.00054"), with
// one decimal from 1 on ("1.8"), for small chances quoted in sentences.
std::string significantText(double value, int digits);

// `value` with at most `decimals` digits after the point and no trailing
// zeros ("2", "0.5"), for numbers quoted in sentences.
std::string shortDecimalText(double value, int decimals);
