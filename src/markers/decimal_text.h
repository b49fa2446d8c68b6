#pragma once
#include <optional>
#include <string>

// `value` with exactly `decimals` digits after the point ("0.1250"), the same
// bytes on every machine; a value that rounds to zero is "0.0000", never
// "-0.0000". Empty text for an empty figure.
std::string decimalText(double value, int decimals);
std::string decimalText(const std::optional<double>& value, int decimals);
