#include "editors/alv_params.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

TEST(AlvParams, ParameterLine) {
  struct Case {
    AlvParams params;
    Text line;
  };
  const std::vector<Case> cases = {
      {{0.25, -0.0009, 3, -5}, "0,2500 -0,00090  3 -5"},
      {{}, "0,2500 -0,00090  0  0"},                        // the defaults
      {{0.12345, -0.002, 20, -20}, "0,1235 -0,00200 20 -20"},  // a field wider than its columns pushes
      {{12.5, -0.0009, 3, -5}, "12,5000 -0,00090  3 -5"},   // B = 12.5: one character longer
      {{-1.5, 0.0, 0, 0}, "-1,5000  0,00000  0  0"},
  };
  for (const Case& c : cases) EXPECT_EQ(AlvParameterLine(c.params), c.line) << c.line.constData();
  EXPECT_EQ(AlvParameterLine({}).size(), 21);
  EXPECT_EQ(AlvWriteParamsCommand({0.25, -0.0009, 3, -5}), "W1800,2500 -0,00090  3 -5");
  EXPECT_EQ(AlvStoreCommand(), "W18258231");
}

TEST(AlvParams, ParseAnswer) {
  struct Case {
    Text answer;
    double b;
    double a;
    int32_t k1;
    int32_t k2;
  };
  const std::vector<Case> cases = {
      {"0,2500 -0,00090  3 -5", 0.25, -0.0009, 3, -5},
      {"0,2500 -0,00300  3 -5", 0.25, -0.002, 3, -5},   // A below its limit
      {"0,2500  0,00100  3 -5", 0.25, 0.0, 3, -5},      // A above its limit
      {"1.2345 -0.00090 25 -9", 1.2345, -0.0009, 20, -9},  // K1 above its limit
      {"0,2500 -0,00090 -9 -25", 0.25, -0.0009, -9, -2},   // columns 20-21 only
      {"0,2500 -0,00090 1, -1", 0.25, -0.0009, 1, -1},
      {"0,25", 0.25, 0.0, 0, 0},                        // short answer: missing columns read as 0
      {"", 0.0, 0.0, 0, 0},
      {"garbage that is no line", 0.0, 0.0, 0, 0},
      {"0,2500 -0,00090  3 -5 trailing", 0.25, -0.0009, 3, -5},
      // Columns are taken as they are: a wider B shifts the rest out of place.
      {"12,5000 -0,00090  3 -5", 12.5, -0.0009, 0, 0},
  };
  for (const Case& c : cases) {
    const AlvParams p = ParseAlvParameterLine(c.answer);
    EXPECT_DOUBLE_EQ(p.B, c.b) << c.answer.constData();
    EXPECT_DOUBLE_EQ(p.A, c.a) << c.answer.constData();
    EXPECT_EQ(p.K1, c.k1) << c.answer.constData();
    EXPECT_EQ(p.K2, c.k2) << c.answer.constData();
  }
}

TEST(AlvParams, ShownAndSent) {
  // B keeps its fourth decimal: shown with three, sent back with four.
  EXPECT_EQ(AlvFieldText(ParseAlvParameterLine("0,2500 -0,00090  3 -5").B, kAlvShownDecimalsB, ','), "0,250");
  const AlvParams read = ParseAlvParameterLine("0,2346 -0,00090  3 -5");
  EXPECT_EQ(AlvFieldText(read.B, kAlvShownDecimalsB, ','), "0,235");
  EXPECT_EQ(AlvFieldText(read.A, kAlvShownDecimalsA, ','), "-0,00090");
  EXPECT_EQ(AlvFieldText(read.A, kAlvShownDecimalsA, '.'), "-0.00090");
  EXPECT_EQ(AlvParameterLine(read), "0,2346 -0,00090  3 -5");

  EXPECT_EQ(AlvParameterLine(ParseAlvParameterLine("0,2500 -0,00300  3 -5")), "0,2500 -0,00200  3 -5");
}

TEST(AlvParams, Limits) {
  struct Case {
    double k;
    int32_t limited;
  };
  const std::vector<Case> cases = {
      {3, 3}, {20, 20}, {21, 20}, {-21, -20}, {2.5, 3}, {-2.5, -3}, {2.4, 2},
      {1e300, 20}, {-1e300, -20}, {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(LimitAlvK(c.k), c.limited) << c.k;

  EXPECT_DOUBLE_EQ(LimitAlvA(-0.0015), -0.0015);
  EXPECT_DOUBLE_EQ(LimitAlvA(-1.0), -0.002);
  EXPECT_DOUBLE_EQ(LimitAlvA(0.5), 0.0);
  EXPECT_FALSE(std::isnan(LimitAlvA(std::numeric_limits<double>::quiet_NaN())));

  const AlvParams typed = LimitAlvParams({1000.0, -0.01, 99, -99});
  EXPECT_DOUBLE_EQ(typed.B, 1000.0);  // B has no limits
  EXPECT_DOUBLE_EQ(typed.A, -0.002);
  EXPECT_EQ(typed.K1, 20);
  EXPECT_EQ(typed.K2, -20);
}

TEST(AlvParams, SerialCommands) {
  struct Case {
    Text serialText;
    Text command;
  };
  const std::vector<Case> cases = {
      {"KRTC-0815", "W1812003030815"},
      {"KR  -    ", "W181FEHLER"},  // the empty field
      {"", "W181FEHLER"},
      {"KRGA-0001", "W181FEHLER"},  // not a year letter
      {"KRTC-0000", "W181FEHLER"},
  };
  for (const Case& c : cases) EXPECT_EQ(AlvWriteSerialCommand(c.serialText), c.command) << c.serialText.constData();
}

TEST(AlvParams, SerialAnswer) {
  struct Case {
    Text answer;
    std::optional<int32_t> number;
  };
  const std::vector<Case> cases = {
      {"2003030815", 2003030815},
      {"  2003030815 ", 2003030815},
      {"-5", -5},
      {"+7", 7},
      {"-2147483648", INT32_MIN},
      {"2147483647", INT32_MAX},
      {"2147483648", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"12a", std::nullopt},
      {"KRTC-0815", std::nullopt},
      {"12 34", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseAlvSerialAnswer(c.answer), c.number) << c.answer.constData();
  EXPECT_EQ(AlvSerialAnswerError("KRTC"), "'KRTC' is not a valid integer value");
}

}  // namespace
