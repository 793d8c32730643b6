// Delimited lists: the whole array as one line of text (elements, keys or
// key/element pairs, plain or quoted), the joining rule the recordset's row,
// column and label lists share, and list splitting.
#pragma once

#include <cstddef>
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
  void put(std::string_view piece) {
    if (out_ != nullptr) out_->append(piece);
    size_ += piece.size();
  }
  std::size_t size() const { return size_; }

 private:
  std::string_view separator_;
  std::string* out_;
  std::size_t items_ = 0;
  std::size_t size_ = 0;
};

// Builds a list with one allocation of exactly its size: write(sink) is run
// once to measure and once to copy, and must produce the same pieces both times.
template <typename Writer>
std::string buildList(std::string_view separator, Writer&& write) {
  ListSink measure(separator, nullptr);
  write(measure);
  std::string out;
  out.reserve(measure.size());
  ListSink copy(separator, &out);
  write(copy);
  return out;
}

// A host text as a view; a null text reads as empty.
inline std::string_view textView(const char* text) { return text == nullptr ? std::string_view() : text; }

// The six lists of the whole array, in index order. Quoting wraps string
// items in apostrophes and never escapes one inside.
std::string elementList(const ArrayStore& store, const char* separator);
std::string quotedElementList(const ArrayStore& store, const char* separator);
std::string keyList(const ArrayStore& store, const char* separator);
std::string quotedKeyList(const ArrayStore& store, const char* separator);
// Only value and string elements that have a key contribute: key, pair separator, element.
std::string pairList(const ArrayStore& store, const char* pairSeparator, const char* separator);
std::string quotedPairList(const ArrayStore& store, const char* pairSeparator, const char* separator);

// Splits the text at every character that occurs in the delimiter;
// runs of delimiter characters separate once, so no item is empty. An empty
// delimiter gives the whole text as one item; a null or empty text gives none.
std::vector<std::string> splitList(const char* text, std::string_view delimiter);

}  // namespace tessel::recordset
