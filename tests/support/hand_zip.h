#pragma once
// ZIP archives written byte by byte, for tests of archives that lie: what the
// directory records of an entry (its CRC, lengths, place) can differ from
// what its data holds, and one entry can be recorded many times.
#include <zlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmorin::testing {

class HandZip {
 public:
  // An entry as its central record describes it; change any field before central().
  struct Record {
    std::string name;
    std::uint16_t method = 8;  // 8 deflate, 0 stored
    std::uint32_t crc = 0;
    std::uint64_t packed = 0, size = 0, header = 0;
  };

  // Writes a local header and the data; gives their record, true to the data
  // but for what `lie` changes (in the local header too).
  Record add(const std::string& name, const std::string& data, bool deflate = true,
             const std::function<void(Record&)>& lie = nullptr) {
    const std::string stored = deflate ? deflated(data) : data;
    Record record{name, static_cast<std::uint16_t>(deflate ? 8 : 0),
                  static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size())),
                  stored.size(), data.size(), bytes_.size()};
    if (lie) lie(record);
    number(bytes_, 0x04034B50, 4), number(bytes_, 20, 2), number(bytes_, 0, 2), number(bytes_, record.method, 2);
    number(bytes_, 0, 2), number(bytes_, 0x5A21, 2);  // 2025-01-01 00:00
    number(bytes_, record.crc, 4), number(bytes_, record.packed, 4), number(bytes_, record.size, 4);
    number(bytes_, name.size(), 2), number(bytes_, 0, 2);
    bytes_ += name + stored;
    return record;
  }

  // Records `record` in the central directory (Zip64 fields when its numbers need them).
  void central(const Record& record) {
    const bool wide = record.packed >= 0xFFFFFFFF || record.size >= 0xFFFFFFFF || record.header >= 0xFFFFFFFF;
    std::string& out = directory_;
    number(out, 0x02014B50, 4), number(out, 45, 2), number(out, 45, 2), number(out, 0, 2);
    number(out, record.method, 2), number(out, 0, 2), number(out, 0x5A21, 2), number(out, record.crc, 4);
    number(out, wide ? 0xFFFFFFFF : record.packed, 4), number(out, wide ? 0xFFFFFFFF : record.size, 4);
    number(out, record.name.size(), 2), number(out, wide ? 28 : 0, 2), number(out, 0, 2), number(out, 0, 2);
    number(out, 0, 2), number(out, 0, 4), number(out, wide ? 0xFFFFFFFF : record.header, 4);
    out += record.name;
    if (wide) number(out, 1, 2), number(out, 24, 2), number(out, record.size, 8), number(out, record.packed, 8),
        number(out, record.header, 8);
    ++count_;
  }

  // The whole archive; `claimed` replaces the entry count its end records
  // give, written as Zip64 when it does not fit 16 bits.
  std::string finish(std::uint64_t claimed = ~std::uint64_t{0}) const {
    const std::uint64_t count = claimed == ~std::uint64_t{0} ? count_ : claimed;
    std::string out = bytes_ + directory_;
    const std::uint64_t start = bytes_.size(), length = directory_.size();
    const bool wide = count >= 0xFFFF;
    if (wide) {
      const std::uint64_t recordAt = out.size();
      number(out, 0x06064B50, 4), number(out, 44, 8), number(out, 45, 2), number(out, 45, 2), number(out, 0, 4);
      number(out, 0, 4), number(out, count, 8), number(out, count, 8), number(out, length, 8), number(out, start, 8);
      number(out, 0x07064B50, 4), number(out, 0, 4), number(out, recordAt, 8), number(out, 1, 4);
    }
    number(out, 0x06054B50, 4), number(out, 0, 2), number(out, 0, 2);
    number(out, wide ? 0xFFFF : count, 2), number(out, wide ? 0xFFFF : count, 2);
    number(out, wide ? 0xFFFFFFFF : length, 4), number(out, wide ? 0xFFFFFFFF : start, 4), number(out, 0, 2);
    return out;
  }

  static std::string deflated(const std::string& data) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
  }

 private:
  static void number(std::string& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  }

  std::string bytes_, directory_;
  std::uint64_t count_ = 0;
};

}  // namespace velmorin::testing
