#include "editors/option_catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include <QObject>

namespace {

// One row per code of the value table: value number, display code and its
// StrDis name, printout code and its StrPrint name, ValueNames name
// (-1 / nullptr where the code does not exist in that list).
struct ValueRow {
  int value;
  int display;
  const char* disName;
  int print;
  const char* printName;
  const char* valueName;
};

const std::vector<ValueRow> kValueTable = {
    {255, 0, "-               ", 0, "-               ", "-"},
    {0, 1, "TRaum", 1, "TRaum", "TRaum"},
    {1, 2, "TGas", 2, "TGas", "TGas"},
    {2, 3, "CO2", 3, "CO2", "O2"},
    {3, 4, "CO", 4, "CO", "CO"},
    {4, 5, "NO", 5, "NO", "NO"},
    {5, 6, "Druck", 6, "Druck", "Druck"},
    {6, 7, "CO2", 7, "CO2", "CO2"},
    {7, 8, "QA", 8, "QA", "QA"},
    {8, 9, "Eta", 9, "Eta", "Eta"},
    {9, 10, "Lambda", 10, "Lambda", "Lambda"},
    {10, 11, "SO2", 11, "SO2", "SO2"},
    {11, 12, "NO2", 12, "NO2", "NO2"},
    {12, 13, "NOx", 13, "NOx", "NOx"},
    {13, 14, "CO unv.", 14, "CO unv.", "CO unv."},
    {14, 15, "NO unv.", 15, "NO unv.", "NO unv."},
    {15, 16, "SO2 unv.", 16, "SO2 unv.", "SO2 unv."},
    {16, 17, "NO2 unv.", 17, "NO2 unv.", "NO2 unv."},
    {17, 18, "NOx unv.", 18, "NOx unv.", "NOx unv."},
    {18, 19, "CO mg", 19, "CO mg", "CO mg"},
    {19, 20, "NO mg", 20, "NO mg", "NO mg"},
    {20, 21, "SO2 mg", 21, "SO2 mg", "SO2 mg"},
    {21, 22, "NO2 mg", 22, "NO2 mg", "NO2 mg"},
    {22, 23, "NOx mg", 23, "NOx mg", "NOx mg"},
    {23, 24, "CO mg*", 24, "CO mg*", "CO mg*"},
    {24, 25, "NO mg*", 25, "NO mg*", "NO mg*"},
    {25, 26, "SO2 mg*", 26, "SO2 mg*", "SO2 mg*"},
    {26, 27, "NO2 mg*", 27, "NO2 mg*", "NO2 mg*"},
    {27, 28, "NOx mg*", 28, "NOx mg*", "NOx mg*"},
    {28, 29, "TTau", 29, "TTau", "TTau"},
    {29, 30, "TKessel", 30, "TKessel", "TKessel"},
    {30, -1, nullptr, 31, "RZ 1", "RZ 1"},
    {31, -1, nullptr, 32, "RZ 2", "RZ 2"},
    {32, -1, nullptr, 33, "RZ 3", "RZ 3"},
    {33, -1, nullptr, 34, "RZ Mittelwert", "RZ Mittel"},
    {34, -1, nullptr, 35, "\xD6l derivative", "\xD6lderiv."},
    {35, 31, "O2 Bezug", 36, "O2 Bezug", "O2 Bezug"},
    {31, 32, "-", -1, nullptr, nullptr},
    {254, -1, nullptr, 37, "Leerzeile", "Leerzeile"},
    {36, 33, "Kesselleistung", 38, "Kesselleistung", "Kesselleistung"},
    {37, 34, "Verbrauch", 39, "Verbrauch", "Verbrauch"},
    {38, 35, "QA_ohne", 40, "QA_ohne", "QA_ohne"},
    {39, 36, "ETA_ohne", 41, "ETA_ohne", "ETA_ohne"},
    {40, 37, "QA_BW", 42, "QA_BW", "QA_BW"},
    {41, 38, "ETA_BW", 43, "ETA_BW", "ETA_BW"},
    {42, 39, "VGI", 44, "VGI", "VGI"},
    {-1, 40, "L\xF6schen", 45, "L\xF6schen", "L\xF6schen"},  // chooser command
    {43, 41, "Co Raum", 46, "Co Raum", "Co Raum"},
};

// Reading the ListRecord: value number ranges and the offset to the code.
struct Range {
  int lo, hi, offset;
};

int Expected(const std::vector<Range>& ranges, int value) {
  for (const Range& r : ranges)
    if (value >= r.lo && value <= r.hi) return value + r.offset;
  ADD_FAILURE() << "no range for " << value;
  return -999;
}

const std::vector<Range> kValueToDisplay = {
    {255, 255, -255}, {35, 35, -4}, {36, 42, -3}, {43, 253, -2}, {0, 34, 1}, {254, 254, 1}};
const std::vector<Range> kValueToPrint = {
    {255, 255, -255}, {254, 254, -217}, {0, 35, 1}, {36, 42, 2}, {43, 43, 3}, {44, 253, 2}};

TEST(OptionCatalogue, NameTablesFollowTheValueTable) {
  ASSERT_EQ(kStrDisItems.size(), 42u);
  ASSERT_EQ(kStrPrintItems.size(), 47u);
  ASSERT_EQ(kValueNames.size(), 47u);
  for (const ValueRow& row : kValueTable) {
    if (row.display >= 0) {
      EXPECT_EQ(Text(kStrDisItems[row.display]), Text(row.disName)) << "display " << row.display;
      // A display code takes the ValueNames text of the printout code on its row.
      if (row.print >= 0) {
        EXPECT_EQ(DisplayValueName(row.display), Text(row.valueName));
      }
    }
    if (row.print >= 0) {
      EXPECT_EQ(Text(kStrPrintItems[row.print]), Text(row.printName)) << "print " << row.print;
      EXPECT_EQ(ValueName(row.print), Text(row.valueName)) << "print " << row.print;
    }
  }
  EXPECT_EQ(Text(kStrDisItems[0]).size(), 16);  // "-" and 15 blanks
  EXPECT_EQ(DisplayValueName(3), "O2");
  EXPECT_EQ(DisplayValueName(31), "O2 Bezug");
  EXPECT_EQ(DisplayValueName(41), "Co Raum");
  // Out-of-range codes name the nearest end of the table, never read outside.
  EXPECT_EQ(ValueName(-7), "-");
  EXPECT_EQ(ValueName(1000), "Co Raum");
  EXPECT_EQ(DisplayValueName(INT32_MAX), "Co Raum");
}

TEST(OptionCatalogue, OptionLabels) {
  ASSERT_EQ(kStrGlobalOptItems.size(), 32u);
  EXPECT_EQ(Text(kStrGlobalOptItems[0]), "");
  const std::map<int, Text> spot = {{0, "LTA 1"},       {2, "n.b."},   {3, "Sp\xFClpumpe"},
                                    {15, "Dichtheitspr\xFC" "fung"}, {28, "BA L&S"},
                                    {30, "V6"}};
  for (const auto& [bit, label] : spot) EXPECT_EQ(Text(kStrGlobalOptItems[bit + 1]), label) << bit;
  int unassigned = 0;
  for (int k = 1; k <= 31; ++k) unassigned += Text(kStrGlobalOptItems[k]) == "n.b.";
  EXPECT_EQ(unassigned, 3);  // bits 2, 13, 14
}

TEST(OptionCatalogue, TablesAreNamedChildrenOfTheirOwner) {
  QObject owner;
  struct Case {
    MessageTable* table;
    const char* name;
    int count;
    Text entry1;
  };
  const std::vector<Case> cases = {{CreateStrGlobalOpt(&owner), "StrGlobalOpt", 32, "LTA 1"},
                                    {CreateStrDis(&owner), "StrDis", 42, "TRaum"},
                                    {CreateStrPrint(&owner), "StrPrint", 47, "TRaum"}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.table->parent(), &owner);
    EXPECT_EQ(owner.findChild<MessageTable*>(c.name), c.table);
    EXPECT_EQ(c.table->Count(), c.count) << c.name;
    EXPECT_EQ(c.table->Item(1), c.entry1);
  }
  // A language file replaces by index; the cells then show the new name.
  auto* dis = owner.findChild<MessageTable*>("StrDis");
  dis->SetItem(5, "NO (ppm)");
  EXPECT_EQ(DisplayCell(*dis, 5), "05 NO (ppm)");
  EXPECT_EQ(DisplayCell(*dis, 99), "99 Co Raum");
  EXPECT_EQ(PrintCell(*owner.findChild<MessageTable*>("StrPrint"), -3), "-3 -               ");
}

