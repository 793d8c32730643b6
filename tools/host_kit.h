// The generic part of a host: loads the module through its exported entry
// points, allocates run-time objects, offers the three run-time services with
// their string space, and passes parameters. The console host and the test
// host are both built on it.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/tessel.h"
#include "host/tessel_tools.h"

namespace tessel::hostkit {

// The setup record the editor writes for a new object, with the fields a host asks for.
struct SetupOptions {
  int32_t dimensions = 1;
  int32_t x = 0;
  int32_t y = 0;
  std::string delimiter = ",";
  bool caseSensitive = false;
  bool wildcard = false;
  bool autoSelect = false;
};
TesselSetup makeSetup(const SetupOptions& options);

// The loaded module: its entry points and routine tables. Throws std::runtime_error
// when the file cannot be loaded or lacks an entry point.
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

using Param = std::variant<std::monostate, int32_t, std::string>;

struct ExpressionCall {
  intptr_t raw = 0;                  // what the routine returned
  bool textFlag = false;             // bit 0x8000 was set by the call
  std::optional<std::string> text;   // the text at the returned address, when the flag was set
  std::vector<int> fetchedTypes;     // type codes of the parameters fetched, in order
  std::vector<intptr_t> spaceSizes;  // sizes of string space requested
  std::string protocolError;         // how the module broke the service protocol, if it did
};

// A run-time object's memory, sized and created by the module for the host
// context `services` and destroyed with it: what every host does before its
// first call and after its last.
class ObjectMemory {
 public:
  ObjectMemory(const Module& module, const TesselSetup& setup, TesselHostContext& services);
  ~ObjectMemory();
  ObjectMemory(const ObjectMemory&) = delete;
  ObjectMemory& operator=(const ObjectMemory&) = delete;

  TesselRunObject& record() { return *reinterpret_cast<TesselRunObject*>(bytes_.data()); }

 private:
  short(TESSEL_CALL* destroy_)(TesselRunObject*, intptr_t) = nullptr;
  std::vector<unsigned char> bytes_;
};

// One run-time object with its host context, created from a setup record and
// destroyed with the object.
class RunObject {
 public:
  RunObject(Module& module, const TesselSetup& setup);
  ~RunObject();
  RunObject(const RunObject&) = delete;
  RunObject& operator=(const RunObject&) = delete;

  // Calls action n; texts are passed as pointers valid for the call.
  short act(int n, const Param& first = {}, const Param& second = {});
  // Calls expression n; the flag word is cleared before the call, as a host does.
  ExpressionCall call(int n, const Param& first = {}, const Param& second = {});
  // Calls expression n for the integer or the text it gives; throws
  // std::runtime_error when the module breaks the host protocol or gives the other kind.
  int32_t integer(int n, const Param& first = {}, const Param& second = {});
  std::optional<std::string> text(int n, const Param& first = {}, const Param& second = {});

  // The diagnostics a game host never calls: the outcome of the last routine
  // call (0 and "ok" when it succeeded), and what the expressions cannot say
  // about an element (none when the index names no element).
  struct Outcome {
    int32_t code = 0;
    std::string text;
  };
  Outcome lastOutcome();
  std::optional<TesselCellFacts> describeCell(int32_t index);
  // What the last routine call, a whole-array save that succeeded, could not
  // keep; none after any other call.
  std::optional<TesselSaveReport> lastSaveReport();
  // The first column at or after `column` with a label, -1 when none: the
  // labels of a table, however wide, in as many calls as it has labels.
  int32_t nextLabel(int32_t column);
  // The bytes of an element (a data cell's, a string's characters); none when
  // the index names no element.
  std::optional<std::string> cellBytes(int32_t index);
  // Runs action n, one that reads a file, on `bytes` as the content of the
  // file `name` (TESSEL_READ_* flags for a CSV load); false when the module
  // refuses the call, which then did nothing.
  bool actOnBytes(int n, const std::string& name, std::string_view bytes, int32_t second = 0, int32_t flags = 0);
  // The bytes of an element's key; none when it has no key.
  std::optional<std::string> keyBytes(int32_t index);

  TesselRunObject& record() { return memory_.record(); }

  // String space handed out stays valid until released; a long-running host
  // releases it between commands, once it has copied the results.
  void releaseStringSpace() { spaces_.clear(); }

 private:
  struct Context;
  static intptr_t TESSEL_CALL getFirstParameter(TesselRunObject* object, intptr_t type, intptr_t raw) noexcept;
  static intptr_t TESSEL_CALL getNextParameter(TesselRunObject* object, intptr_t type, intptr_t raw) noexcept;
  static intptr_t TESSEL_CALL getStringSpace(TesselRunObject* object, intptr_t size, intptr_t) noexcept;
  // The services are called from inside the module: nothing may unwind
  // through it, so a failure there (out of memory) ends the program.
  static RunObject& owner(TesselRunObject* object);
  intptr_t fetch(std::size_t position, intptr_t type, intptr_t raw);
  // Through a diagnostic entry point of TesselCellBytes's form.
  std::optional<std::string> bytesOf(const char* entry, int32_t index);

  static std::unique_ptr<Context> contextFor(RunObject* owner);

  Module& module_;
  std::unique_ptr<Context> context_;  // before the object, which is created and destroyed with it
  ObjectMemory memory_;
  std::vector<Param> params_;
  std::size_t next_ = 0;
  ExpressionCall* current_ = nullptr;
  std::deque<std::string> spaces_;
};

}  // namespace tessel::hostkit
