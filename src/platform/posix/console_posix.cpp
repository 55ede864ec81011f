// POSIX has no console screen buffer: the screen operations do nothing and
// report failure, so nothing but the written text reaches standard output.
#include "platform/platform.h"

namespace kx::platform {

bool console_allocate() { return false; }
void console_detach() {}
bool console_buffer_size(NativeHandle, ConsoleCoord*) { return false; }
bool console_largest_window(NativeHandle, ConsoleCoord*) { return false; }
bool console_set_buffer_size(NativeHandle, ConsoleCoord) { return false; }
bool console_set_window(NativeHandle, int16_t, int16_t, int16_t, int16_t) { return false; }
bool console_cursor_position(NativeHandle, ConsoleCoord*) { return false; }
bool console_set_cursor_position(NativeHandle, ConsoleCoord) { return false; }
bool console_cursor(NativeHandle, ConsoleCursor*) { return false; }
bool console_set_cursor(NativeHandle, ConsoleCursor) { return false; }
bool console_text_attribute(NativeHandle, uint16_t*) { return false; }
bool console_set_text_attribute(NativeHandle, uint16_t) { return false; }
std::string console_title(size_t) { return ""; }
bool console_set_title(const std::string&) { return false; }
bool console_clear(NativeHandle) { return false; }
int console_wait_key(NativeHandle) { return -1; }

}  // namespace kx::platform