TEST(OptionCatalogue, DisplayCodeToValueOverAllCodes) {
  std::map<int, int> listed;
  for (const ValueRow& row : kValueTable)
    if (row.display >= 0 && row.value >= 0) listed[row.display] = row.value;
  for (int code = -5; code <= 260; ++code) {
    const auto it = listed.find(code);
    EXPECT_EQ(DisplayCodeToValue(code), it != listed.end() ? it->second : 255) << "code " << code;
  }
  EXPECT_EQ(DisplayCodeToValue(kDisplayDeleteCode), 255);
  EXPECT_EQ(DisplayCodeToValue(INT32_MIN), 255);
}

TEST(OptionCatalogue, PrintCodeToValueOverAllCodes) {
  std::map<int, int> listed;
  for (const ValueRow& row : kValueTable)
    if (row.print >= 0 && row.value >= 0) listed[row.print] = row.value;
  for (int code = -5; code <= 260; ++code) {
    const auto it = listed.find(code);
    EXPECT_EQ(PrintCodeToValue(code), it != listed.end() ? it->second : 255) << "code " << code;
  }
  EXPECT_EQ(PrintCodeToValue(kPrintDeleteCode), 255);
}

TEST(OptionCatalogue, ValueToCodeOverAllBytes) {
  for (int v = 0; v <= 255; ++v) {
    EXPECT_EQ(ValueToDisplayCode(static_cast<uint8_t>(v)), Expected(kValueToDisplay, v)) << v;
    EXPECT_EQ(ValueToPrintCode(static_cast<uint8_t>(v)), Expected(kValueToPrint, v)) << v;
  }
  // The cases called out: printout 44 reads as 46, display 30 as 31.
  EXPECT_EQ(ValueToPrintCode(44), 46);
  EXPECT_EQ(ValueToDisplayCode(30), 31);
  EXPECT_EQ(ValueToDisplayCode(31), kDisplayBlankRowCode);
  EXPECT_EQ(ValueToPrintCode(31), 32);  // "RZ 2" in the printout part
}

