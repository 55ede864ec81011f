#include "console/console.h"

#include <algorithm>
#include <memory>

#include "platform/env.h"
#include "runtime/process/exit.h"
#include "runtime/process/process_state.h"
#include "runtime/text/text.h"

namespace kx {
namespace {

using platform::NativeHandle;

struct ConsoleSlot {
  std::unique_ptr<CONSOLE> console;
};

std::unique_ptr<CONSOLE>& console_slot() { return process_state().slot<ConsoleSlot>().console; }

bool writable(NativeHandle h) { return h != platform::kInvalidHandle; }

}  // namespace

void CONSOLE::INIT(bool new_console) {
  new_console_ = new_console;
  platform::Env& env = platform::env();
  output_ = env.std_handle(platform::StdStream::kOutput);
  error_ = env.std_handle(platform::StdStream::kError);
  if (output_ == platform::kNullHandle && new_console_) {
    platform::console_allocate();
    output_ = env.std_handle(platform::StdStream::kOutput);
  }
  input_ = env.std_handle(platform::StdStream::kInput);
}

bool CONSOLE::WRITE(const std::string& text) {
  if (!writable(output_)) return false;
  return platform::env().write_bytes(output_, text.data(), text.size());
}

bool CONSOLE::WRITELINE(const std::string& text) { return WRITE(text + "\r\n"); }

bool CONSOLE::WRITEERROR(const std::string& text) {
  if (!writable(error_)) return false;
  return platform::env().write_bytes(error_, text.data(), text.size());
}

std::string CONSOLE::READ() {
  if (!writable(input_)) return "";
  char buffer[256];
  const long n = platform::env().read_once(input_, buffer, sizeof buffer);
  return n > 2 ? std::string(buffer, static_cast<size_t>(n - 2)) : std::string();
}

std::string CONSOLE::WAIT() {
  const int key = platform::console_wait_key(input_);
  std::string result = key < 0 ? std::string() : std::string(1, static_cast<char>(key));
  WRITE(result);
  return result;
}

CONSOLE& CONSOLE::CLEAR() {
  platform::console_clear(output_);
  return *this;
}

void CONSOLE::DESTROY() { platform::console_detach(); }

CONSOLECOORD CONSOLE::CURSORPOS() {
  platform::ConsoleCoord c;
  platform::console_cursor_position(output_, &c);
  return CONSOLECOORD{c.x, c.y};
}

CONSOLECOORD CONSOLE::CURSORPOS(CONSOLECOORD pos) {
  platform::console_set_cursor_position(output_, {pos.X, pos.Y});
  return pos;
}

uint32_t CONSOLE::CURSORSIZE() {
  platform::ConsoleCursor c;
  platform::console_cursor(output_, &c);
  return c.size;
}

uint32_t CONSOLE::CURSORSIZE(uint32_t size) {
  platform::ConsoleCursor c;
  platform::console_cursor(output_, &c);
  c.size = size;
  platform::console_set_cursor(output_, c);
  return size;
}

bool CONSOLE::CURSORVISIBLE() {
  platform::ConsoleCursor c;
  platform::console_cursor(output_, &c);
  return c.visible;
}

bool CONSOLE::CURSORVISIBLE(bool visible) {
  platform::ConsoleCursor c;
  platform::console_cursor(output_, &c);
  c.visible = visible;
  platform::console_set_cursor(output_, c);
  return visible;
}

CONSOLECOORD CONSOLE::SIZE() {
  platform::ConsoleCoord c;
  platform::console_buffer_size(output_, &c);
  return CONSOLECOORD{c.x, c.y};
}

// Windows refuses a window larger than the buffer and a buffer smaller than
// the window, so the order of the two changes depends on whether it shrinks.
CONSOLECOORD CONSOLE::SIZE(CONSOLECOORD size) {
  platform::ConsoleCoord current;
  platform::ConsoleCoord largest;
  if (!platform::console_buffer_size(output_, &current) ||
      !platform::console_largest_window(output_, &largest)) {
    return size;
  }
  const int16_t right = static_cast<int16_t>(std::min(size.X, largest.x) - 1);
  const int16_t bottom = static_cast<int16_t>(std::min(size.Y, largest.y) - 1);
  const long current_area = static_cast<long>(current.x) * current.y;
  const long new_area = static_cast<long>(size.X) * size.Y;
  if (current_area > new_area) {
    platform::console_set_window(output_, 0, 0, right, bottom);
    platform::console_set_buffer_size(output_, {size.X, size.Y});
  } else if (current_area < new_area) {
    platform::console_set_buffer_size(output_, {size.X, size.Y});
    platform::console_set_window(output_, 0, 0, right, bottom);
  }
  return size;
}

uint16_t CONSOLE::TEXTATTRIBUTE() {
  uint16_t attribute = 0;
  platform::console_text_attribute(output_, &attribute);
  return attribute;
}

uint16_t CONSOLE::TEXTATTRIBUTE(uint16_t attribute) {
  platform::console_set_text_attribute(output_, attribute);
  return attribute;
}

std::string CONSOLE::TITLE() { return platform::console_title(255); }

std::string CONSOLE::TITLE(const std::string& title) {
  platform::console_set_title(title);
  return title;
}

void __INITCONSOLE() {
  if (console_slot()) return;
  console_slot() = std::make_unique<CONSOLE>();
  CONSOLE& console = *console_slot();
  console.INIT(true);
  console.SIZE(CONSOLECOORD::INIT(80, 25));
  console.TITLE(kDefaultConsoleTitle);
  console.CLEAR();
  register_exit_procedure(__EXITCONSOLE);
}

void __EXITCONSOLE() {
  if (!console_slot()) return;
  console_slot()->DESTROY();
  console_slot().reset();
}

CONSOLE* console_object() { return console_slot().get(); }

void QOUT() {
  __INITCONSOLE();
  console_slot()->WRITELINE("");
}

// The line end and the text go out in one write: the same bytes, with half
// the system calls of two writes.
void QOUT(const std::string& text) {
  __INITCONSOLE();
  console_slot()->WRITE("\r\n" + text);
}

void qout_two_lines(const std::string& first, const std::string& second) {
  __INITCONSOLE();
  std::string text;
  text.reserve(4 + first.size() + second.size());
  text += "\r\n";
  text += first;
  text += "\r\n";
  text += second;
  console_slot()->WRITE(text);
}

void QOUT(std::initializer_list<Value> values) {
  QOUT();
  bool first = true;
  for (const Value& v : values) {
    if (!first) console_slot()->WRITE(" ");
    first = false;
    console_slot()->WRITE(value_text(v));
  }
}

}  // namespace kx
