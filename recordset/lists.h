// Delimited lists: the whole array as one line of text (elements, keys or
// key/element pairs, plain or quoted), the joining rule the recordset's row,
// column and label lists share, and list splitting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/array_store.h"

namespace tessel::recordset {

// Collects the pieces of a list's items, either counting their size or
// copying them; each list is produced by running the same writer twice.
class ListSink {
 public:
  ListSink(std::string_view separator, std::string* out) : separator_(separator), out_(out) {}

  // Starts the next item: the separator goes between two neighbouring items.
  void beginItem() {
    if (items_++ > 0) put(separator_);
  }
  // n items with nothing in them, in the time of the separators they add: a
  // run of columns without labels costs nothing with an empty delimiter.
  void emptyItems(int64_t n) {
    if (n <= 0) return;
    const int64_t separators = items_ > 0 ? n : n - 1;
    items_ += n;
    if (separator_.empty()) return;
    size_ += separators * static_cast<int64_t>(separator_.size());
    for (int64_t k = 0; out_ != nullptr && k < separators; ++k) out_->append(separator_);
  }
  void put(std::string_view piece) {
    if (out_ != nullptr) out_->append(piece);
    size_ += static_cast<int64_t>(piece.size());
  }
  // 64 bits, so that a measure past the address space still counts right.
  int64_t size() const { return size_; }

 private:
  std::string_view separator_;
  std::string* out_;
  int64_t items_ = 0;
  int64_t size_ = 0;
};

// Whether a list of `bytes` bytes may be built for the store. A list beyond it
// gives no text and is never allocated; the host passes the bound of its
// saves, so that no expression hands out more than a save would write.
using TextBound = bool (*)(const ArrayStore& store, int64_t bytes);

// Builds a list with one allocation of exactly its size: write(sink) is run
// once to measure and once to copy, and must produce the same pieces both
// times. Nothing when `bound` refuses the measured size (no bound: any size).
template <typename Writer>
std::optional<std::string> buildList(const ArrayStore& store, std::string_view separator, TextBound bound,
                                     Writer&& write) {
  ListSink measure(separator, nullptr);
  write(measure);
  if (bound != nullptr && !bound(store, measure.size())) return std::nullopt;
  std::string out;
  out.reserve(static_cast<std::size_t>(measure.size()));
  ListSink copy(separator, &out);
  write(copy);
  return out;
}

// A host text as a view; a null text reads as empty.
inline std::string_view textView(const char* text) { return text == nullptr ? std::string_view() : text; }

// The six lists of the whole array, in index order, or nothing past the
// bound. Quoting wraps string items in apostrophes and never escapes one inside.
std::optional<std::string> elementList(const ArrayStore& store, const char* separator, TextBound bound = nullptr);
std::optional<std::string> quotedElementList(const ArrayStore& store, const char* separator, TextBound bound = nullptr);
std::optional<std::string> keyList(const ArrayStore& store, const char* separator, TextBound bound = nullptr);
std::optional<std::string> quotedKeyList(const ArrayStore& store, const char* separator, TextBound bound = nullptr);
// Only value and string elements that have a key contribute: key, pair separator, element.
std::optional<std::string> pairList(const ArrayStore& store, const char* pairSeparator, const char* separator,
                                    TextBound bound = nullptr);
std::optional<std::string> quotedPairList(const ArrayStore& store, const char* pairSeparator, const char* separator,
                                          TextBound bound = nullptr);

// Splits the text at every character that occurs in the delimiter;
// runs of delimiter characters separate once, so no item is empty. An empty
// delimiter gives the whole text as one item; a null or empty text gives none.
std::vector<std::string> splitList(const char* text, std::string_view delimiter);

}  // namespace tessel::recordset
