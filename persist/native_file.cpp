#include "persist/native_file.h"

#include <algorithm>
#include <cstring>

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

// What a record stores back: a value, a string up to its first zero byte,
// or anything else as data of the bytes held. A payload cut short keeps what
// the file held; an empty one leaves an empty cell. Bytes are read in place.
CellDescriptor readRecord(ByteReader& in, std::string& spill) {
  const uint16_t type = in.u16();
  const int32_t length = in.i32();
  if (length < 1) return {};
  if (type == 1) return CellDescriptor::ofValue(in.i32());
  const std::string_view payload = in.take(static_cast<uint64_t>(length));
  if (payload.empty()) return {};
  if (type != 2) return CellDescriptor::ofData(payload.data(), static_cast<int32_t>(payload.size()));
  // Most strings carry their terminator; one that does not is copied to get one.
  if (payload.back() == '\0' || std::memchr(payload.data(), '\0', payload.size()) != nullptr)
    return CellDescriptor::ofString(payload.data());
  spill.assign(payload);
  return CellDescriptor::ofString(spill.c_str());
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

std::optional<NativeHeader> readNativeHeader(std::string_view bytes) {
  ByteReader in(bytes);
  if (in.take(kMagic.size()) != kMagic) return std::nullopt;
  NativeHeader header;
  if (static_cast<int16_t>(in.u16()) > 1) return std::nullopt;
  header.dimensionCount = in.i32();
  // Boundaries past the tenth are skipped so the rest is read at its place.
  for (int32_t k = 0; k < header.dimensionCount; ++k) {
    if (k < NativeHeader::kBoundaries) {
      header.boundaries[static_cast<std::size_t>(k)] = in.i32();
    } else {
      in.skip(4 * static_cast<uint64_t>(header.dimensionCount - k));
      break;
    }
  }
  // Counts are clamped to what the file holds: an entry with no byte left in
  // the file is not made.
  const int32_t labelCount = in.i32();
  for (int32_t k = 0; k < labelCount && !in.atEnd(); ++k) {
    const int32_t length = in.i32();
    const std::string_view text = length >= 1 ? in.take(static_cast<uint64_t>(length)) : std::string_view();
    header.labels.push_back(text.empty() ? std::nullopt : std::optional<std::string>(text));
  }
  header.cells = bytes.substr(bytes.size() - in.remaining());
  return header;
}

void applyNativeFile(ArrayStore& store, const NativeHeader& header, LoadMode mode) {
  if (mode == LoadMode::replace) {
    store.deleteAll();
    store.dimensions().setCount(header.dimensionCount);
    for (int32_t k = 1; k <= 9; ++k)
      store.dimensions().setBoundary(k, header.boundaries[static_cast<std::size_t>(k - 1)]);
  }
  ByteReader in(header.cells);
  const int32_t cellCount = in.i32();
  // Room for as many records as the rest of the file can hold (12 bytes at least each).
  if (cellCount > 0) store.reserveAppends(std::min<int64_t>(cellCount, static_cast<int64_t>(in.remaining() / 12)));
  const int32_t start = store.size();
  std::string spill;
  for (int32_t i = 0; i < cellCount && !in.atEnd(); ++i) {
    const int32_t at = wrapAdd(start, i);
    store.insert(at, readRecord(in, spill));
    store.setKey(at, readRecord(in, spill));
  }
  for (std::size_t c = 0; c < header.labels.size(); ++c) {
    const auto& label = header.labels[c];
    recordset::setLabel(store, label ? label->c_str() : nullptr, static_cast<int32_t>(c));
  }
}

Status saveToFile(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode, SaveReport& report) {
  report.finish(store, store.size(), store.dimensions().count(), true);
  return saveToFile(store, files, name, mode);
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
  std::optional<NativeHeader> header;
  if (status.ok()) {
    header = readNativeHeader(bytes);
    if (!header) status = Status::failure(StatusCode::badFormat, name);
  }
  if (!header) header.emplace();
  applyLoad(store, mode, [&](ArrayStore& s) { applyNativeFile(s, *header, mode); });
  return status;
}

}  // namespace tessel::persist
