#pragma once
// The options editors' exchanges and the application of a device type
// without widgets: the options editor, the service options editor and the
// command line use these.
#include <cstdint>

#include <QByteArray>

#include "editors/records.h"
#include "editors/type_list.h"

// What applying type `type` of the list puts into the editor: the bits and
// both lists from its option string (blank for type 0 or a type without a line).
OptionContent TypeContent(const TTypeList& list, int32_t type);

// The records the options editor sends: the serial number, the type number
// and the bits of the option record, the display and printout codes of the
// list record.
struct OptionRecords {
  OptionRecord Option;
  ListRecord Lists;
};
OptionRecords MakeOptionRecords(int32_t serialNumber, int32_t type, const OptionContent& content);

// A parameter block into a zero-filled buffer of exactly count bytes.
QByteArray ReadParameterRecord(int32_t start, int32_t count, bool* ok = nullptr);
// The list record alone (the service options editor's send).
bool WriteListRecord(const ListRecord& record);
// The option record, then the list record (the options editor's send); false
// when either failed.
bool WriteOptionRecords(const OptionRecords& records);
