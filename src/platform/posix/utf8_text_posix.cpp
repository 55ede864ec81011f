// POSIX text for the tools: file names and arguments are bytes, printed as
// they are; a terminal takes the encoding it was set up with.
#include "platform/utf8_text.h"

namespace kx::platform {

std::string system_text_to_utf8(const std::string& text) { return text; }

void use_utf8_console() {}

}  // namespace kx::platform
