#pragma once
#include <string>

// `text` with &, <, >, " and ' replaced by character references, safe inside
// HTML or SVG element content and quoted attribute values.
std::string escapeHtml(const std::string& text);
