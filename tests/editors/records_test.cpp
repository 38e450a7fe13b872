#include "editors/records.h"

#include <gtest/gtest.h>

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

// KRTC-0815 = 2003030815 = 0x7763D31F, type 7, bits 0, 5, 8, 23 and 30.
const QByteArray kKnownRecord = Bytes({0x1F, 0xD3, 0x63, 0x77, 0x07, 0x84, 0x80, 0x01, 0x02,
                                       0, 0, 0, 0, 0, 0x7F, 0x03});

TEST(OptionRecord, ChecksumOfZeroBytes) {
  const QByteArray zeros(16, '\0');
  EXPECT_EQ(OptionRecord::Checksum(zeros), 165);
  EXPECT_FALSE(OptionRecord::ChecksumValid(zeros));  // 16 zero bytes are no valid record
  QByteArray valid = zeros;
  valid[14] = '\xA5';
  EXPECT_TRUE(OptionRecord::ChecksumValid(valid));
  // Bytes 14 and 15 are not part of the sum; the sum keeps its low 16 bits.
  EXPECT_EQ(OptionRecord::Checksum(QByteArray(16, '\xFF')), (165 + 14 * 255) & 0xFFFF);
}

TEST(OptionRecord, EncodesAtKnownBytes) {
  OptionRecord record;
  record.SerialNumber = 2003030815;
  record.TypeNumber = 7;
  for (int bit : {0, 5, 8, 23, 30}) record.Bits[bit] = true;
  EXPECT_EQ(record.ToBytes().toHex(' '), kKnownRecord.toHex(' '));
}

TEST(OptionRecord, DecodesKnownBytes) {
  ASSERT_TRUE(OptionRecord::ChecksumValid(kKnownRecord));
  const OptionRecord record = OptionRecord::FromBytes(kKnownRecord);
  EXPECT_EQ(record.SerialNumber, 2003030815);
  EXPECT_EQ(record.TypeNumber, 7);
  for (int bit = 0; bit < kOptionBitCount; ++bit)
    EXPECT_EQ(record.Bits[bit], bit == 0 || bit == 5 || bit == 8 || bit == 23 || bit == 30) << bit;
}

TEST(OptionRecord, BitPlacesAndUnusedBytes) {
  struct Case {
    int bit;
    int offset;
    int mask;
  };
  for (const Case& c : {Case{0, 5, 0x80}, Case{7, 5, 0x01}, Case{8, 6, 0x80}, Case{30, 8, 0x02}}) {
    OptionRecord record;
    record.Bits[c.bit] = true;
    const QByteArray bytes = record.ToBytes();
    for (int i = 5; i <= 8; ++i)
      EXPECT_EQ(static_cast<uint8_t>(bytes[i]), i == c.offset ? c.mask : 0) << "bit " << c.bit << " byte " << i;
  }
  // The spare bit and bytes 9..13 are ignored when read and written as 0.
  QByteArray noisy = kKnownRecord;
  noisy[8] = static_cast<char>(noisy[8] | 0x01);
  for (int i = 9; i <= 13; ++i) noisy[i] = '\x5A';
  const QByteArray rewritten = OptionRecord::FromBytes(noisy).ToBytes();
  EXPECT_EQ(rewritten.toHex(' '), kKnownRecord.toHex(' '));
  // A negative number survives as its 32-bit pattern.
  OptionRecord negative;
  negative.SerialNumber = -2;
  EXPECT_EQ(OptionRecord::FromBytes(negative.ToBytes()).SerialNumber, -2);
}

TEST(OptionRecord, WrongChecksumIsDetected) {
  for (int i = 0; i < 16; ++i) {
    QByteArray bad = kKnownRecord;
    bad[i] = static_cast<char>(bad[i] ^ 0x10);
    EXPECT_FALSE(OptionRecord::ChecksumValid(bad)) << "byte " << i;
  }
  EXPECT_FALSE(OptionRecord::ChecksumValid(kKnownRecord.left(15)));
  EXPECT_FALSE(OptionRecord::ChecksumValid(QByteArray()));
  // A longer buffer (the window builds the record in 48 bytes) checks its first 16.
  EXPECT_TRUE(OptionRecord::ChecksumValid(kKnownRecord + QByteArray(32, '\x33')));
  // A short buffer decodes what it has.
  EXPECT_EQ(OptionRecord::FromBytes(kKnownRecord.left(2)).SerialNumber, 0xD31F);
}

TEST(ListRecord, EncodesAtKnownBytes) {
  DisplayCodes display{};
  PrintCodes print{};
  display[0][0] = 1;                       // TRaum -> 0
  display[0][7] = kDisplayBlankRowCode;    // blank row -> 31
  display[1][0] = 31;                      // O2 Bezug -> 35
  display[2][7] = 41;                      // Co Raum -> 43
  print[0] = 37;                           // Leerzeile -> 254
  print[1] = 32;                           // RZ 2 -> 31
  print[23] = 46;                          // Co Raum -> 43
  const QByteArray bytes = ListRecord::FromCodes(display, print).ToBytes();
  ASSERT_EQ(bytes.size(), 48);
  QByteArray expected(48, '\xFF');         // every row left at 00 is empty
  expected[0] = 0;
  expected[7] = 31;
  expected[8] = 35;
  expected[23] = 43;
  expected[24] = '\xFE';
  expected[25] = 31;
  expected[47] = 43;
  EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));

  const ListRecord back = ListRecord::FromBytes(bytes);
  EXPECT_EQ(back.DisplayCodesOf(), display);
  EXPECT_EQ(back.PrintCodesOf(), print);
}

TEST(ListRecord, ShortBufferReadsAsEmptyRows) {
  const ListRecord record = ListRecord::FromBytes(Bytes({4, 4}));
  EXPECT_EQ(record.Display[0][0], 4);
  EXPECT_EQ(record.Display[0][1], 4);
  EXPECT_EQ(record.Display[0][2], kEmptyValue);
  EXPECT_EQ(record.Print[23], kEmptyValue);
  EXPECT_EQ(record.DisplayCodesOf()[0][0], 5);
  EXPECT_EQ(record.PrintCodesOf()[23], 0);
  EXPECT_EQ(ListRecord().ToBytes(), QByteArray(48, '\xFF'));
}

}  // namespace
