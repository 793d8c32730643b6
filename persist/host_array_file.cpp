#include "persist/host_array_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "persist/byte_io.h"
#include "persist/loading.h"
#include "persist/recognition.h"
#include "persist/whole_file.h"

namespace tessel::persist {

namespace {

constexpr std::string_view kMagic = kHostArrayMagic;
constexpr int32_t kVersion = 2;
// Content flags: 1 and 5 mark value entries, 2 and 6 text entries; saves write 2.
constexpr int32_t kValueFlags = 1, kOtherValueFlags = 5, kTextFlags = 2, kOtherTextFlags = 6;

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

// The cells a load of the file adds: every text of no bytes, else one per
// 4 bytes of entries at most (the last may be cut short).
int64_t cellsAdded(const HostArrayHeader& header, std::string_view bytes) {
  switch (header.kind()) {
    case HostArrayHeader::none: return 0;
    case HostArrayHeader::emptyTexts: return header.entries;
    default:
      return std::min<int64_t>(header.entries, static_cast<int64_t>((bytes.size() - header.entryOffset + 3) / 4));
  }
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

void writeHostArrayFile(const ArrayStore& store, const HostArrayGrid& grid, ByteWriter& out, SaveReport* report) {
  const int32_t count = store.size();
  out.bytes(kMagic);
  out.i32(kVersion);
  out.i32(grid.x);
  out.i32(grid.y);
  out.i32(grid.z);
  out.i32(kTextFlags);
  // Values are written as their decimal text; empty and data cells as empty text.
  for (int32_t i = 0; i < count && !out.failed(); ++i) {
    const CellText text = store.cellAt(i)->text();
    if (report != nullptr) report->hostArrayCell(*store.cellAt(i));
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
  // A load makes it 1D, 2D or 3D by the grid's X and Y.
  if (report != nullptr) report->finish(store, grid.entries, grid.y > 1 ? 3 : grid.x > 1 ? 2 : 1, false);
}

int64_t hostArrayFileBytes(const ArrayStore& store, const HostArrayGrid& grid) {
  int64_t bytes = 30 + 4 * std::max<int64_t>(grid.entries, store.size());
  for (int32_t i = 0; i < store.size(); ++i) bytes += static_cast<int64_t>(store.cellAt(i)->textLength());
  return bytes;
}

HostArrayHeader::Kind HostArrayHeader::kind() const {
  if (flags == kValueFlags || flags == kOtherValueFlags) return values;
  if (flags != kTextFlags && flags != kOtherTextFlags) return none;
  return version == kVersion ? texts : emptyTexts;
}

std::optional<HostArrayHeader> readHostArrayHeader(std::string_view bytes) {
  ByteReader in(bytes);
  if (in.take(kMagic.size()) != kMagic) return std::nullopt;
  HostArrayHeader header;
  header.version = in.i32();
  header.x = in.i32();
  header.y = in.i32();
  header.z = in.i32();
  header.flags = in.i32();
  if (in.cut()) noteDamage(header.damage, "ends early: in the header");
  header.entries = entryCount(header.x, header.y, header.z);
  if (header.entries < 0) return std::nullopt;
  // Entries that take no bytes: only a bounded number of them is believed.
  if (header.kind() == HostArrayHeader::emptyTexts && header.entries > kMaxEmptyTextEntries) return std::nullopt;
  if (header.kind() == HostArrayHeader::none && header.entries > 0)
    noteDamage(header.damage, "unknown content flags (" + std::to_string(header.flags) + "): no entry read");
  if (header.kind() == HostArrayHeader::emptyTexts && header.entries > 0)
    noteDamage(header.damage,
               "texts of format version " + std::to_string(header.version) + " are not read: every entry loads empty");
  header.entryOffset = bytes.size() - in.remaining();
  // compat: an extent of 0 or less reads no entry, whatever follows.
  const int32_t extents[] = {header.x, header.y, header.z};
  for (int e = 0; e < 3 && header.entries == 0 && in.remaining() > 0; ++e) {
    if (extents[e] > 0) continue;
    noteDamage(header.damage, std::string(1, "XYZ"[e]) + " is " + std::to_string(extents[e]) + ": the " +
                                  byteCount(in.remaining()) + " of entries are not read");
    break;
  }
  return header;
}

std::string applyHostArrayFile(ArrayStore& store, const std::optional<HostArrayHeader>& header, std::string_view bytes,
                               LoadMode mode) {
  if (mode == LoadMode::replace) {
    store.deleteAll();
    Dimensions& dims = store.dimensions();
    if (!header) {
      dims.setCount(0);
      return {};
    }
    dims.setCount(header->x == 1 && header->y == 1 ? 1 : header->y == 1 ? 2 : 3);
    dims.setBoundary(1, header->x);
    dims.setBoundary(2, header->y);
  }
  if (!header) return {};
  std::string damage = header->damage;
  ByteReader in(bytes.substr(header->entryOffset));
  const HostArrayHeader::Kind kind = header->kind();
  if (kind == HostArrayHeader::none) return damage;
  if (kind == HostArrayHeader::emptyTexts) {
    ArrayStore::Appends cells(store, header->entries);
    for (int64_t i = 0; i < header->entries; ++i) cells.add({});
    cells.finish();
    return damage;
  }
  // Every entry read from the file takes 4 bytes, all but a last one cut short.
  ArrayStore::Appends cells(store, std::min<int64_t>(header->entries, static_cast<int64_t>((in.remaining() + 3) / 4)));
  int64_t i = 0;
  for (; i < header->entries && !in.atEnd(); ++i) {
    if (kind == HostArrayHeader::values) {
      cells.add(CellDescriptor::ofValue(in.i32()));
      continue;
    }
    const int32_t n = in.i32();
    if (n < 0) noteDamage(damage, "entry " + std::to_string(i) + " has a negative length");
    const std::string_view text = n > 0 ? in.take(static_cast<uint64_t>(n)) : std::string_view();
    if (text.empty()) {
      cells.add({});
      continue;
    }
    // A text runs to its first zero byte, or to the end of its entry.
    const std::size_t length = std::min(text.find('\0'), text.size());
    // compat: the text still ends at the zero byte.
    if (length + 1 < text.size())
      noteDamage(damage,
                 "entry " + std::to_string(i) + " has " + byteCount(text.size() - length - 1) + " after a zero byte");
    cells.add(CellDescriptor::ofText(text.data(), static_cast<int32_t>(length)));
  }
  cells.finish();
  // An entry cut short is loaded with what it held, and said apart from the whole ones.
  if (in.cut() || i < header->entries) {
    const bool partial = in.cut() && i > 0;
    noteDamage(damage, "ends early: " + std::to_string(partial ? i - 1 : i) + " of " + std::to_string(header->entries) +
                           " entries read" + (partial ? ", 1 more cut short" : ""));
  }
  // compat: what follows the last entry is not read, as it never was.
  if (in.remaining() > 0) noteDamage(damage, byteCount(in.remaining()) + " after the last entry");
  return damage;
}

Status saveAsHostArray(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode,
                       SaveReport* report) {
  const std::optional<HostArrayGrid> grid = hostArrayGrid(store);
  if (!grid) return Status::failure(StatusCode::tooLarge, name != nullptr ? name : "");
  return saveWholeFile(store, files, name, mode, hostArrayFileBytes(store, *grid),
                       [&](ByteWriter& out) { writeHostArrayFile(store, *grid, out, report); });
}

namespace {

// The entries are read from the bytes the reading holds.
class HostArrayReading : public HeaderReading<HostArrayHeader, readHostArrayHeader> {
 public:
  using HeaderReading::HeaderReading;

  int64_t cellsAdded() const { return header() ? persist::cellsAdded(*header(), bytes()) : 0; }
  std::string apply(ArrayStore& store, LoadMode mode) const {
    return applyHostArrayFile(store, header(), bytes(), mode);
  }
};

}  // namespace

Status loadFromHostArray(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode) {
  return loadWholeFile<HostArrayReading>(store, files, name, mode);
}

}  // namespace tessel::persist
