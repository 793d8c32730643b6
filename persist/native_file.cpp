#include "persist/native_file.h"

#include "core/arithmetic.h"
#include "persist/byte_io.h"
#include "persist/loading.h"
#include "recordset/labels.h"

namespace tessel::persist {

namespace {

constexpr std::string_view kMagic("QVXARRAY", 8);

void writeRecord(ByteWriter& out, const ArrayImage& image, const CellRecord& r) {
  out.u16(r.type);
  out.i32(r.length);
  if (r.length < 1) return;
  if (r.type == 1) {
    out.i32(r.value);
  } else {
    // The length says how many bytes follow; the image holds exactly those.
    out.bytes(image.bytes(r.bytes));
  }
}

CellRecord readRecord(ByteReader& in, ArrayImage& image) {
  CellRecord r;
  r.type = in.u16();
  r.length = in.i32();
  if (r.length < 1) return r;
  if (r.type == 1) {
    r.value = in.i32();
  } else {
    // A payload cut short keeps what the file held; none when nothing is left.
    const std::string_view bytes = in.take(static_cast<uint64_t>(r.length));
    if (!bytes.empty()) r.bytes = image.keep(bytes);
  }
  return r;
}

}  // namespace

std::string writeNativeFile(const ArrayImage& image) {
  ByteWriter out;
  out.bytes(kMagic);
  out.u16(1);
  out.i32(image.dimensionCount);
  for (int32_t k = 0; k < image.dimensionCount && k < ArrayImage::kBoundaries; ++k) {
    out.i32(image.boundaries[static_cast<std::size_t>(k)]);
  }
  out.i32(static_cast<int32_t>(image.labels.size()));
  for (const PoolSpan& label : image.labels) {
    out.i32(static_cast<int32_t>(label.size));
    out.bytes(image.bytes(label));
  }
  out.i32(static_cast<int32_t>(image.cells.size()));
  for (const CellImage& c : image.cells) {
    writeRecord(out, image, c.cell);
    writeRecord(out, image, c.key);
  }
  return out.take();
}

std::optional<ArrayImage> readNativeFile(std::string_view bytes) {
  ByteReader in(bytes);
  if (in.take(kMagic.size()) != kMagic) return std::nullopt;
  ArrayImage image;
  image.version = in.u16();
  if (static_cast<int16_t>(image.version) > 1) return std::nullopt;
  image.dimensionCount = in.i32();
  // Boundaries past the tenth are skipped so the rest is read at its place.
  for (int32_t k = 0; k < image.dimensionCount; ++k) {
    if (k < ArrayImage::kBoundaries) {
      image.boundaries[static_cast<std::size_t>(k)] = in.i32();
    } else {
      in.skip(4 * static_cast<uint64_t>(image.dimensionCount - k));
      break;
    }
  }
  // Counts are clamped to what the file holds: an entry with no byte left in
  // the file is not made.
  const int32_t labelCount = in.i32();
  for (int32_t k = 0; k < labelCount && !in.atEnd(); ++k) {
    const int32_t length = in.i32();
    PoolSpan label;
    if (length >= 1) {
      const std::string_view text = in.take(static_cast<uint64_t>(length));
      if (!text.empty()) label = image.keep(text);
    }
    image.labels.push_back(label);
  }
  const int32_t cellCount = in.i32();
  for (int32_t i = 0; i < cellCount && !in.atEnd(); ++i) {
    CellImage c;
    c.cell = readRecord(in, image);
    c.key = readRecord(in, image);
    image.cells.push_back(c);
  }
  return image;
}

void applyNativeImage(ArrayStore& store, const ArrayImage& image, LoadMode mode) {
  if (mode == LoadMode::replace) {
    store.deleteAll();
    store.dimensions().setCount(image.dimensionCount);
    for (int32_t k = 1; k <= 9; ++k)
      store.dimensions().setBoundary(k, image.boundaries[static_cast<std::size_t>(k - 1)]);
  }
  const int32_t start = store.size();
  for (std::size_t i = 0; i < image.cells.size(); ++i) {
    const int32_t at = wrapAdd(start, static_cast<int32_t>(i));
    store.insert(at, image.descriptorOf(image.cells[i].cell));
    store.setKey(at, image.descriptorOf(image.cells[i].key));
  }
  for (std::size_t c = 0; c < image.labels.size(); ++c) {
    recordset::setLabel(store, image.text(image.labels[c]), static_cast<int32_t>(c));
  }
}

void saveToFile(const ArrayStore& store, const char* name, WriteMode mode) {
  const std::string bytes = writeNativeFile(ArrayImage::of(store));
  FileHandler handler;
  handler.setWriteMode(mode);
  handler.write(name, bytes);
}

void loadFromFile(ArrayStore& store, const char* name, LoadMode mode) {
  FileHandler handler;
  std::optional<ArrayImage> image;
  if (std::optional<std::string> bytes = handler.read(name)) image = readNativeFile(*bytes);
  if (!image) image.emplace();
  applyLoad(store, mode, [&](ArrayStore& s) { applyNativeImage(s, *image, mode); });
}

}  // namespace tessel::persist
