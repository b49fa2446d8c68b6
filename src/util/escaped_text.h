#pragma once
#include <cstddef>
#include <string>

// Text from the user's files made safe where it is shown.

// `text` as it may be shown on one line of a terminal: control characters,
// bytes above 0x7e and backslashes as \xNN (a carriage return as \r), cut to
// a short length with "..." when it, or the `fullLength` it was cut from, is
// longer.
std::string shownText(const std::string& text, size_t fullLength = 0);

// `text` with &, <, >, " and ' replaced by character references, safe inside
// HTML or SVG element content and quoted attribute values.
std::string escapeHtml(const std::string& text);
