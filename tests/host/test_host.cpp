#include "tests/host/test_host.h"

#include <dlfcn.h>

#include <cstring>
#include <stdexcept>

namespace tessel::testing {

TesselSetup makeSetup(int32_t dimensions, int32_t x, int32_t y, const char* delimiter) {
  TesselSetup setup;
  std::memset(&setup, 0, sizeof setup);
  setup.frameWidth = 32;
  setup.frameHeight = 32;
  setup.dimensionCount = dimensions;
  setup.xSize = x;
  setup.ySize = y;
  std::strncpy(setup.listDelimiter, delimiter, sizeof setup.listDelimiter - 1);
  return setup;
}

Module::Module(const char* path) {
  handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) throw std::runtime_error(std::string("cannot load the module: ") + dlerror());
  auto getInfos = entry<short(TESSEL_CALL*)(intptr_t, TesselRunInfos*)>("GetRunObjectInfos");
  getInfos(0, &infos_);
}

Module::~Module() { dlclose(handle_); }

void* Module::symbol(const char* name) const {
  void* address = dlsym(handle_, name);
  if (address == nullptr) throw std::runtime_error(std::string("the module does not export ") + name);
  return address;
}

Module& builtModule() {
  static Module module(TESSEL_MODULE_PATH);
  return module;
}

// The host context record, with a way back to the instance that owns it.
struct Instance::Context {
  TesselHostContext services{};
  Instance* owner = nullptr;
};

Instance::Instance(const TesselSetup& setup, Module& module) : module_(module), context_(std::make_unique<Context>()) {
  auto dataSize = module.entry<short(TESSEL_CALL*)(intptr_t, intptr_t)>("GetRunObjectDataSize");
  object_.assign(static_cast<std::size_t>(dataSize(0, 0)), 0xCD);  // the host's header is not ours to assume zero
  context_->services.getFirstParameter = &Instance::getFirstParameter;
  context_->services.getNextParameter = &Instance::getNextParameter;
  context_->services.getStringSpace = &Instance::getStringSpace;
  context_->owner = this;
  record().hostContext = &context_->services;
  record().resultFlags = 0;
  auto create = module.entry<short(TESSEL_CALL*)(TesselRunObject*, const TesselSetup*, intptr_t)>("CreateRunObject");
  create(&record(), &setup, 0);
}

Instance::~Instance() {
  auto destroy = module_.entry<short(TESSEL_CALL*)(TesselRunObject*, intptr_t)>("DestroyRunObject");
  destroy(&record(), 0);
}

namespace {

intptr_t raw(const Param& p) {
  if (const auto* i = std::get_if<int32_t>(&p)) return *i;
  if (const auto* s = std::get_if<std::string>(&p)) return reinterpret_cast<intptr_t>(s->c_str());
  return 0;
}

}  // namespace

short Instance::act(int n, const Param& first, const Param& second) {
  return module_.infos().actions[n](&record(), raw(first), raw(second));
}

ExpressionCall Instance::call(int n, const Param& first, const Param& second) {
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

int32_t Instance::integer(int n, const Param& first, const Param& second) {
  const ExpressionCall c = call(n, first, second);
  if (!c.protocolError.empty()) throw std::logic_error(c.protocolError);
  if (c.textFlag) throw std::logic_error("expression returned text where an integer was expected");
  return static_cast<int32_t>(c.raw);
}

std::optional<std::string> Instance::text(int n, const Param& first, const Param& second) {
  ExpressionCall c = call(n, first, second);
  if (!c.protocolError.empty()) throw std::logic_error(c.protocolError);
  if (!c.textFlag && c.raw != 0) throw std::logic_error("expression returned an integer where a text was expected");
  return c.text;
}

Instance& Instance::owner(TesselRunObject* object) { return *reinterpret_cast<Context*>(object->hostContext)->owner; }

intptr_t Instance::fetch(std::size_t position, intptr_t type, intptr_t rawParameter) {
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

intptr_t TESSEL_CALL Instance::getFirstParameter(TesselRunObject* object, intptr_t type, intptr_t rawParameter) {
  Instance& self = owner(object);
  self.next_ = 1;
  return self.fetch(0, type, rawParameter);
}

intptr_t TESSEL_CALL Instance::getNextParameter(TesselRunObject* object, intptr_t type, intptr_t rawParameter) {
  Instance& self = owner(object);
  return self.fetch(self.next_++, type, rawParameter);
}

intptr_t TESSEL_CALL Instance::getStringSpace(TesselRunObject* object, intptr_t size, intptr_t) {
  Instance& self = owner(object);
  if (self.current_ != nullptr) {
    if (!self.current_->spaceSizes.empty()) self.current_->protocolError = "string space requested twice";
    self.current_->spaceSizes.push_back(size);
  }
  self.spaces_.emplace_back(static_cast<std::size_t>(size), '\xEE');
  return reinterpret_cast<intptr_t>(self.spaces_.back().data());
}

}  // namespace tessel::testing
