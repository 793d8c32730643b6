#include "persist/host_array_file.h"

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

ArrayImage hostArrayImageOf(const ArrayStore& store) {
  ArrayImage image;
  const int32_t count = store.size();
  for (int k = 1; k <= ArrayImage::kBoundaries; ++k) {
    image.boundaries[static_cast<std::size_t>(k - 1)] = store.dimensions().boundary(k);
  }
  const int64_t page = extent(image.boundaries[0]) * extent(image.boundaries[1]);
  const int64_t z = count / page + 1;
  image.boundaries[2] =
      z > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(z);
  image.cells.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const CellText text = store.cellAt(i)->text();
    CellImage c;
    c.cell.type = 2;
    c.cell.length = static_cast<int32_t>(text.size());
    if (text.size() > 0) c.cell.bytes = image.keep(text.view());
    image.cells.push_back(c);
  }
  return image;
}

std::optional<std::string> writeHostArrayFile(const ArrayImage& image) {
  const auto x = static_cast<int32_t>(extent(image.boundaries[0]));
  const auto y = static_cast<int32_t>(extent(image.boundaries[1]));
  const auto z = static_cast<int32_t>(extent(image.boundaries[2]));
  const int64_t entries = entryCount(x, y, z);
  if (entries < 0) return std::nullopt;
  ByteWriter out;
  out.bytes(kMagic);
  out.i32(kVersion);
  out.i32(x);
  out.i32(y);
  out.i32(z);
  out.i32(kTextFlags);
  for (int64_t i = 0; i < entries; ++i) {
    if (i < static_cast<int64_t>(image.cells.size())) {
      const CellRecord& r = image.cells[static_cast<std::size_t>(i)].cell;
      out.i32(r.length);
      if (r.length > 0) out.bytes(image.bytes(r.bytes));
    } else {
      out.i32(0);
    }
  }
  return out.take();
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
  if (flags == 1 || flags == 5) {
    for (int64_t i = 0; i < entries && !in.atEnd(); ++i) {
      CellImage c;
      c.cell.type = 1;
      c.cell.length = 4;
      c.cell.value = in.i32();
      image.cells.push_back(c);
    }
  } else if ((flags == 2 || flags == 6) && version == kVersion) {
    for (int64_t i = 0; i < entries && !in.atEnd(); ++i) {
      CellImage c;
      c.cell.type = 2;
      const int32_t n = in.i32();
      if (n > 0) {
        const std::string_view text = in.take(static_cast<uint64_t>(n));
        if (!text.empty()) c.cell.bytes = image.keep(text);
      }
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
  for (std::size_t i = 0; i < image->cells.size(); ++i) {
    const CellRecord& r = image->cells[i].cell;
    const int32_t at = wrapAdd(start, static_cast<int32_t>(i));
    if (r.type == 2) {
      store.insert(at, CellDescriptor::ofString(image->text(r.bytes)));
    } else {
      store.insert(at, CellDescriptor::ofValue(r.value));
    }
  }
}

void saveAsHostArray(const ArrayStore& store, const char* name, WriteMode mode) {
  const std::optional<std::string> bytes = writeHostArrayFile(hostArrayImageOf(store));
  if (!bytes) return;
  FileHandler handler;
  handler.setWriteMode(mode);
  handler.write(name, *bytes);
}

void loadFromHostArray(ArrayStore& store, const char* name, LoadMode mode) {
  FileHandler handler;
  std::optional<ArrayImage> image;
  if (std::optional<std::string> bytes = handler.read(name)) image = readHostArrayFile(*bytes);
  applyLoad(store, mode, [&](ArrayStore& s) { applyHostArrayImage(s, image, mode); });
}

}  // namespace tessel::persist
