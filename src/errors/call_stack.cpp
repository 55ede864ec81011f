#include "errors/call_stack.h"

#include "runtime/process/activation.h"
#include "runtime/text/text.h"

namespace kx {

std::string CALLSTACKTEXT(uint32_t start_level) {
  const uint64_t depth = activation_depth();
  std::string text;
  uint32_t left = kCallStackLimit;
  for (uint64_t n = start_level; n < depth && left > 0; ++n, --left) {
    std::string name = activation_name(static_cast<size_t>(n));
    if (name.empty()) name = "*ProcName*";
    text += name + " (Line:" + decimal(activation_line(static_cast<size_t>(n))) + ")\r\n";
  }
  return text.empty() ? "*EmptyCallStack*\r\n" : text;
}

}  // namespace kx
