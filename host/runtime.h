// What an operation of the catalogue sees of one call: the instance it runs
// on, its parameters, and (for expressions) the result it hands back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "core/array_store.h"
#include "core/cell.h"
#include "core/status.h"
#include "host/run_state.h"
#include "host/tessel.h"

namespace tessel {

class Instance {
 public:
  explicit Instance(TesselRunObject& record) : record_(record) {}

  ArrayStore& store() { return state().store(); }
  persist::FileHandler& files() { return state().files(); }
  // Keeps the outcome of an operation that can fail as the instance's last outcome.
  void report(Status s) { state().setLastOutcome(std::move(s)); }
  // The same for a whole-array save, with what it could not keep.
  void reportSave(Status s, const persist::SaveReport& lost) { state().setLastSave(std::move(s), lost); }
  int32_t betweenColumn() const { return record_.betweenColumn; }
  void setBetweenColumn(int32_t column) { record_.betweenColumn = column; }

 private:
  RunState& state() { return *static_cast<RunState*>(record_.store); }

  TesselRunObject& record_;
};

// The two parameter positions of an action, or the fetched parameters of an
// expression, read as the catalogue declares them.
class Arguments {
 public:
  Arguments(intptr_t first, intptr_t second) : raw_{first, second} {}

  int32_t integer(int position) const { return static_cast<int32_t>(raw_[position]); }
  const char* text(int position) const { return reinterpret_cast<const char*>(raw_[position]); }

 private:
  intptr_t raw_[2];
};

// An expression's result: an integer, a text, or no text at all.
class Result {
 public:
  static Result integer(int32_t value) { return Result(Kind::integer, value); }
  static Result noText() { return Result(Kind::noText, 0); }
  // A text the store keeps; copied for the host, never released.
  static Result text(const char* borrowed) {
    if (borrowed == nullptr) return noText();
    return stored(borrowed, std::char_traits<char>::length(borrowed));
  }
  // A cell's text (its own string, or a rendering that lives only in the CellText).
  static Result text(const CellText& cellText) {
    return cellText.isStored() ? stored(cellText.c_str(), cellText.size()) : built(std::string(cellText.view()));
  }
  // The text of a cell, read in place: the store does not change before the
  // result is copied for the host.
  static Result text(const Cell& cell) {
    if (cell.type() == CellType::string) return stored(cell.bytes(), static_cast<std::size_t>(cell.length() - 1));
    return text(cell.text());
  }
  // A text built for this call.
  static Result built(std::string text) {
    Result r(Kind::builtText, 0);
    r.built_ = std::move(text);
    return r;
  }

  bool isText() const { return kind_ == Kind::storeText || kind_ == Kind::builtText; }
  int32_t value() const { return value_; }
  std::string_view textView() const { return kind_ == Kind::storeText ? borrowed_ : built_; }

 private:
  enum class Kind { integer, noText, storeText, builtText };
  Result(Kind kind, int32_t value) : kind_(kind), value_(value) {}
  // The size is known wherever a cell's text is at hand; counting it again would cost a pass.
  static Result stored(const char* borrowed, std::size_t size) {
    Result r(Kind::storeText, 0);
    r.borrowed_ = std::string_view(borrowed, size);
    return r;
  }

  Kind kind_;
  int32_t value_;
  std::string_view borrowed_;
  std::string built_;
};

}  // namespace tessel
