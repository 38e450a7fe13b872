#include "option_transfer.h"

#include "link/glb.h"

OptionContent TypeContent(const TTypeList& list, int32_t type) {
  return ReadOptionString(list.OptionStringOf(type));
}

OptionRecords MakeOptionRecords(int32_t serialNumber, int32_t type, const OptionContent& content) {
  OptionRecords records;
  records.Option.SerialNumber = serialNumber;
  records.Option.TypeNumber = static_cast<uint8_t>(type);
  records.Option.Bits = content.Bits;
  records.Lists = ListRecord::FromCodes(content.Display, content.Print);
  return records;
}

QByteArray ReadParameterRecord(int32_t start, int32_t count, bool* ok) {
  QByteArray buffer(count, '\0');
  const bool read = Glb->ReadParameterBlock(start, count, buffer);
  if (ok) *ok = read;
  return buffer.left(count);
}

bool WriteListRecord(const ListRecord& record) {
  return Glb->WriteParameterBlock(ListRecord::kAddress, ListRecord::kSize, record.ToBytes());
}

bool WriteOptionRecords(const OptionRecords& records) {
  return Glb->WriteParameterBlock(OptionRecord::kAddress, OptionRecord::kSize,
                                  records.Option.ToBytes()) &&
         WriteListRecord(records.Lists);
}
