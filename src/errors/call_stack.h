// The call-stack text that error records carry in STACK.
#ifndef KX_ERRORS_CALL_STACK_H_
#define KX_ERRORS_CALL_STACK_H_

#include <cstdint>
#include <string>

namespace kx {

// At most this many activation levels go into the text.
constexpr uint32_t kCallStackLimit = 5;

// One line "NAME (Line:n)" + CR LF per activation level from start_level
// outward, at most kCallStackLimit of them; "*ProcName*" stands for an empty
// name. "*EmptyCallStack*" + CR LF when no level is at or above start_level.
std::string CALLSTACKTEXT(uint32_t start_level);

}  // namespace kx

#endif  // KX_ERRORS_CALL_STACK_H_
