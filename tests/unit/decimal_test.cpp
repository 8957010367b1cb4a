#include "app/decimal.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct DecimalCase {
  std::string text;
  int32_t expected;
};

class DecimalTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalTest, ConvertsLikeTheOffsetAndCountBoxesNeed) {
  EXPECT_EQ(ParseDecimal(GetParam().text.c_str()), GetParam().expected)
      << "text \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Digits, DecimalTest,
    ::testing::Values(DecimalCase{"0", 0}, DecimalCase{"1", 1}, DecimalCase{"10", 10},
                      DecimalCase{"007", 7}, DecimalCase{"123456789", 123456789},
                      DecimalCase{"1234567890", 1234567890}, DecimalCase{"-0", 0}));

INSTANTIATE_TEST_SUITE_P(
    StopsAtTheFirstNonDigit, DecimalTest,
    ::testing::Values(DecimalCase{"12ab", 12}, DecimalCase{"ab", 0}, DecimalCase{"", 0},
                      DecimalCase{"3 4", 3}, DecimalCase{"0x10", 0}, DecimalCase{"1.5", 1},
                      DecimalCase{"5-", 5}, DecimalCase{"*", 0},
                      // Full-width digits "１２" are not decimal digits.
                      DecimalCase{"１２", 0}, DecimalCase{"4\x82\x50", 4}));

INSTANTIATE_TEST_SUITE_P(
    WhiteSpaceAndSign, DecimalTest,
    ::testing::Values(DecimalCase{" -3", -3}, DecimalCase{"+7", 7}, DecimalCase{"\t5", 5},
                      DecimalCase{"  \t 42", 42}, DecimalCase{"\r\n\v\f9", 9},
                      DecimalCase{"-512", -512}, DecimalCase{"- 3", 0}, DecimalCase{"+-3", 0},
                      DecimalCase{"--3", 0}, DecimalCase{"-", 0}, DecimalCase{"+", 0},
                      DecimalCase{"   ", 0}));

// Out of range values saturate at the 32-bit limits instead of wrapping.
INSTANTIATE_TEST_SUITE_P(
    Saturation, DecimalTest,
    ::testing::Values(DecimalCase{"2147483647", kMax}, DecimalCase{"-2147483648", kMin},
                      DecimalCase{"2147483648", kMax}, DecimalCase{"-2147483649", kMin},
                      DecimalCase{"4294967296", kMax}, DecimalCase{"4294967301", kMax},
                      DecimalCase{"99999999999", kMax}, DecimalCase{"-99999999999", kMin},
                      DecimalCase{std::string(200, '9'), kMax},
                      DecimalCase{"-" + std::string(200, '9'), kMin},
                      DecimalCase{"18446744073709551621", kMax},
                      DecimalCase{std::string(50, '0') + "12", 12}));

}  // namespace
