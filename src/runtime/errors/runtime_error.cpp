#include "runtime/errors/runtime_error.h"

#include "runtime/process/process_state.h"

namespace kx {
namespace {

struct ErrorHandler {
  ErrorBlock block;
};

struct ErrorFactorySlot {
  ErrorFactory factory;
};

ErrorBlock& handler_slot() { return process_state().slot<ErrorHandler>().block; }
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

void install_error_handler(ErrorBlock block) { handler_slot() = std::move(block); }
bool error_handler_installed() { return static_cast<bool>(handler_slot()); }

Value raise_error(const Value& error) {
  // A copy: the handler may install another handler while it runs.
  ErrorBlock block = handler_slot();
  return block ? block(error) : Value();
}

}  // namespace kx
