#include "core/number_text.h"

namespace tessel {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

int32_t parseInteger(const char* text) {
  if (text == nullptr) return 0;
  while (isSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  uint32_t magnitude = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    magnitude = magnitude * 10u + static_cast<uint32_t>(*text - '0');
  }
  return static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
}

std::size_t formatInteger(int32_t value, char (&buffer)[kDecimalBufferSize]) {
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  char digits[10];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10u);
    magnitude /= 10u;
  } while (magnitude != 0);
  std::size_t length = 0;
  if (value < 0) buffer[length++] = '-';
  while (count > 0) buffer[length++] = digits[--count];
  buffer[length] = '\0';
  return length;
}

}  // namespace tessel
