// The load and save of a whole array in one format: every format reads and
// writes the same way around its own reader and writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/array_store.h"
#include "core/status.h"
#include "persist/file_handler.h"
#include "persist/loading.h"
#include "persist/save_size.h"

namespace tessel::persist {

// Loads `name` into the store. The format's Reading is made from the file's
// bytes (none when the file cannot be read) before the array changes, and
// says whether the bytes are of its format, how many cells its load adds at
// most, and applies itself, returning the first damage it met:
//   explicit Reading(std::string bytes);
//   bool recognised() const;
//   int64_t cellsAdded() const;
//   std::string apply(ArrayStore& store, LoadMode mode) const;
// A file that cannot be read, or is not of the format, still applies the
// Reading of what was read (an empty image), and the outcome says why. A load
// past the load rule is refused and changes nothing. `how` goes to the
// Reading after the bytes, for a format read in more than one way.
template <typename Reading, typename... How>
Status loadWholeFile(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode, const How&... how) {
  std::string bytes;
  Status status = files.read(name, bytes);
  const std::size_t size = bytes.size();
  const Reading reading(std::move(bytes), how...);
  if (status.ok() && !reading.recognised()) status = Status::failure(StatusCode::badFormat, name);
  if (reading.cellsAdded() > loadCellBudget(size)) return tooLargeForArray(name, reading.cellsAdded());
  std::string damage;
  applyLoad(store, mode, [&](ArrayStore& s) { damage = reading.apply(s, mode); });
  return withDamage(std::move(status), name, std::move(damage));
}

// The part of a Reading for a format with a header: the file's bytes, kept
// for the records the header points into, and the header read from them;
// the file is of the format when it has one.
template <typename Header, std::optional<Header> (*readHeader)(std::string_view)>
class HeaderReading {
 public:
  explicit HeaderReading(std::string bytes) : bytes_(std::move(bytes)), header_(readHeader(bytes_)) {}
  HeaderReading(const HeaderReading&) = delete;
  HeaderReading& operator=(const HeaderReading&) = delete;

  bool recognised() const { return header_.has_value(); }

 protected:
  ~HeaderReading() = default;
  const std::string& bytes() const { return bytes_; }
  const std::optional<Header>& header() const { return header_; }

 private:
  std::string bytes_;
  std::optional<Header> header_;
};

// Saves the store as `bytes` bytes that write(out) streams. A save past the
// save size rule is refused before the file is touched; any other failure
// keeps the file's old bytes.
template <typename Write>
Status saveWholeFile(const ArrayStore& store, const FileHandler& files, const char* name, WriteMode mode, int64_t bytes,
                     Write write) {
  Status fits = checkSaveSize(store, bytes, name);
  if (!fits.ok()) return fits;
  FileWriter out = files.beginSave(name, mode);
  if (!out.failed()) write(out);
  return out.commit();
}

}  // namespace tessel::persist
