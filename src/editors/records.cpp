#include "records.h"

namespace {

uint8_t ByteAt(const QByteArray& bytes, qsizetype offset, uint8_t missing) {
  return offset < bytes.size() ? static_cast<uint8_t>(bytes[offset]) : missing;
}

constexpr qsizetype kBitsOffset = 5;

}  // namespace

uint16_t OptionRecord::Checksum(const QByteArray& bytes) {
  uint32_t sum = 123;
  for (qsizetype i = 0; i < kChecksumOffset; ++i) sum += ByteAt(bytes, i, 0) + 3u;
  return static_cast<uint16_t>(sum & 0xFFFF);
}

bool OptionRecord::ChecksumValid(const QByteArray& bytes) {
  if (bytes.size() < kSize) return false;
  const uint16_t stored = static_cast<uint16_t>(ByteAt(bytes, kChecksumOffset, 0) |
                                                (ByteAt(bytes, kChecksumOffset + 1, 0) << 8));
  return stored == Checksum(bytes);
}

OptionRecord OptionRecord::FromBytes(const QByteArray& bytes) {
  OptionRecord record;
  uint32_t serial = 0;
  for (int i = 3; i >= 0; --i) serial = (serial << 8) | ByteAt(bytes, i, 0);
  record.SerialNumber = static_cast<int32_t>(serial);
  record.TypeNumber = ByteAt(bytes, 4, 0);
  for (int32_t bit = 0; bit < kOptionBitCount; ++bit) {
    const uint8_t byte = ByteAt(bytes, kBitsOffset + bit / 8, 0);
    record.Bits[static_cast<std::size_t>(bit)] = (byte & (0x80u >> (bit % 8))) != 0;
  }
  return record;
}

QByteArray OptionRecord::ToBytes() const {
  QByteArray bytes(kSize, '\0');
  const auto serial = static_cast<uint32_t>(SerialNumber);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((serial >> (8 * i)) & 0xFF);
  bytes[4] = static_cast<char>(TypeNumber);
  for (int32_t bit = 0; bit < kOptionBitCount; ++bit)
    if (Bits[static_cast<std::size_t>(bit)])
      bytes[kBitsOffset + bit / 8] = static_cast<char>(static_cast<uint8_t>(bytes[kBitsOffset + bit / 8]) |
                                                       (0x80u >> (bit % 8)));
  const uint16_t sum = Checksum(bytes);
  bytes[kChecksumOffset] = static_cast<char>(sum & 0xFF);
  bytes[kChecksumOffset + 1] = static_cast<char>(sum >> 8);
  return bytes;
}

ListRecord::ListRecord() {
  for (auto& column : Display) column.fill(kEmptyValue);
  Print.fill(kEmptyValue);
}

ListRecord ListRecord::FromBytes(const QByteArray& bytes) {
  ListRecord record;
  for (int32_t c = 0; c < kDisplayCount; ++c)
    for (int32_t r = 0; r < kDisplayRows; ++r)
      record.Display[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] =
          ByteAt(bytes, kDisplayRows * c + r, kEmptyValue);
  for (int32_t r = 0; r < kPrintRows; ++r)
    record.Print[static_cast<std::size_t>(r)] = ByteAt(bytes, kPrintOffset + r, kEmptyValue);
  return record;
}

QByteArray ListRecord::ToBytes() const {
  QByteArray bytes(kSize, '\0');
  for (int32_t c = 0; c < kDisplayCount; ++c)
    for (int32_t r = 0; r < kDisplayRows; ++r)
      bytes[kDisplayRows * c + r] = static_cast<char>(Display[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)]);
  for (int32_t r = 0; r < kPrintRows; ++r)
    bytes[kPrintOffset + r] = static_cast<char>(Print[static_cast<std::size_t>(r)]);
  return bytes;
}

ListRecord ListRecord::FromCodes(const DisplayCodes& display, const PrintCodes& print) {
  ListRecord record;
  for (std::size_t c = 0; c < record.Display.size(); ++c)
    for (std::size_t r = 0; r < record.Display[c].size(); ++r)
      record.Display[c][r] = DisplayCodeToValue(display[c][r]);
  for (std::size_t r = 0; r < record.Print.size(); ++r) record.Print[r] = PrintCodeToValue(print[r]);
  return record;
}

DisplayCodes ListRecord::DisplayCodesOf() const {
  DisplayCodes codes{};
  for (std::size_t c = 0; c < codes.size(); ++c)
    for (std::size_t r = 0; r < codes[c].size(); ++r) codes[c][r] = ValueToDisplayCode(Display[c][r]);
  return codes;
}

PrintCodes ListRecord::PrintCodesOf() const {
  PrintCodes codes{};
  for (std::size_t r = 0; r < codes.size(); ++r) codes[r] = ValueToPrintCode(Print[r]);
  return codes;
}
