// Little-endian fields in and out of bytes. The writer gathers fields in a
// buffer of fixed size and hands each full buffer on, so a save never needs
// memory for the whole file. The reader never reads past its end: a field cut
// short keeps the bytes that were there, with the missing high bytes zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tessel::persist {

class ByteWriter {
 public:
  static constexpr std::size_t kBufferSize = std::size_t{1} << 16;

  ByteWriter(const ByteWriter&) = delete;
  ByteWriter& operator=(const ByteWriter&) = delete;
  virtual ~ByteWriter() = default;

  // Whether the bytes stopped reaching their target; long runs of bytes may stop early then.
  virtual bool failed() const { return false; }

  void u16(uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    bytes({b, 2});
  }
  void i32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    const char b[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                       static_cast<char>((u >> 16) & 0xFF), static_cast<char>(u >> 24)};
    bytes({b, 4});
  }
  void bytes(std::string_view b) {
    if (b.empty()) return;  // an empty cell's bytes may have no address at all
    if (b.size() <= room()) {
      std::memcpy(&buffer_[used_], b.data(), b.size());
      used_ += b.size();
      return;
    }
    spill(b);
  }

 protected:
  // `bufferSize` bytes are gathered before each hand-over (at least 1).
  explicit ByteWriter(std::size_t bufferSize) : buffer_(bufferSize == 0 ? 1 : bufferSize, '\0') {}
  // Receives the gathered bytes in order.
  virtual void drain(std::string_view bytes) = 0;
  // Hands on what the buffer holds.
  void drainBuffer() {
    if (used_ > 0) drain({buffer_.data(), used_});
    used_ = 0;
  }

 private:
  std::size_t room() const { return buffer_.size() - used_; }
  void spill(std::string_view b) {
    while (!b.empty()) {
      if (room() == 0) drainBuffer();
      const std::size_t n = b.size() < room() ? b.size() : room();
      std::memcpy(&buffer_[used_], b.data(), n);
      used_ += n;
      b.remove_prefix(n);
    }
  }

  std::string buffer_;
  std::size_t used_ = 0;
};

// A writer that keeps every byte in memory, for building small texts and for tests.
class StringWriter final : public ByteWriter {
 public:
  StringWriter() : ByteWriter(256) {}
  std::string take() {
    drainBuffer();
    return std::move(out_);
  }

 private:
  void drain(std::string_view bytes) override { out_.append(bytes.data(), bytes.size()); }
  std::string out_;
};

class ByteReader {
 public:
  explicit ByteReader(std::string_view data) : data_(data) {}

  bool atEnd() const { return pos_ >= data_.size(); }
  std::size_t remaining() const { return data_.size() - pos_; }
  // Whether a field or a run of bytes was cut short by the end of the data.
  bool cut() const { return cut_; }

  uint16_t u16() { return static_cast<uint16_t>(little(2)); }
  int32_t i32() { return static_cast<int32_t>(little(4)); }
  // Up to n bytes; fewer when the data ends first.
  std::string_view take(uint64_t n) {
    const std::size_t k = n < remaining() ? static_cast<std::size_t>(n) : remaining();
    if (k < n) cut_ = true;
    const std::string_view out = data_.substr(pos_, k);
    pos_ += k;
    return out;
  }
  void skip(uint64_t n) { take(n); }

 private:
  uint32_t little(std::size_t width) {
    if (width == 4 && remaining() >= 4) {
      // The common case, whole: four byte loads the compiler makes one.
      const auto* p = reinterpret_cast<const unsigned char*>(data_.data() + pos_);
      pos_ += 4;
      return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
             static_cast<uint32_t>(p[3]) << 24;
    }
    const std::string_view b = take(width);
    uint32_t v = 0;
    for (std::size_t i = 0; i < b.size(); ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(b[i])) << (8 * i);
    return v;
  }

  std::string_view data_;
  std::size_t pos_ = 0;
  bool cut_ = false;
};

}  // namespace tessel::persist
