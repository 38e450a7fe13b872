#include "fuel_table.h"

#include <algorithm>

#include <QFile>

#include "link/glb.h"
#include "util/msgtable.h"

namespace {

Text Msg(int index) { return Glb->StrBRNmsg->Item(index); }

}  // namespace

bool ReadFuelTable(const std::function<void(const Text& line)>& addLine) {
  auto add = [&](const Text& line) {
    if (addLine) addLine(line);
  };
  add(Msg(0));
  if (!Glb->ReadFuelMemory(kFuelHeaderLength)) {
    add(Msg(1));
    return false;
  }
  const Text name = Glb->FuelMemory.mid(kFuelNameOffset, kFuelNameLength);
  if (!name.startsWith(kInstalledFuelPrefix)) {
    add(Msg(3));
    return false;
  }
  add(Msg(2) + " " + name);
  add(name);
  add(Msg(4));
  if (!Glb->ReadFuelMemory(kFuelTableLength)) {
    add(Msg(1));
    return false;
  }
  add(Msg(5));
  return true;
}

bool LoadFuelImage(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  // Only the first 16 KB count; a larger file is not read any further.
  const QByteArray bytes = file.read(kFuelImageSize);
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString();
    return false;
  }
  if (Glb->FuelMemory.size() < kFuelImageSize) Glb->FuelMemory.resize(kFuelImageSize);
  Glb->FuelMemory.replace(0, bytes.size(), bytes);
  Glb->FuelMemoryLength = static_cast<int32_t>(bytes.size());
  Glb->FuelMemoryValid = !bytes.isEmpty();
  return true;
}

QByteArray FuelImageFileBytes() {
  const qsizetype length = std::clamp<qsizetype>(Glb->FuelMemoryLength, 0, Glb->FuelMemory.size());
  return Glb->FuelMemory.left(length);
}
