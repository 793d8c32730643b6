// A host written for testing: it loads the built module through its exported
// entry points, offers the three run-time services and the result flags word,
// and records how the module used them.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/tessel.h"

namespace tessel::testing {

// The setup record as the editor writes it for a new object, with the
// dimension fields a test asks for.
TesselSetup makeSetup(int32_t dimensions = 1, int32_t x = 0, int32_t y = 0, const char* delimiter = ",");

// The loaded module: its entry points and routine tables.
class Module {
 public:
  explicit Module(const char* path);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  template <typename F>
  F entry(const char* name) const {
    return reinterpret_cast<F>(symbol(name));
  }
  const TesselRunInfos& infos() const { return infos_; }

 private:
  void* symbol(const char* name) const;

  void* handle_ = nullptr;
  TesselRunInfos infos_{};
};

// The module built next to the tests (its path is compiled in).
Module& builtModule();

using Param = std::variant<std::monostate, int32_t, std::string>;

struct ExpressionCall {
  intptr_t raw = 0;                  // what the routine returned
  bool textFlag = false;             // bit 0x8000 was set by the call
  std::optional<std::string> text;   // the text at the returned address, when the flag was set
  std::vector<int> fetchedTypes;     // type codes of the parameters fetched, in order
  std::vector<intptr_t> spaceSizes;  // sizes of string space requested
  std::string protocolError;         // how the module broke the service protocol, if it did
};

// One run-time object, created from a setup record and destroyed at the end.
class Instance {
 public:
  explicit Instance(const TesselSetup& setup = makeSetup(), Module& module = builtModule());
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  // Calls action n with the given parameters (texts are passed as pointers).
  short act(int n, const Param& first = {}, const Param& second = {});
  // Calls expression n; the flag word is cleared before the call, as a host does.
  ExpressionCall call(int n, const Param& first = {}, const Param& second = {});
  // Shorthands for expressions known to return an integer or a text.
  int32_t integer(int n, const Param& first = {}, const Param& second = {});
  std::optional<std::string> text(int n, const Param& first = {}, const Param& second = {});

  TesselRunObject& record() { return *reinterpret_cast<TesselRunObject*>(object_.data()); }
  uint16_t resultFlags() { return record().resultFlags; }

 private:
  struct Context;
  static intptr_t TESSEL_CALL getFirstParameter(TesselRunObject* object, intptr_t type, intptr_t raw);
  static intptr_t TESSEL_CALL getNextParameter(TesselRunObject* object, intptr_t type, intptr_t raw);
  static intptr_t TESSEL_CALL getStringSpace(TesselRunObject* object, intptr_t size, intptr_t);
  static Instance& owner(TesselRunObject* object);
  intptr_t fetch(std::size_t position, intptr_t type, intptr_t raw);

  Module& module_;
  std::vector<unsigned char> object_;
  std::unique_ptr<Context> context_;
  std::vector<Param> params_;
  std::size_t next_ = 0;
  ExpressionCall* current_ = nullptr;
  std::deque<std::string> spaces_;  // string space handed out; lives as long as the instance
};

}  // namespace tessel::testing
