#include <gtest/gtest.h>

#include "util/text.h"

namespace {

TEST(TextTest, EveryCodeSurvivesARoundTrip) {
  Text all(256, '\0');
  for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
  const QString unicode = ToQt(all);
  ASSERT_EQ(unicode.size(), 256);
  EXPECT_EQ(FromQt(unicode), all);
  EXPECT_EQ(unicode[0x80], QChar(0x20AC));
  EXPECT_EQ(unicode[0xE4], QChar(0x00E4));
  EXPECT_EQ(unicode[0x9F], QChar(0x0178));
}

TEST(TextTest, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(FromQt(QString::fromUtf8("a\u0416\u20AC")), Text("a?\x80"));
}

}  // namespace
