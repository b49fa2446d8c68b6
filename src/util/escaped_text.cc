#include "util/escaped_text.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr size_t kShownTokenLength = 24;

}  // namespace

std::string shownText(const std::string& text, size_t fullLength) {
  std::string shown;
  for (size_t i = 0; i < text.size() && i < kShownTokenLength; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r') {
      shown += "\\r";
    } else if (c < 0x20 || c >= 0x7f || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  if (std::max(fullLength, text.size()) > kShownTokenLength) shown += "...";
  return shown;
}


std::string escapeHtml(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}
