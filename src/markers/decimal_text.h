#pragma once
#include <optional>
#include <string>

// `value` with exactly `decimals` digits after the point ("0.1250"), the same
// bytes on every machine; a value that rounds to zero is "0.0000", never
// "-0.0000". Empty text for an empty figure.
std::string decimalText(double value, int decimals);
std::string decimalText(const std::optional<double>& value, int decimals);

// `value` with at most `decimals` digits after the point and no trailing
// zeros ("2", "0.5"), for numbers quoted in sentences.
std::string shortDecimalText(double value, int decimals);
