#include "persist/native_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/arithmetic.h"
#include "persist/byte_io.h"
#include "persist/loading.h"
#include "persist/recognition.h"
#include "persist/whole_file.h"
#include "recordset/labels.h"

namespace tessel::persist {

namespace {

constexpr std::string_view kMagic = kNativeMagic;

// The record kinds of the file are the cell types.
constexpr uint16_t kindOf(CellType t) { return static_cast<uint16_t>(t); }

void writeRecord(ByteWriter& out, const Cell* cell) {
  if (cell == nullptr) {
    out.u16(0);
    out.i32(0);
    return;
  }
  out.u16(kindOf(cell->type()));
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
// A record no writer makes (an unknown kind, a negative length, a value not
// of 4 bytes) still loads by these rules, and is noted in `damage`.
CellDescriptor readRecord(ByteReader& in, std::string& spill, std::string& damage, int32_t record, bool key) {
  const uint16_t type = in.u16();
  const int32_t length = in.i32();
  const auto what = [&] { return (key ? "the key of record " : "record ") + std::to_string(record); };
  if (type > kindOf(CellType::data)) noteDamage(damage, what() + " has an unknown kind (" + std::to_string(type) + ")");
  if (length < 0) noteDamage(damage, what() + " has a negative length");
  if (length < 1) return {};
  if (type == kindOf(CellType::value)) {
    if (length != 4) noteDamage(damage, what() + " is a value of " + std::to_string(length) + " bytes");
    return CellDescriptor::ofValue(in.i32());
  }
  const std::string_view payload = in.take(static_cast<uint64_t>(length));
  if (payload.empty()) return {};
  // compat: an empty record with bytes loads as data of them, as it always did.
  // A payload cut short is said as the end of the file, after the records.
  const bool whole = !in.cut();
  if (whole && type == kindOf(CellType::empty))
    noteDamage(damage, what() + " is empty but carries " + byteCount(payload.size()));
  if (type != kindOf(CellType::string))
    return CellDescriptor::ofData(payload.data(), static_cast<int32_t>(payload.size()));
  // compat: a string runs to its first zero byte; bytes after it, or no zero
  // byte at all, are no writer's, and said so.
  const std::size_t zero = payload.find('\0');
  if (whole && zero == std::string_view::npos) noteDamage(damage, what() + " is a string without its zero byte");
  if (zero != std::string_view::npos && zero + 1 < payload.size())
    noteDamage(damage, what() + " is a string with " + byteCount(payload.size() - zero - 1) + " after its zero byte");
  // Most strings carry their terminator; one that does not is copied to get one.
  if (zero != std::string_view::npos) return CellDescriptor::ofString(payload.data());
  spill.assign(payload);
  return CellDescriptor::ofString(spill.c_str());
}

// compat: a table of up to kSlotsAlwaysWritten slots is written whole, as it
// always was; a larger one only up to its last label, so a table of millions
// of declared columns writes what it holds. A reload gives the same labels
// either way.
constexpr int32_t kSlotsAlwaysWritten = 1024;
int32_t labelSlotsWritten(const LabelTable& labels) {
  if (labels.size() <= kSlotsAlwaysWritten) return labels.size();
  return labels.held().empty() ? 0 : labels.held().back().column + 1;
}

int64_t recordBytes(const Cell* cell) {
  if (cell == nullptr || cell->length() < 1) return 6;
  return 6 + (cell->type() == CellType::value ? 4 : cell->length());
}

}  // namespace

int64_t nativeFileBytes(const ArrayStore& store) {
  const int32_t dimensionCount = store.dimensions().count();
  int64_t bytes = 8 + 2 + 4 + 4 * static_cast<int64_t>(std::max(dimensionCount, 0)) + 4 + 4;
  const int32_t slots = labelSlotsWritten(store.labels());
  bytes += 4 * static_cast<int64_t>(slots);
  for (const LabelTable::Label& l : store.labels().held()) {
    if (l.column < slots) bytes += static_cast<int64_t>(l.text.size());
  }
  for (int32_t i = 0; i < store.size(); ++i) {
    const Cell* cell = store.cellAt(i);
    bytes += recordBytes(cell) + recordBytes(cell->key());
  }
  return bytes;
}

void writeNativeFile(const ArrayStore& store, ByteWriter& out) {
  const Dimensions& dims = store.dimensions();
  const LabelTable& labels = store.labels();
  const int32_t dimensionCount = dims.count();
  out.bytes(kMagic);
  out.u16(1);
  out.i32(dimensionCount);
  // Boundary k as the store reports it: the last one written is always 0.
  for (int32_t k = 1; k <= dimensionCount; ++k) out.i32(dims.boundary(k));
  const int32_t slots = labelSlotsWritten(labels);
  out.i32(slots);
  // A slot without a label is written as length 0, like an empty one.
  auto next = labels.held().begin();
  for (int32_t c = 0; c < slots && !out.failed(); ++c) {
    if (next != labels.held().end() && next->column == c) {
      out.i32(static_cast<int32_t>(next->text.size()));
      out.bytes((next++)->text);
    } else {
      out.i32(0);
    }
  }
  out.i32(store.size());
  for (int32_t i = 0; i < store.size() && !out.failed(); ++i) {
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
  if (in.cut()) noteDamage(header.damage, "ends early: in the header");
  if (labelCount < 0) noteDamage(header.damage, "the label count is negative (" + std::to_string(labelCount) + ")");
  int32_t k = 0;
  for (; k < labelCount && !in.atEnd(); ++k) {
    const int32_t length = in.i32();
    if (length < 0) noteDamage(header.damage, "label " + std::to_string(k) + " has a negative length");
    const std::string_view text = length >= 1 ? in.take(static_cast<uint64_t>(length)) : std::string_view();
    // compat: the label still runs to the zero byte, as any label set.
    if (text.find('\0') != std::string_view::npos)
      noteDamage(header.damage, "label " + std::to_string(k) + " is cut at a zero byte");
    header.labels.push_back(text.empty() ? std::nullopt : std::optional<std::string>(text));
  }
  if (in.cut() || k < labelCount) {
    const int32_t whole = in.cut() && k > 0 ? k - 1 : k;
    noteDamage(header.damage,
               "ends early: " + std::to_string(whole) + " of " + std::to_string(labelCount) + " labels read");
  }
  header.cells = bytes.substr(bytes.size() - in.remaining());
  return header;
}

std::string applyNativeFile(ArrayStore& store, const NativeHeader& header, LoadMode mode) {
  if (mode == LoadMode::replace) {
    store.deleteAll();
    store.dimensions().setCount(header.dimensionCount);
    for (int32_t k = 1; k <= 9; ++k)
      store.dimensions().setBoundary(k, header.boundaries[static_cast<std::size_t>(k - 1)]);
  }
  std::string damage = header.damage;
  ByteReader in(header.cells);
  const int32_t cellCount = in.i32();
  if (in.cut()) noteDamage(damage, "ends early: before the cell count");
  if (cellCount < 0) noteDamage(damage, "the cell count is negative (" + std::to_string(cellCount) + ")");
  // Room for as many records as the rest of the file can hold (12 bytes at least each).
  if (cellCount > 0) store.reserveAppends(std::min<int64_t>(cellCount, static_cast<int64_t>(in.remaining() / 12)));
  const int32_t start = store.size();
  std::string spill;
  int32_t i = 0;
  for (; i < cellCount && !in.atEnd(); ++i) {
    const int32_t at = wrapAdd(start, i);
    store.insert(at, readRecord(in, spill, damage, i, false));
    store.setKey(at, readRecord(in, spill, damage, i, true));
  }
  // A record cut short is loaded with what it held, and said apart from the whole ones.
  if (in.cut() || i < cellCount) {
    const bool partial = in.cut() && i > 0;
    noteDamage(damage, "ends early: " + std::to_string(partial ? i - 1 : i) + " of " + std::to_string(cellCount) +
                           " cells read" + (partial ? ", 1 more cut short" : ""));
  }
  // compat: what follows the last record is not read, as it never was.
  if (in.remaining() > 0) noteDamage(damage, byteCount(in.remaining()) + " after the last record");
  recordset::setLabels(store, header.labels);
  return damage;
}

Status saveToFile(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode, SaveReport* report) {
  if (report != nullptr) report->finish(store, store.size(), store.dimensions().count(), true);
  return saveWholeFile(store, files, name, mode, nativeFileBytes(store),
                       [&](ByteWriter& out) { writeNativeFile(store, out); });
}

namespace {

// The header is read in place: the cell records stay in the bytes it holds.
class NativeReading : public HeaderReading<NativeHeader, readNativeHeader> {
 public:
  using HeaderReading::HeaderReading;

  // A record takes 12 bytes at least, so no file asks past the load rule.
  int64_t cellsAdded() const { return std::min<int64_t>(static_cast<int64_t>(bytes().size() / 12), INT32_MAX); }
  // The image of a file not read, or not of this format, is an empty one;
  // its damage is not said (the outcome already tells why).
  std::string apply(ArrayStore& store, LoadMode mode) const {
    return applyNativeFile(store, header() ? *header() : NativeHeader(), mode);
  }
};

}  // namespace

Status loadFromFile(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode) {
  return loadWholeFile<NativeReading>(store, files, name, mode);
}

}  // namespace tessel::persist
