#include "core/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace tessel {
namespace {

TEST(ParseInteger, ReadsAsAtolDoes) {
  EXPECT_EQ(parseInteger("12abc"), 12);
  EXPECT_EQ(parseInteger("  -7"), -7);
  EXPECT_EQ(parseInteger("\t\n+5"), 5);
  EXPECT_EQ(parseInteger("abc"), 0);
  EXPECT_EQ(parseInteger(""), 0);
  EXPECT_EQ(parseInteger("-"), 0);
  EXPECT_EQ(parseInteger("+-3"), 0);
  EXPECT_EQ(parseInteger("- 3"), 0);
  EXPECT_EQ(parseInteger(nullptr), 0);
}

TEST(ParseInteger, WrapsAtThirtyTwoBits) {
  EXPECT_EQ(parseInteger("2147483647"), INT32_MAX);
  EXPECT_EQ(parseInteger("2147483648"), INT32_MIN);
  EXPECT_EQ(parseInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(parseInteger("4294967297"), 1);
  EXPECT_EQ(parseInteger("99999999999999999999"), 1661992959);  // 10^20 - 1 modulo 2^32
}

TEST(FormatInteger, WritesDecimalWithTerminator) {
  char buffer[kDecimalBufferSize];
  for (int32_t v : {0, 7, -5, 42, 1234567890, INT32_MAX, INT32_MIN}) {
    const std::size_t n = formatInteger(v, buffer);
    EXPECT_EQ(std::string(buffer), std::to_string(v));
    EXPECT_EQ(n, std::to_string(v).size());
    EXPECT_EQ(parseInteger(buffer), v);
  }
}

}  // namespace
}  // namespace tessel
