#include "persist/host_array_file.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/arithmetic.h"
#include "persist/byte_io.h"
#include "persist/loading.h"

namespace tessel::persist {

namespace {

constexpr std::string_view kMagic("HGF ARRAY\0", 10);
constexpr int32_t kVersion = 2;
constexpr int32_t kTextFlags = 2;

int64_t extent(int32_t b) { return b == 0 ? 1 : b; }

// X × Y × Z when it fits in a signed 32-bit number; 0 when an extent is 0 or
// less (no entry), -1 when it does not fit.
int64_t entryCount(int32_t x, int32_t y, int32_t z) {
  if (x <= 0 || y <= 0 || z <= 0) return 0;
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  const int64_t xy = static_cast<int64_t>(x) * y;  // two factors below 2^31 fit in 64 bits
  if (xy > kMax) return -1;
  const int64_t n = xy * z;
  return n > kMax ? -1 : n;
}

}  // namespace

std::optional<HostArrayGrid> hostArrayGrid(const ArrayStore& store) {
  const int32_t count = store.size();
  const int64_t x = extent(store.dimensions().boundary(1));
  const int64_t y = extent(store.dimensions().boundary(2));
  const int64_t z = count / (x * y) + 1;
  if (z > std::numeric_limits<int32_t>::max()) return std::nullopt;
  HostArrayGrid grid{static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(z), 0};
  grid.entries = entryCount(grid.x, grid.y, grid.z);
  if (grid.entries < 0) return std::nullopt;
  return grid;
}

void writeHostArrayFile(const ArrayStore& store, const HostArrayGrid& grid, ByteWriter& out) {
  const int32_t count = store.size();
  out.bytes(kMagic);
  out.i32(kVersion);
  out.i32(grid.x);
  out.i32(grid.y);
  out.i32(grid.z);
  out.i32(kTextFlags);
  // Values are written as their decimal text; empty and data cells as empty text.
  for (int32_t i = 0; i < count; ++i) {
    const CellText text = store.cellAt(i)->text();
    out.i32(static_cast<int32_t>(text.size()));
    out.bytes(text.view());
  }
  // The empty entries after the last cell (each a length 0), in blocks.
  static constexpr char kZeros[4096] = {};
  int64_t rest = (grid.entries > count ? grid.entries - count : 0) * 4;
  while (rest > 0 && !out.failed()) {
    const int64_t n = rest < static_cast<int64_t>(sizeof kZeros) ? rest : static_cast<int64_t>(sizeof kZeros);
    out.bytes({kZeros, static_cast<std::size_t>(n)});
    rest -= n;
  }
}

std::optional<ArrayImage> readHostArrayFile(std::string_view bytes) {
  ByteReader in(bytes);
  if (in.take(kMagic.size()) != kMagic) return std::nullopt;
  ArrayImage image;
  const int32_t version = in.i32();
  image.boundaries[0] = in.i32();
  image.boundaries[1] = in.i32();
  image.boundaries[2] = in.i32();
  const int32_t flags = in.i32();
  const int64_t entries = entryCount(image.boundaries[0], image.boundaries[1], image.boundaries[2]);
  if (entries < 0) return std::nullopt;
  // Every entry read from the file takes 4 bytes at least.
  image.cells.reserve(std::min<std::size_t>(static_cast<std::size_t>(entries), in.remaining() / 4));
  image.reservePool(in.remaining());
  if (flags == 1 || flags == 5) {
    for (int64_t i = 0; i < entries && !in.atEnd(); ++i) {
      CellImage c;
      c.cell.type = 1;
      c.cell.length = 4;
      c.cell.word = in.i32();
      image.cells.push_back(c);
    }
  } else if ((flags == 2 || flags == 6) && version == kVersion) {
    for (int64_t i = 0; i < entries && !in.atEnd(); ++i) {
      CellImage c;
      c.cell.type = 2;
      const int32_t n = in.i32();
      if (n > 0) image.keepBytes(c.cell, in.take(static_cast<uint64_t>(n)));
      image.cells.push_back(c);
    }
  } else if (flags == 2 || flags == 6) {
    // Entries that take no bytes: only a bounded number of them is believed.
    if (entries > kMaxEmptyTextEntries) return std::nullopt;
    CellImage empty;
    empty.cell.type = 2;
    image.cells.assign(static_cast<std::size_t>(entries), empty);
  }
  return image;
}

void applyHostArrayImage(ArrayStore& store, const std::optional<ArrayImage>& image, LoadMode mode) {
  if (mode == LoadMode::replace) {
    store.deleteAll();
    Dimensions& dims = store.dimensions();
    if (!image) {
      dims.setCount(0);
      return;
    }
    const int32_t x = image->boundaries[0];
    const int32_t y = image->boundaries[1];
    dims.setCount(x == 1 && y == 1 ? 1 : y == 1 ? 2 : 3);
    dims.setBoundary(1, x);
    dims.setBoundary(2, y);
  }
  if (!image) return;
  const int32_t start = store.size();
  store.reserveAppends(static_cast<int64_t>(image->cells.size()));
  for (std::size_t i = 0; i < image->cells.size(); ++i) {
    const CellRecord& r = image->cells[i].cell;
    const int32_t at = wrapAdd(start, static_cast<int32_t>(i));
    if (r.type == 2) {
      store.insert(at, CellDescriptor::ofString(image->text(r)));
    } else {
      store.insert(at, CellDescriptor::ofValue(r.word));
    }
  }
}

Status saveAsHostArray(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode) {
  const std::optional<HostArrayGrid> grid = hostArrayGrid(store);
  if (!grid) return Status::failure(StatusCode::tooLarge, name != nullptr ? name : "");
  files.setWriteMode(mode);
  FileWriter out = files.beginSave(name);
  if (!out.failed()) writeHostArrayFile(store, *grid, out);
  return out.commit();
}

Status loadFromHostArray(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode) {
  std::string bytes;
  Status status = files.read(name, bytes);
  std::optional<ArrayImage> image;
  if (status.ok()) {
    image = readHostArrayFile(bytes);
    if (!image) status = Status::failure(StatusCode::badFormat, name);
  }
  bytes = std::string();
  applyLoad(store, mode, [&](ArrayStore& s) { applyHostArrayImage(s, image, mode); });
  return status;
}

}  // namespace tessel::persist
