#include "persist/native_file.h"

#include <algorithm>

#include "core/arithmetic.h"
#include "persist/byte_io.h"
#include "persist/loading.h"
#include "recordset/labels.h"

namespace tessel::persist {

namespace {

constexpr std::string_view kMagic("QVXARRAY", 8);

void writeRecord(ByteWriter& out, const Cell* cell) {
  if (cell == nullptr) {
    out.u16(0);
    out.i32(0);
    return;
  }
  out.u16(static_cast<uint16_t>(cell->type()));
  out.i32(cell->length());
  if (cell->length() < 1) return;
  if (cell->type() == CellType::value) {
    out.i32(cell->value());
  } else {
    out.bytes({cell->bytes(), static_cast<std::size_t>(cell->length())});
  }
}

CellRecord readRecord(ByteReader& in, ArrayImage& image) {
  CellRecord r;
  r.type = in.u16();
  r.length = in.i32();
  if (r.length < 1) return r;
  if (r.type == 1) {
    r.word = in.i32();
  } else {
    // A payload cut short keeps what the file held; none when nothing is left.
    image.keepBytes(r, in.take(static_cast<uint64_t>(r.length)));
  }
  return r;
}

}  // namespace

void writeNativeFile(const ArrayStore& store, ByteWriter& out) {
  const Dimensions& dims = store.dimensions();
  const LabelTable& labels = store.labels();
  const int32_t dimensionCount = dims.count();
  out.bytes(kMagic);
  out.u16(1);
  out.i32(dimensionCount);
  // Boundary k as the store reports it: the last one written is always 0.
  for (int32_t k = 1; k <= dimensionCount; ++k) out.i32(dims.boundary(k));
  out.i32(labels.size());
  // A slot without a label is written as length 0, like an empty one.
  auto next = labels.held().begin();
  for (int32_t c = 0; c < labels.size() && !out.failed(); ++c) {
    if (next != labels.held().end() && next->column == c) {
      out.i32(static_cast<int32_t>(next->text.size()));
      out.bytes((next++)->text);
    } else {
      out.i32(0);
    }
  }
  out.i32(store.size());
  for (int32_t i = 0; i < store.size(); ++i) {
    const Cell* cell = store.cellAt(i);
    writeRecord(out, cell);
    writeRecord(out, cell->key());
  }
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
    image.labels.push_back(length >= 1 ? image.keepLabel(in.take(static_cast<uint64_t>(length))) : LabelImage{});
  }
  const int32_t cellCount = in.i32();
  // Room for as many records as the rest of the file can hold (12 bytes at least each).
  if (cellCount > 0)
    image.cells.reserve(std::min<std::size_t>(static_cast<std::size_t>(cellCount), in.remaining() / 12));
  image.reservePool(in.remaining());
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
  store.reserveAppends(static_cast<int64_t>(image.cells.size()));
  for (std::size_t i = 0; i < image.cells.size(); ++i) {
    const int32_t at = wrapAdd(start, static_cast<int32_t>(i));
    store.insert(at, image.descriptorOf(image.cells[i].cell));
    store.setKey(at, image.descriptorOf(image.cells[i].key));
  }
  for (std::size_t c = 0; c < image.labels.size(); ++c) {
    recordset::setLabel(store, image.text(image.labels[c]), static_cast<int32_t>(c));
  }
}

Status saveToFile(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode) {
  files.setWriteMode(mode);
  FileWriter out = files.beginSave(name);
  if (!out.failed()) writeNativeFile(store, out);
  return out.commit();
}

Status loadFromFile(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode) {
  std::string bytes;
  Status status = files.read(name, bytes);
  std::optional<ArrayImage> image;
  if (status.ok()) {
    image = readNativeFile(bytes);
    if (!image) status = Status::failure(StatusCode::badFormat, name);
  }
  bytes = std::string();  // the image holds what it needs
  if (!image) image.emplace();
  applyLoad(store, mode, [&](ArrayStore& s) { applyNativeImage(s, *image, mode); });
  return status;
}

}  // namespace tessel::persist
