// The device type list file and the option strings of its lines, as the
// options editors apply them: ticks, list codes, grid cells and records.
#include "editors/option_catalogue.h"
#include "editors/option_transfer.h"
#include "editors/records.h"
#include "editors/type_list.h"
#include "fuzz_support.h"
#include "util/helpers.h"

namespace {

void CheckContent(const OptionContent& content) {
  // A stored entry reads back with the same ticks; codes that fit two digits stay.
  const Text stored = MakeOptionString(content);
  FUZZ_CHECK(stored.size() == kOptionStringLength);
  const OptionContent back = ReadOptionString(stored);
  FUZZ_CHECK(back.Bits == content.Bits);
  const auto kept = [](int32_t code) { return code >= 0 && code <= 99 ? code : 0; };
  for (std::size_t c = 0; c < content.Display.size(); ++c)
    for (std::size_t r = 0; r < content.Display[c].size(); ++r) {
      const int32_t code = content.Display[c][r];
      FUZZ_CHECK(back.Display[c][r] == kept(code));
      FUZZ_CHECK(CellCode(DisplayValueCell(code)) == code);
    }
  for (std::size_t r = 0; r < content.Print.size(); ++r) {
    const int32_t code = content.Print[r];
    FUZZ_CHECK(back.Print[r] == kept(code));
    FUZZ_CHECK(CellCode(PrintValueCell(code)) == code);
  }

  const OptionRecords records = MakeOptionRecords(0x77123456, 7, content);
  const QByteArray option = records.Option.ToBytes();
  FUZZ_CHECK(OptionRecord::ChecksumValid(option));
  FUZZ_CHECK(OptionRecord::FromBytes(option).Bits == content.Bits);
  const ListRecord lists = ListRecord::FromBytes(records.Lists.ToBytes());
  FUZZ_CHECK(lists.Display == records.Lists.Display && lists.Print == records.Lists.Print);
  lists.DisplayCodesOf();
  lists.PrintCodesOf();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Text input = FuzzText(data, size);
  const QList<Text> lines = SplitTypeLines(input);
  FUZZ_CHECK(SplitTypeLines(JoinTypeLines(lines)) == lines);

  TTypeList list;
  list.SetLines(lines);
  // The first lines and the last ones (each line is read the same way).
  for (int32_t type = -1; type <= list.Count() + 1; ++type) {
    if (type == 16 && list.Count() > 20) type = list.Count() - 2;
    FUZZ_CHECK(list.TypeName(type).size() <= kTypeNameLength);
    list.HasName(type);
    FUZZ_CHECK(list.OptionStringOf(type).size() == kOptionStringLength);
    CheckContent(TypeContent(list, type));
  }
  CheckContent(ReadOptionString(input));

  // Editing the loaded list: store an entry, add one, delete one.
  const int32_t count = list.Count();
  const OptionContent content = ReadOptionString(input.mid(kTypeNameLength));
  FUZZ_CHECK(list.StoreEntry(count, content) == (count >= 1));
  if (count >= 1) {
    FUZZ_CHECK(list.Line(count).size() == kTypeLineLength);
    FUZZ_CHECK(TypeContent(list, count).Bits == content.Bits);
  }
  const int32_t added = list.AddEntry(list.DefaultNewName());
  FUZZ_CHECK(added == list.NextTypeNumber() - 1);
  FUZZ_CHECK(list.DeleteEntry(added));
  FUZZ_CHECK(!list.DeleteEntry(0));
  return 0;
}
