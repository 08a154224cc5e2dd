// The reading of program layouts, on files the tests write field by field
// from the documented layout.
#include <gtest/gtest.h>

#include "sound/bits.h"
#include "sound/decode.h"
#include "support/bit_writer.h"

namespace velmorin::sounds {
namespace {

using testing::ProgramWriter;

std::span<const std::uint8_t> view(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

TEST(Bits, FieldsRunOnIntoTheNextBytesMostSignificantFirst) {
  const std::string bytes = "\x0F\xA5\x80";
  EXPECT_EQ(readBits(view(bytes), 0, 3, 4), 0xFu);
  EXPECT_EQ(readBits(view(bytes), 0, 0, 2), 0b11u);          // b0 of 0x0F, then b7 of 0xA5
  EXPECT_EQ(readBits(view(bytes), 1, 7, 9), 0b101001011u);   // the whole of 0xA5, then b7 of 0x80
  EXPECT_EQ(readBits(view(bytes), 2, 0, 2), std::nullopt);   // beyond the end
  EXPECT_EQ(readBits(view(bytes), 0, 8, 1), std::nullopt);
}

TEST(Decode, PanelsOlderHeadersAndWhatCannotBeRead) {
  ProgramWriter program("ns3f", 592);
  program.set(0x31, 6, 2, 2)                        // panels A and B
      .set(0x43, 7, 1, 1).set(0x48, 5, 3, 1)        // A: piano on, Upright
      .set(0xB6 + 0x107, 7, 1, 1).set(0xBB + 0x107, 6, 3, 1)  // B: organ on, Vox
      .set(0x8D + 0x107, 1, 3, 7);                  // B: an oscillator type no table names
  const Decoded decoded = decode("ns3f", view(program.bytes()));
  ASSERT_TRUE(decoded.decoded());
  EXPECT_EQ(std::get<bool>(*find(decoded.sheet, "A.on")), true);
  EXPECT_EQ(std::get<bool>(*find(decoded.sheet, "B.on")), true);
  EXPECT_EQ(textAt(decoded.sheet, "A.piano.type"), "Upright");
  EXPECT_TRUE(isOn(decoded.sheet, "A.piano.on"));
  EXPECT_FALSE(isOn(decoded.sheet, "B.piano.on"));
  EXPECT_EQ(textAt(decoded.sheet, "B.organ.type"), "Vox");
  EXPECT_EQ(textAt(decoded.sheet, "B.synth.oscillators.type"), "?");
  // Program-wide settings come first, then panel A's, then panel B's, each in the layout's order.
  std::size_t panelA = 0;
  while (panelA < decoded.sheet.size() && decoded.sheet[panelA].key != "A.on") ++panelA;
  ASSERT_LT(panelA, decoded.sheet.size());
  EXPECT_EQ(decoded.sheet[panelA + (decoded.sheet.size() - panelA) / 2].key, "B.on");

  // The same program saved by older software reads the same.
  const Decoded older = decode("ns3f", view(program.olderBytes()));
  ASSERT_TRUE(older.decoded());
  ASSERT_EQ(older.sheet.size(), decoded.sheet.size());
  for (std::size_t i = 0; i < older.sheet.size(); ++i)
    EXPECT_EQ(older.sheet[i].value, decoded.sheet[i].value) << older.sheet[i].key;

  EXPECT_EQ(decode("ns3f", view(program.bytes().substr(0, 591))).why, NotDecoded::Truncated);
  EXPECT_EQ(decode("ns3f", view(program.olderBytes().substr(0, 500))).why, NotDecoded::Truncated);
  EXPECT_EQ(decode("ns3f", view("XXXX" + program.bytes().substr(4))).why, NotDecoded::UnknownHeader);
  std::string futureHeader = program.bytes();
  futureHeader[4] = 2;
  EXPECT_EQ(decode("ns3f", view(futureHeader)).why, NotDecoded::UnknownHeader);
  EXPECT_EQ(decode("nlas", view(program.bytes())).why, NotDecoded::NoLayout);
}

TEST(Decode, NumbersAreShownAsTheKeyboardShowsThem) {
  EXPECT_EQ(formatNumber(7.24, 1), "7.2");
  EXPECT_EQ(formatNumber(-0.04, 1), "0.0");
  EXPECT_EQ(formatNumber(-6, 0), "-6");
}

}  // namespace
}  // namespace velmorin::sounds
