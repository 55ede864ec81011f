#include "runtime/errors/error_slot.h"

#include "runtime/process/process_state.h"

namespace kx {
namespace {

struct ErrorHandler {
  ErrorBlock block;
};

ErrorBlock& slot() { return process_state().slot<ErrorHandler>().block; }

}  // namespace

void install_error_handler(ErrorBlock block) { slot() = std::move(block); }
bool error_handler_installed() { return static_cast<bool>(slot()); }

Value raise_error(const Value& error) {
  // A copy: the handler may install another handler while it runs.
  ErrorBlock block = slot();
  return block ? block(error) : Value();
}

}  // namespace kx
