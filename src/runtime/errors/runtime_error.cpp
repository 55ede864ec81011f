#include "runtime/errors/runtime_error.h"

#include "runtime/errors/error_slot.h"
#include "runtime/process/process_state.h"

namespace kx {
namespace {

struct ErrorFactorySlot {
  ErrorFactory factory;
};

ErrorFactory& factory_slot() { return process_state().slot<ErrorFactorySlot>().factory; }

}  // namespace

void register_error_factory(ErrorFactory factory) { factory_slot() = std::move(factory); }
bool error_factory_registered() { return static_cast<bool>(factory_slot()); }

Value make_error_record(const RuntimeError& details) {
  return factory_slot() ? factory_slot()(details) : Value();
}

Value raise_runtime_error(const RuntimeError& details) {
  return raise_error(make_error_record(details));
}

}  // namespace kx
