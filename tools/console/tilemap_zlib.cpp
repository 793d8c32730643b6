// The console's codec of tile map data: the system's zlib.
#include <zlib.h>

#include <climits>

#include "tools/console/tilemap.h"

namespace tessel::console::tilemap {

namespace {

// zlib's window bits: 15, and 16 more for a gzip wrapper.
int windowBits(Compression c) { return c == Compression::gzip ? 15 + 16 : 15; }

struct Inflater {
  z_stream stream{};
  bool open = false;
  ~Inflater() {
    if (open) inflateEnd(&stream);
  }
};

struct Deflater {
  z_stream stream{};
  bool open = false;
  ~Deflater() {
    if (open) deflateEnd(&stream);
  }
};

std::optional<std::string> inflated(Compression c, std::string_view packed, std::size_t size) {
  Inflater z;
  if (packed.size() > UINT_MAX || size >= UINT_MAX) return std::nullopt;
  if (inflateInit2(&z.stream, windowBits(c)) != Z_OK) return std::nullopt;
  z.open = true;
  // One byte of room past the size tells data that holds more.
  std::string out(size + 1, '\0');
  z.stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.stream.avail_in = static_cast<uInt>(packed.size());
  z.stream.next_out = reinterpret_cast<Bytef*>(out.data());
  z.stream.avail_out = static_cast<uInt>(out.size());
  if (inflate(&z.stream, Z_FINISH) != Z_STREAM_END || z.stream.total_out != size || z.stream.avail_in != 0)
    return std::nullopt;
  out.resize(size);
  return out;
}

std::optional<std::string> deflated(Compression c, std::string_view bytes) {
  Deflater z;
  if (bytes.size() > UINT_MAX / 2) return std::nullopt;
  if (deflateInit2(&z.stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits(c), 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return std::nullopt;
  z.open = true;
  // No time and no system in the gzip header: the same map gives the same bytes everywhere.
  gz_header header{};
  header.os = 255;
  if (c == Compression::gzip && deflateSetHeader(&z.stream, &header) != Z_OK) return std::nullopt;
  std::string out(deflateBound(&z.stream, static_cast<uLong>(bytes.size())) + 32, '\0');
  z.stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.stream.avail_in = static_cast<uInt>(bytes.size());
  z.stream.next_out = reinterpret_cast<Bytef*>(out.data());
  z.stream.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z.stream, Z_FINISH) != Z_STREAM_END) return std::nullopt;
  out.resize(z.stream.total_out);
  return out;
}

}  // namespace

Codec zlibCodec() { return {inflated, deflated}; }

}  // namespace tessel::console::tilemap
