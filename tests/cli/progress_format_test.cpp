#include <gtest/gtest.h>

#include "progress_format.h"

TEST(CliProgressFormat, BarCountPercentAndEstimate) {
  struct Case {
    const char* what;
    int64_t done, total, elapsedMs;
    const char* expected;
  } cases[] = {
      {"nothing done yet: no estimate", 0, 256, 0, "[----------]    0/256 bytes    0 %  --:-- left"},
      {"half after 2 s: as long again", 128, 256, 2000, "[#####-----]  128/256 bytes   50 %  0:02 left"},
      {"done: the time it took", 256, 256, 4100, "[##########]  256/256 bytes  100 %  0:04 total"},
      {"a quarter after 1.5 s: 4.5 s rounded up", 64, 256, 1500, "[##--------]   64/256 bytes   25 %  0:05 left"},
      {"nearly done: never 0:00 before the end", 255, 256, 9000, "[#########-]  255/256 bytes   99 %  0:01 left"},
      {"minutes", 10, 100, 60000, "[#---------]   10/100 bytes   10 %  9:00 left"},
      {"hours", 1, 4, 3600000, "[##--------]  1/4 bytes   25 %  3:00:00 left"},
      {"unknown total: count and time so far", 128, 0, 2000, "[          ]  128 bytes  0:02"},
      {"more than announced: unknown", 12, 10, 61000, "[          ]  12 bytes  1:01"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatProgress(c.done, c.total, c.elapsedMs, "bytes", 10).toStdString(), c.expected) << c.what;
}

TEST(CliProgressFormat, OtherUnitsAndWidthsKeepTheLayout) {
  EXPECT_EQ(FormatProgress(3, 12, 0, "records", 4).toStdString(), "[#---]   3/12 records   25 %  0:01 left")
      << "an estimate from no time at all still says a second is left";
  EXPECT_EQ(FormatProgress(5, 10, 1000, "blocks").size(), FormatProgress(10, 10, 1000, "blocks").size() - 1)
      << "the bar is as wide at any fill (the last field is one shorter)";
  EXPECT_EQ(FormatDuration(0).toStdString(), "0:00");
  EXPECT_EQ(FormatDuration(59999).toStdString(), "0:59");
  EXPECT_EQ(FormatDuration(3600000 + 61000).toStdString(), "1:01:01");
  EXPECT_EQ(FormatDuration(-5).toStdString(), "0:00");
}
