#include "editors/instrument_language.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Items = std::vector<Text>;

TEST(InstrumentLanguage, SplitAnswer) {
  struct Case {
    Text answer;
    Items items;
  };
  const std::vector<Case> cases = {
      {"a,b,c", {"a", "b", "c"}},
      {"a,", {"a", ""}},                  // a comma at the very end adds an empty item
      {",", {"", ""}},
      {"a, ", {"a"}},                     // ... but not when blanks follow it
      {"a ,", {"a", ""}},
      {"a,,b", {"a", "", "b"}},
      {"a  b , c", {"a", "b", "c"}},      // blanks separate as well
      {" \x01\t a,b", {"a", "b"}},        // leading blanks and control characters
      {"a,b\r", {"a", "b"}},
      {Text("a\0b", 3), {"a", "b"}},      // a NUL byte is a control character too
      {"\"x, y\",z", {"x, y", "z"}},
      {"\"say \"\"hi\"\"\",z", {"say \"hi\"", "z"}},
      {"\"\",z", {"", "z"}},
      {"\"ab\"cd,e", {"ab", "cd", "e"}},  // text after the closing quote is the next item
      {"a,\"open", {"a", "open"}},        // an unclosed quote runs to the end
      {"\"", {""}},
      {"", {}},
      {"  \r", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SplitLanguageAnswer(c.answer), c.items) << c.answer.toPercentEncoding().constData();
}

TEST(InstrumentLanguage, TableFromAnswer) {
  struct Case {
    Text answer;
    Items names;
    int32_t current;
    Text currentName;
  };
  const std::vector<Case> cases = {
      {"Deutsch,English,Francais,1", {"Deutsch", "English", "Francais"}, 1, "English"},
      {"Deutsch,English,9", {"Deutsch", "English"}, 1, "English"},  // limited to the last language
      {"Deutsch,English,-5", {"Deutsch", "English"}, -1, ""},
      {"Deutsch,English,-1", {"Deutsch", "English"}, -1, ""},
      {"Deutsch,English,x", {"Deutsch", "English"}, 0, "Deutsch"},  // not a number reads as 0
      {"Deutsch,English,", {"Deutsch", "English"}, 0, "Deutsch"},
      {"Deutsch,Norsk Bokmal,2", {"Deutsch", "Norsk", "Bokmal"}, 2, "Bokmal"},
      {"Deutsch,\"Norsk Bokmal\",1", {"Deutsch", "Norsk Bokmal"}, 1, "Norsk Bokmal"},
      {"Gr\xFC\xDF Gott,0", {"Gr\xFC\xDF", "Gott"}, 0, "Gr\xFC\xDF"},
      {"Deutsch", {}, -1, ""},  // a single item: no languages at all
      {"7", {}, -1, ""},
      {"", {}, -1, ""},
      {"Deutsch,0", {"Deutsch"}, 0, "Deutsch"},
  };
  for (const Case& c : cases) {
    const LanguageTable table = LanguageTableFromAnswer(c.answer);
    EXPECT_EQ(table.Names, c.names) << c.answer.constData();
    EXPECT_EQ(table.Current, c.current) << c.answer.constData();
    EXPECT_EQ(table.CurrentName(), c.currentName) << c.answer.constData();
  }
}

TEST(InstrumentLanguage, SetCommand) {
  EXPECT_EQ(SetLanguageCommand(0), "W1400");
  EXPECT_EQ(SetLanguageCommand(12), "W14012");

  struct Case {
    Items items;
    int32_t focused;
    std::optional<Text> command;
  };
  const std::vector<Case> cases = {
      {{"Deutsch", "English", "Francais"}, 2, Text("W1402")},
      {{"Deutsch", "English"}, 0, Text("W1400")},
      {{"Deutsch", "English"}, -1, std::nullopt},  // no item has the focus
      {{"Deutsch", "English"}, 2, std::nullopt},
      {{}, 0, std::nullopt},                       // the list of a single-item answer
      {{kLanguageErrorItem}, 0, std::nullopt},     // after a failed read
      {{"error"}, 0, std::nullopt},
      {{"Errors"}, 0, Text("W1400")},
  };
  for (const Case& c : cases) EXPECT_EQ(SetLanguageCommandFor(c.items, c.focused), c.command);
}

}  // namespace
