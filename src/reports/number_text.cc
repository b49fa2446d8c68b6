#include "reports/number_text.h"

#include <cstring>

char* writeInt(char* out, int64_t value) {
  static const char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char buffer[20];
  char* end = buffer + sizeof buffer;
  char* p = end;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  while (magnitude >= 100) {
    const size_t pair = static_cast<size_t>(magnitude % 100) * 2;
    magnitude /= 100;
    *--p = kPairs[pair + 1];
    *--p = kPairs[pair];
  }
  if (magnitude >= 10) {
    const size_t pair = static_cast<size_t>(magnitude) * 2;
    *--p = kPairs[pair + 1];
    *--p = kPairs[pair];
  } else {
    *--p = static_cast<char>('0' + magnitude);
  }
  if (value < 0) *out++ = '-';
  const size_t length = static_cast<size_t>(end - p);
  std::memcpy(out, p, length);
  return out + length;
}

void appendInt(std::string& out, int64_t value) {
  char buffer[kMaxIntText];
  out.append(buffer, static_cast<size_t>(writeInt(buffer, value) - buffer));
}
