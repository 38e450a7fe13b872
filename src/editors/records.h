#pragma once
// The two records of the instrument's parameter memory that the options
// windows read and write as one block each.
#include <array>
#include <cstdint>

#include <QByteArray>

#include "option_catalogue.h"

// 16 bytes at parameter address 16: serial number (little-endian), device
// type, the 31 option bits most significant bit first, five unused bytes and
// a 16-bit little-endian checksum.
struct OptionRecord {
  static constexpr int32_t kAddress = 16;
  static constexpr int32_t kSize = 16;
  static constexpr int32_t kChecksumOffset = 14;

  int32_t SerialNumber = 0;
  uint8_t TypeNumber = 0;
  OptionBits Bits{};

  // 165 + the sum of bytes 0..13, low 16 bits (123, plus each byte + 3).
  // Missing bytes of a short buffer count as 0.
  static uint16_t Checksum(const QByteArray& bytes);
  // The stored checksum (bytes 14, 15) matches; a buffer shorter than 16
  // bytes never does.
  static bool ChecksumValid(const QByteArray& bytes);

  // Decodes the first 16 bytes (missing ones read as 0); the checksum is not
  // looked at, check it with ChecksumValid first.
  static OptionRecord FromBytes(const QByteArray& bytes);
  // 16 bytes with the unused parts zero and the checksum filled in.
  QByteArray ToBytes() const;
};

// 48 bytes at parameter address 32: one ValueNumber per row of display 1, 2
// and 3 (8 rows each) and of the printout (24 rows). No checksum.
struct ListRecord {
  static constexpr int32_t kAddress = 32;
  static constexpr int32_t kSize = 48;
  static constexpr int32_t kPrintOffset = kDisplayCount * kDisplayRows;

  ListRecord();
  std::array<std::array<uint8_t, kDisplayRows>, kDisplayCount> Display;  // [column][row]
  std::array<uint8_t, kPrintRows> Print;

  // Missing bytes of a short buffer read as empty rows (255).
  static ListRecord FromBytes(const QByteArray& bytes);
  QByteArray ToBytes() const;

  // Through the code conversions of the option catalogue.
  static ListRecord FromCodes(const DisplayCodes& display, const PrintCodes& print);
  DisplayCodes DisplayCodesOf() const;
  PrintCodes PrintCodesOf() const;
};
