// Little-endian fields in and out of byte buffers. The reader never reads
// past its end: a field cut short keeps the bytes that were there, with the
// missing high bytes zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessel::persist {

class ByteWriter {
 public:
  void u16(uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out_.append(b, 2);
  }
  void i32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    const char b[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                       static_cast<char>((u >> 16) & 0xFF), static_cast<char>(u >> 24)};
    out_.append(b, 4);
  }
  void bytes(std::string_view b) { out_.append(b.data(), b.size()); }
  void reserve(std::size_t n) { out_.reserve(n); }

  std::string take() { return std::move(out_); }

 private:
  std::string out_;
};

class ByteReader {
 public:
  explicit ByteReader(std::string_view data) : data_(data) {}

  bool atEnd() const { return pos_ >= data_.size(); }
  std::size_t remaining() const { return data_.size() - pos_; }

  uint16_t u16() { return static_cast<uint16_t>(little(2)); }
  int32_t i32() { return static_cast<int32_t>(little(4)); }
  // Up to n bytes; fewer when the data ends first.
  std::string_view take(uint64_t n) {
    const std::size_t k = n < remaining() ? static_cast<std::size_t>(n) : remaining();
    const std::string_view out = data_.substr(pos_, k);
    pos_ += k;
    return out;
  }
  void skip(uint64_t n) { take(n); }

 private:
  uint32_t little(std::size_t width) {
    const std::string_view b = take(width);
    uint32_t v = 0;
    for (std::size_t i = 0; i < b.size(); ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(b[i])) << (8 * i);
    return v;
  }

  std::string_view data_;
  std::size_t pos_ = 0;
};

}  // namespace tessel::persist
