// The console object and QOUT, the one routine through which the program
// writes to standard output.
#ifndef KX_CONSOLE_CONSOLE_H_
#define KX_CONSOLE_CONSOLE_H_

#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/platform.h"
#include "runtime/values/value.h"

namespace kx {

// A pair of console coordinates: X the column, Y the row.
struct CONSOLECOORD {
  int16_t X = 0;
  int16_t Y = 0;
  static CONSOLECOORD INIT(int16_t x, int16_t y) { return CONSOLECOORD{x, y}; }
};

class CONSOLE {
 public:
  // Takes the process's output and error handles; when there is no standard
  // output and new_console is true, creates a console and takes it again.
  // Then takes the input handle.
  void INIT(bool new_console);

  // Writes text to the output handle; true when all of it was written.
  bool WRITE(const std::string& text);
  bool WRITELINE(const std::string& text);
  bool WRITEERROR(const std::string& text);
  // One read of up to 256 bytes without its line end; empty when 2 bytes or fewer came.
  std::string READ();
  // Waits for a key or mouse button, writes the character and returns it.
  std::string WAIT();
  CONSOLE& CLEAR();
  void DESTROY();

  CONSOLECOORD CURSORPOS();
  CONSOLECOORD CURSORPOS(CONSOLECOORD pos);
  uint32_t CURSORSIZE();
  uint32_t CURSORSIZE(uint32_t size);
  bool CURSORVISIBLE();
  bool CURSORVISIBLE(bool visible);
  CONSOLECOORD SIZE();
  CONSOLECOORD SIZE(CONSOLECOORD size);
  uint16_t TEXTATTRIBUTE();
  uint16_t TEXTATTRIBUTE(uint16_t attribute);
  std::string TITLE();
  std::string TITLE(const std::string& title);

 private:
  platform::NativeHandle output_ = platform::kInvalidHandle;
  platform::NativeHandle input_ = platform::kInvalidHandle;
  platform::NativeHandle error_ = platform::kInvalidHandle;
  bool new_console_ = false;
};

// The title a new console gets.
inline constexpr const char* kDefaultConsoleTitle = "kursexport";

// Creates and sets up the console object once.
void __INITCONSOLE();
// Detaches from the console and forgets the object (an exit procedure).
void __EXITCONSOLE();
// The console object; nullptr before the first output.
CONSOLE* console_object();

// Writes CR LF, then each argument as text, one blank between arguments.
void QOUT();
void QOUT(const std::string& text);
void QOUT(std::initializer_list<Value> values);
// The bytes of QOUT(first) followed by QOUT(second), in one write.
void qout_two_lines(const std::string& first, const std::string& second);

}  // namespace kx

#endif  // KX_CONSOLE_CONSOLE_H_
