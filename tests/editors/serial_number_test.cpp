#include "editors/serial_number.h"

#include <gtest/gtest.h>

#include <vector>

#include "sim_rig.h"

namespace {

const Text kError = "FEHLER";

TEST(SerialNumber, TextToNumber) {
  struct Case {
    Text text;
    int32_t number;
    Text display;
  };
  const std::vector<Case> cases = {
      {"KRTC-0815", 2003030815, "2003030815"},
      {"KRNN-9999", 2020129999, "2020129999"},  // the largest value
      {"KRPA-0001", 2000010001, "2000010001"},
      {"KRPA-1", 2000010001, "2000010001"},           // padded to 9
      {"KRTC-08159999", 2003030815, "2003030815"},    // cut to 9
      {"KRGA-0001", 10001, kError},                   // G is no year letter
      {"KRTG-0001", 2003000001, kError},              // G is no month letter
      {"KRtc-0815", 815, kError},                     // upper case only
      {"KRTC-0000", 2003030000, kError},              // running number below 1
      {"KRTC-abcd", 2003030000, kError},
      {"KRTC--012", 2003029988, kError},
      {"KR  -    ", 0, kError},                       // the empty serial number
      {"", 0, kError},
  };
  for (const Case& c : cases) {
    int32_t number = -1;
    EXPECT_EQ(SerialTextToNumber(c.text, &number, kError), c.display) << c.text.constData();
    EXPECT_EQ(number, c.number) << c.text.constData();
  }
}

TEST(SerialNumber, NumberToText) {
  struct Case {
    int32_t number;
    Text text;
  };
  const std::vector<Case> cases = {
      {2003030815, "KRTC-0815"},
      {2020129999, "KRNN-9999"},
      {0, "KRP.-0000"},           // "0" has no characters 3 to 6
      {10001, "KRPA-0001"},
      {2021010001, "KR.A-0001"},  // year index 21 lies outside
      {2003130001, "KRT.-0001"},  // month 13
      {-5, "KRP.-0000"},
      {INT32_MIN, "KRF.-0000"},
      {INT32_MAX, "KR..-3647"},
  };
  for (const Case& c : cases) {
    Text stored = "old";
    EXPECT_EQ(SerialNumberToText(c.number, &stored), c.text) << c.number;
    EXPECT_EQ(stored, c.text);
  }
}

TEST(SerialNumber, EveryYearAndMonthRoundTrips) {
  for (int y = 0; y < 21; ++y)
    for (int m = 0; m < 12; ++m) {
      const Text text = Text("KR") + kYearLetters[y] + kMonthLetters[m] + "-0042";
      int32_t number = 0;
      ASSERT_NE(SerialTextToNumber(text, &number, kError), kError) << text.constData();
      EXPECT_EQ(number, (2000 + y) * 1000000 + (m + 1) * 10000 + 42);
      EXPECT_EQ(SerialNumberToText(number, nullptr), text);
    }
}

TEST(SerialNumber, Letters) {
  Text years, months;
  for (int c = 0; c < 256; ++c) {
    if (IsYearLetter(static_cast<char>(c))) years += static_cast<char>(c);
    if (IsMonthLetter(static_cast<char>(c))) months += static_cast<char>(c);
  }
  EXPECT_EQ(years, "ABCDEFHJKLMNPRSTUWXYZ");
  EXPECT_EQ(months, "ABCDEFHJKLMN");
  EXPECT_TRUE(SerialLettersValid("KRTC-0815"));
  EXPECT_FALSE(SerialLettersValid("KRGA-0815"));
  EXPECT_FALSE(SerialLettersValid("KRTG-0815"));
  EXPECT_FALSE(SerialLettersValid("KR"));
  EXPECT_EQ(SerialFieldText("krta-0001"), "KRTA-0001");
  EXPECT_EQ(SerialFieldText("kr\xE4x-abcd"), "KR\xC4X-abcd");
  EXPECT_EQ(SerialFieldText("k"), "K");
}

TEST(SerialNumber, ProgramFormsUseGlb) {
  ASSERT_EQ(Glb, nullptr);
  EXPECT_EQ(SerialTextToNumber("KRGA-0001"), "FEHLER");  // no Glb: the built-in text
  EXPECT_EQ(SerialNumberToText(2003030815), "KRTC-0815");

  SimRig rig;
  Glb = rig.glb.get();
  EXPECT_EQ(SerialTextToNumber("KRTA-0001"), "2003010001");
  EXPECT_EQ(Glb->SerialNumber, 2003010001);
  EXPECT_EQ(SerialTextToNumber("KRGA-0001"), Glb->StrGlobalmsg->Item(0));
  EXPECT_EQ(Glb->SerialNumber, 10001);
  Glb->StrGlobalmsg->SetItem(0, "ERROR");  // a language file replaced entry 0
  EXPECT_EQ(SerialTextToNumber("KR  -    "), "ERROR");
  EXPECT_EQ(SerialNumberToText(2020129999), "KRNN-9999");
  EXPECT_EQ(Glb->SerialNumberText, "KRNN-9999");
  Glb = nullptr;
}

}  // namespace