TEST(OptionCatalogue, ListCodesRoundTripThroughValues) {
  for (const ValueRow& row : kValueTable) {
    if (row.value < 0) continue;  // "Löschen" never reaches the record
    if (row.display >= 0) {
      EXPECT_EQ(ValueToDisplayCode(DisplayCodeToValue(row.display)), row.display);
      EXPECT_EQ(DisplayCodeToValue(ValueToDisplayCode(static_cast<uint8_t>(row.value))), row.value);
    }
    if (row.print >= 0) {
      EXPECT_EQ(ValueToPrintCode(PrintCodeToValue(row.print)), row.print);
      EXPECT_EQ(PrintCodeToValue(ValueToPrintCode(static_cast<uint8_t>(row.value))), row.value);
    }
  }
}

TEST(OptionCatalogue, CellsAndTheirLeadingNumber) {
  struct Case {
    Text cell;
    int code;
  };
  const std::vector<Case> cases = {{"05 NO", 5},      {"41 Co Raum", 41}, {"00 -", 0},  {"", 0},
                                   {"Lambda", 0},     {"7", 7},           {"12 US$ 3", 12},
                                   {"-3 x", -3},      {"\xFF\x01", 0}};
  for (const Case& c : cases) EXPECT_EQ(CellCode(c.cell), c.code) << c.cell.constData();
  EXPECT_EQ(CodeCell(5, "NO"), "05 NO");
  EXPECT_EQ(CodeCell(251, "x"), "251 x");
  EXPECT_EQ(DisplayValueCell(3), "03 O2");
  EXPECT_EQ(PrintValueCell(35), "35 \xD6lderiv.");
  EXPECT_EQ(CellCode(DisplayValueCell(33)), 33);
}

TEST(OptionCatalogue, UnassignedLabel) {
  EXPECT_TRUE(IsUnassignedLabel("n.b.", "n.b.", false));
  EXPECT_FALSE(IsUnassignedLabel(" n.b. ", "n.b.", false));
  EXPECT_TRUE(IsUnassignedLabel(" n.b. ", "n.b.", true));
  EXPECT_FALSE(IsUnassignedLabel("O2", "n.b.", true));
}

}  // namespace
