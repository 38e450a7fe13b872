#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "util/helpers.h"

namespace {

TEST(ParseIntTest, Table) {
  struct Case { const char* text; int32_t want; };
  const std::vector<Case> cases = {
      {"Version 12.5", 12},
      {"  -7 mA", -7},
      {"--5", 0},
      {"x$1a", 26},
      {"12$", 0},
      {"12345678901", 0},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"$", 0},
      {"-2147483648", INT32_MIN},
      {"2147483648", 0},
      {"2147483647", INT32_MAX},
      {"$7fffffff", INT32_MAX},
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"$123456789", 0},
      {"$000000001", 1},  // leading zeros are not significant
      {"$0", 0},
      {"ab$10xyz", 16},
      {"$1G2", 1},
      {"007", 7},
      {"a-b5", 0},  // the minus sign starts the run
      {"\t42", 42},
      {"99999999999999999999999999", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseInt(c.text), c.want) << '"' << c.text << '"';
}

TEST(ParseRealTest, Table) {
  struct Case { Text text; double want; };
  const std::vector<Case> cases = {
      {"T=21,5 \xB0" "C", 21.5},
      {"1,234.5", 0.0},
      {"", 0.0},
      {"abc", 0.0},
      {"-", 0.0},
      {".", 0.0},
      {"-3.25V", -3.25},
      {",5", 0.5},
      {"7", 7.0},
      {"x1e5", 1.0},  // no exponent
      {"+4", 4.0},    // "+" is skipped like any other character
      {"1..2", 0.0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ParseReal(c.text), c.want) << c.text.constData();
}

TEST(FormatTest, IntegerWidths) {
  EXPECT_EQ(IntToStrZero(5, 3), "005");
  EXPECT_EQ(IntToStrZero(1234, 2), "1234");
  EXPECT_EQ(IntToStrWidth(5, 0), "5");
  EXPECT_EQ(IntToStrWidth(-12, 5), "  -12");
  EXPECT_EQ(IntToStrWidth(7, -3), "7");
  EXPECT_EQ(IntToStrFill(42, 5, '*'), "***42");
  EXPECT_EQ(IntToStrFill(42, 5, ' '), "   42");
}

TEST(FormatTest, FloatWithComma) {
  struct Case { double value; int32_t width; int32_t decimals; const char* want; };
  const std::vector<Case> cases = {
      {3.14159, 6, 2, "  3,14"},
      {3.6, 0, 0, "4"},
      {-0.5, 0, 1, "-0,5"},
      {2.4, 3, -1, "  2"},  // negative decimals count as none
      {1.0, 40, 1, "                              "},  // padded to 40, then cut after the 30th
      {123456789.0, 0, 25, "123456789,00000000000000000000"},  // 35 characters cut to 30
  };
  for (const Case& c : cases) {
    const Text got = FloatToStrComma(c.value, c.width, c.decimals);
    EXPECT_EQ(got, c.want) << c.value << " " << c.width << " " << c.decimals;
    EXPECT_LE(got.size(), 30);
  }
  EXPECT_EQ(FloatToStrComma(1.5, 0, 100000).size(), 30);
}

TEST(FormatTest, Hex) {
  EXPECT_EQ(HexByte(10), "0A");
  EXPECT_EQ(HexByte(255), "FF");
  EXPECT_EQ(HexWord(4660), "$1234");
  EXPECT_EQ(HexWord(-1), "$FFFF");
  EXPECT_EQ(HexWord(0x12ABCD), "$ABCD");
  EXPECT_EQ(HexLong(-1), "$FFFFFFFF");
  EXPECT_EQ(HexLong(0x0102A0B0), "$0102A0B0");
}

TEST(BlankTest, FixLengthAndTrims) {
  EXPECT_EQ(FixLength("abc", 5), "abc  ");
  EXPECT_EQ(FixLength("abcdef", 3), "abc");
  EXPECT_EQ(FixLength("abcdef", 0), "abcdef");
  EXPECT_EQ(TrimLeading("  a b  "), "a b  ");
  EXPECT_EQ(TrimBlanks("  a b  "), "a b");
  EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");  // only the space is a blank
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(RemoveBlanks(" a b\tc "), "ab\tc");
  EXPECT_FALSE(HasText("   "));
  EXPECT_FALSE(HasText(""));
  EXPECT_TRUE(HasText(" a"));
  EXPECT_TRUE(HasText("\t"));
}

TEST(PutFieldTest, Table) {
  struct Case { Text text; Text line; int32_t pos; int32_t count; Text want; };
  const std::vector<Case> cases = {
      {"AB", "", 3, 4, "  AB  "},
      {"AB", "xxxxxxxx", 3, 4, "xxAB  xx"},
      {"ABCDEF", "xxxxxxxx", 2, 3, "xABCxxxx"},
      {"AB", "xxxx", 3, 0, "xxAB"},
      {"AB", Text(300, 'x'), 10, 2, Text(9, 'x') + "AB" + Text(289, 'x')},
      {"AB", "xxxx", -1, 4, "  xx"},  // the part in front of the line is dropped
  };
  for (const Case& c : cases)
    EXPECT_EQ(PutField(c.text, c.line, c.pos, c.count), c.want) << c.text.constData() << c.pos;

  const Text edge = PutField("ABCD", "", 255, 4);
  EXPECT_EQ(edge.size(), 255);
  EXPECT_EQ(edge.right(2), " A");
  EXPECT_EQ(PutField("A", "", 300, 1).size(), 255);
  EXPECT_EQ(PutField("A", "", INT32_MAX, INT32_MAX).size(), 255);
}

TEST(CaseTest, UpperAsciiAndUmlaut) {
  const Text groesse = "Gr\xF6\xDF" "e";
  EXPECT_EQ(UpperAscii(groesse), "GROESSE");
  EXPECT_EQ(UpperUmlaut(groesse), "GR\xD6\xDF" "E");
  EXPECT_EQ(UpperAscii("\xE4\xC4\xFC\xDC\xF6\xD6"), "AEAEUEUEOEOE");
  EXPECT_EQ(UpperUmlaut("\xE4\xFC\xF6\xE9z1"), "\xC4\xDC\xD6\xE9Z1");  // other letters stay
}

TEST(LimitIntTest, Table) {
  EXPECT_EQ(LimitInt(50, 0, 46), 46);
  EXPECT_EQ(LimitInt(-3, 0, 46), 0);
  EXPECT_EQ(LimitInt(5, 10, 0), 10);
  EXPECT_EQ(LimitInt(20, 0, 46), 20);
}

TEST(TokenizerTest, WordsAndRest) {
  StartTokens("..FormMain.Caption==Hallo. Welt", MakeCharSet({'.', '='}));
  EXPECT_EQ(NextToken(), "FormMain");
  EXPECT_EQ(NextToken(), "Caption");
  EXPECT_EQ(RestOfText(), "Hallo. Welt");
  EXPECT_EQ(NextToken(), "");
  EXPECT_EQ(RestOfText(), "");

  StartTokens("a==", MakeCharSet({'='}));
  EXPECT_EQ(NextToken(), "a");
  EXPECT_EQ(NextToken(), "");  // only delimiters left
  EXPECT_EQ(NextToken(), "");

  StartTokens("", MakeCharSet({'.'}));
  EXPECT_EQ(NextToken(), "");
  EXPECT_EQ(RestOfText(), "");

  // A second tokenizer does not disturb the program-wide one.
  StartTokens("x y", MakeCharSet({' '}));
  Tokenizer other;
  other.Start("1,2", MakeCharSet({','}));
  EXPECT_EQ(other.Next(), "1");
  EXPECT_EQ(NextToken(), "x");
  EXPECT_EQ(other.Rest(), "2");
  EXPECT_EQ(NextToken(), "y");

  const CharSet high = MakeCharSet({'\xFF'});
  StartTokens("a\xFF" "b", high);
  EXPECT_EQ(NextToken(), "a");
  EXPECT_EQ(NextToken(), "b");
}

TEST(PlatformTest, IdentifiesTheFamily) {
#ifdef _WIN32
  EXPECT_EQ(GetPlatformId(), kPlatformNT);
#else
  EXPECT_NE(GetPlatformId(), kPlatformNT);
#endif
}

}  // namespace
