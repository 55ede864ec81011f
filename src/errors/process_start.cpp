#include "errors/process_start.h"

#include "errors/default_handler.h"
#include "errors/error_factory.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/settings.h"

namespace kx {

void register_runtime_support() {
  if (!error_handler_installed()) {
    install_error_handler([](const Value& error) { return DEFERROR(error); });
    set_international(InternationalMode::kOperatingSystem);
  }
  if (!error_factory_registered()) register_error_factory(make_record_from_details);
}

}  // namespace kx
