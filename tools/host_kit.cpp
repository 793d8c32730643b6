#include "tools/host_kit.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(__EMSCRIPTEN__)
#else
#include <dlfcn.h>
#endif

#include <cstring>
#include <stdexcept>

#include "host/catalogue.h"

namespace tessel::hostkit {

namespace {

// The system's loader: the only place that knows dlopen from LoadLibrary.
#if defined(_WIN32)
void* openLibrary(const char* path) { return reinterpret_cast<void*>(LoadLibraryA(path)); }
void* findSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
std::string loadError(const char* path) {
  const DWORD code = GetLastError();
  char text[256] = "";
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                      text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  if (message.empty()) message = "error " + std::to_string(code);
  return std::string(path) + ": " + message;
}
#elif defined(__EMSCRIPTEN__)
}  // namespace
// WebAssembly has no loader: the workbench links the module into the page and
// finds its entry points by name in a table built from tessel.h.
extern "C" void* tesselLinkedEntry(const char* name);
namespace {
void* openLibrary(const char*) { return reinterpret_cast<void*>(&tesselLinkedEntry); }
void* findSymbol(void*, const char* name) { return tesselLinkedEntry(name); }
void closeLibrary(void*) {}
std::string loadError(const char* path) { return std::string(path) + ": not linked into the page"; }
#else
void* openLibrary(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
std::string loadError(const char*) { return dlerror(); }
#endif

}  // namespace

TesselSetup makeSetup(const SetupOptions& options) {
  TesselSetup setup;
  std::memset(&setup, 0, sizeof setup);
  setup.frameWidth = 32;
  setup.frameHeight = 32;
  setup.dimensionCount = options.dimensions;
  setup.xSize = options.x;
  setup.ySize = options.y;
  setup.caseSensitive = options.caseSensitive ? 1 : 0;
  setup.wildcard = options.wildcard ? 1 : 0;
  // The field always keeps a terminator; the rest of it stays zero.
  std::strncpy(setup.listDelimiter, options.delimiter.c_str(), sizeof setup.listDelimiter - 1);
  setup.autoSelect = options.autoSelect ? 1 : 0;
  return setup;
}

Module::Module(const char* path) {
  handle_ = openLibrary(path);
  if (handle_ == nullptr) throw std::runtime_error("cannot load the module: " + loadError(path));
  try {
    auto getInfos = entry<short(TESSEL_CALL*)(intptr_t, TesselRunInfos*)>("GetRunObjectInfos");
    getInfos(0, &infos_);
  } catch (...) {
    closeLibrary(handle_);
    throw;
  }
  if (infos_.actions == nullptr || infos_.expressions == nullptr || infos_.actionCount != TESSEL_ACTION_COUNT ||
      infos_.expressionCount != TESSEL_EXPRESSION_COUNT) {
    closeLibrary(handle_);
    throw std::runtime_error(std::string(path) + " does not offer the expected routine tables");
  }
}

Module::~Module() { closeLibrary(handle_); }

void* Module::symbol(const char* name) const {
  void* address = findSymbol(handle_, name);
  if (address == nullptr) throw std::runtime_error(std::string("the module does not export ") + name);
  return address;
}

// The host context record, with a way back to the object that owns it.
struct RunObject::Context {
  TesselHostContext services{};
  RunObject* owner = nullptr;
};

ObjectMemory::ObjectMemory(const Module& module, const TesselSetup& setup, TesselHostContext& services)
    : destroy_(module.entry<short(TESSEL_CALL*)(TesselRunObject*, intptr_t)>("DestroyRunObject")) {
  auto dataSize = module.entry<short(TESSEL_CALL*)(intptr_t, intptr_t)>("GetRunObjectDataSize");
  auto create = module.entry<short(TESSEL_CALL*)(TesselRunObject*, const TesselSetup*, intptr_t)>("CreateRunObject");
  const short size = dataSize(0, 0);
  if (size < static_cast<short>(sizeof(TesselRunObject)))
    throw std::runtime_error("the module's run-time object is too small");
  bytes_.assign(static_cast<std::size_t>(size), 0xCD);  // the host's header is not ours to assume zero
  record().hostContext = &services;
  record().resultFlags = 0;
  create(&record(), &setup, 0);
}

ObjectMemory::~ObjectMemory() { destroy_(&record(), 0); }

std::unique_ptr<RunObject::Context> RunObject::contextFor(RunObject* owner) {
  auto context = std::make_unique<Context>();
  context->services.getFirstParameter = &RunObject::getFirstParameter;
  context->services.getNextParameter = &RunObject::getNextParameter;
  context->services.getStringSpace = &RunObject::getStringSpace;
  context->owner = owner;
  return context;
}

RunObject::RunObject(Module& module, const TesselSetup& setup)
    : module_(module), context_(contextFor(this)), memory_(module, setup, context_->services) {}

RunObject::~RunObject() = default;

namespace {

intptr_t raw(const Param& p) {
  if (const auto* i = std::get_if<int32_t>(&p)) return *i;
  if (const auto* s = std::get_if<std::string>(&p)) return reinterpret_cast<intptr_t>(s->c_str());
  return 0;
}

// The call, unless the module broke the host protocol or gave the other kind of result than `text` says.
ExpressionCall checked(ExpressionCall c, int n, bool text) {
  const std::string name = catalogue::kExpressions[n].name;
  if (!c.protocolError.empty()) {
    throw std::runtime_error("the module broke the host protocol in " + name + ": " + c.protocolError);
  }
  if (text && !c.textFlag && c.raw != 0) throw std::runtime_error(name + " returned an integer where a text was due");
  if (!text && c.textFlag) throw std::runtime_error(name + " returned a text where an integer was due");
  return c;
}

}  // namespace

short RunObject::act(int n, const Param& first, const Param& second) {
  if (n < 0 || n >= TESSEL_ACTION_COUNT) throw std::out_of_range("no action " + std::to_string(n));
  return module_.infos().actions[n](&record(), raw(first), raw(second));
}

ExpressionCall RunObject::call(int n, const Param& first, const Param& second) {
  if (n < 0 || n >= TESSEL_EXPRESSION_COUNT) throw std::out_of_range("no expression " + std::to_string(n));
  ExpressionCall result;
  params_ = {first, second};
  next_ = 0;
  current_ = &result;
  record().resultFlags = 0;
  // The raw parameter is the host's own business; the module must only hand it back.
  const intptr_t token = reinterpret_cast<intptr_t>(&params_);
  result.raw = module_.infos().expressions[n](&record(), token);
  current_ = nullptr;
  result.textFlag = (record().resultFlags & TESSEL_TEXT_FLAG) != 0;
  if (result.textFlag && result.raw != 0) result.text = std::string(reinterpret_cast<const char*>(result.raw));
  return result;
}

int32_t RunObject::integer(int n, const Param& first, const Param& second) {
  return static_cast<int32_t>(checked(call(n, first, second), n, false).raw);
}

std::optional<std::string> RunObject::text(int n, const Param& first, const Param& second) {
  return checked(call(n, first, second), n, true).text;
}

RunObject::Outcome RunObject::lastOutcome() {
  const auto read = module_.entry<int32_t(TESSEL_CALL*)(TesselRunObject*, char*, int32_t)>("TesselLastOutcome");
  char buffer[512];
  const int32_t code = read(&record(), buffer, sizeof buffer);
  return {code, buffer};
}

std::optional<TesselCellFacts> RunObject::describeCell(int32_t index) {
  const auto describe =
      module_.entry<int32_t(TESSEL_CALL*)(TesselRunObject*, int32_t, TesselCellFacts*)>("TesselDescribeCell");
  TesselCellFacts facts{};
  if (describe(&record(), index, &facts) != 0) return std::nullopt;
  return facts;
}

std::optional<TesselSaveReport> RunObject::lastSaveReport() {
  const auto last = module_.entry<int32_t(TESSEL_CALL*)(TesselRunObject*, TesselSaveReport*)>("TesselLastSaveReport");
  TesselSaveReport report{};
  if (last(&record(), &report) != 0) return std::nullopt;
  return report;
}

int32_t RunObject::nextLabel(int32_t column) {
  return module_.entry<int32_t(TESSEL_CALL*)(TesselRunObject*, int32_t)>("TesselNextLabel")(&record(), column);
}

std::optional<std::string> RunObject::cellBytes(int32_t index) { return bytesOf("TesselCellBytes", index); }

std::optional<std::string> RunObject::keyBytes(int32_t index) { return bytesOf("TesselKeyBytes", index); }

std::optional<std::string> RunObject::bytesOf(const char* entry, int32_t index) {
  const auto read = module_.entry<int32_t(TESSEL_CALL*)(TesselRunObject*, int32_t, char*, int32_t)>(entry);
  const int32_t length = read(&record(), index, nullptr, 0);
  if (length < 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(length), '\0');
  read(&record(), index, bytes.data(), length);
  return bytes;
}

bool RunObject::actOnBytes(int n, const std::string& name, std::string_view bytes, int32_t second, int32_t flags) {
  const auto act = module_.entry<int32_t(TESSEL_CALL*)(TesselRunObject*, int32_t, const char*, int32_t, const char*,
                                                       intptr_t, int32_t)>("TesselActOnBytes");
  return act(&record(), n, name.c_str(), second, bytes.data(), static_cast<intptr_t>(bytes.size()), flags) == 0;
}

RunObject& RunObject::owner(TesselRunObject* object) { return *reinterpret_cast<Context*>(object->hostContext)->owner; }

intptr_t RunObject::fetch(std::size_t position, intptr_t type, intptr_t rawParameter) {
  // Nothing may be thrown through the module: protocol faults are recorded on the call.
  if (current_ == nullptr) return 0;
  if (rawParameter != reinterpret_cast<intptr_t>(&params_)) current_->protocolError = "foreign raw parameter";
  if (position == 0 && !current_->fetchedTypes.empty()) current_->protocolError = "first parameter fetched twice";
  if (!current_->spaceSizes.empty()) current_->protocolError = "parameter fetched after string space";
  current_->fetchedTypes.push_back(static_cast<int>(type));
  if (position >= params_.size()) return 0;
  const Param& p = params_[position];
  if (type == TESSEL_PARAM_TEXT) {
    if (const auto* s = std::get_if<std::string>(&p)) return reinterpret_cast<intptr_t>(s->c_str());
    return reinterpret_cast<intptr_t>("");
  }
  if (const auto* i = std::get_if<int32_t>(&p)) return *i;
  return 0;
}

intptr_t TESSEL_CALL RunObject::getFirstParameter(TesselRunObject* object, intptr_t type,
                                                  intptr_t rawParameter) noexcept {
  RunObject& self = owner(object);
  self.next_ = 1;
  return self.fetch(0, type, rawParameter);
}

intptr_t TESSEL_CALL RunObject::getNextParameter(TesselRunObject* object, intptr_t type,
                                                 intptr_t rawParameter) noexcept {
  RunObject& self = owner(object);
  return self.fetch(self.next_++, type, rawParameter);
}

intptr_t TESSEL_CALL RunObject::getStringSpace(TesselRunObject* object, intptr_t size, intptr_t) noexcept {
  RunObject& self = owner(object);
  if (self.current_ != nullptr) {
    if (!self.current_->spaceSizes.empty()) self.current_->protocolError = "string space requested twice";
    self.current_->spaceSizes.push_back(size);
  }
  // A size below 1 cannot hold even the terminator; hand out one byte rather than nothing.
  self.spaces_.emplace_back(static_cast<std::size_t>(size > 0 ? size : 1), '\xEE');
  return reinterpret_cast<intptr_t>(self.spaces_.back().data());
}

}  // namespace tessel::hostkit
