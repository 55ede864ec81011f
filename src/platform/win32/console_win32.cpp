// The Win32 console API behind the console object. Every call fails quietly
// when the handle is a pipe or a file.
#include <windows.h>

#include <vector>

#include "platform/platform.h"

namespace kx::platform {
namespace {

HANDLE h(NativeHandle n) { return reinterpret_cast<HANDLE>(n); }

}  // namespace

bool console_allocate() { return ::AllocConsole() != 0; }
void console_detach() { ::FreeConsole(); }

bool console_buffer_size(NativeHandle out, ConsoleCoord* size) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(h(out), &info)) return false;
  *size = {info.dwSize.X, info.dwSize.Y};
  return true;
}

bool console_largest_window(NativeHandle out, ConsoleCoord* size) {
  const COORD c = ::GetLargestConsoleWindowSize(h(out));
  if (c.X == 0 && c.Y == 0) return false;
  *size = {c.X, c.Y};
  return true;
}

bool console_set_buffer_size(NativeHandle out, ConsoleCoord size) {
  return ::SetConsoleScreenBufferSize(h(out), COORD{size.x, size.y}) != 0;
}

bool console_set_window(NativeHandle out, int16_t left, int16_t top, int16_t right,
                        int16_t bottom) {
  SMALL_RECT r{left, top, right, bottom};
  return ::SetConsoleWindowInfo(h(out), TRUE, &r) != 0;
}

bool console_cursor_position(NativeHandle out, ConsoleCoord* pos) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(h(out), &info)) return false;
  *pos = {info.dwCursorPosition.X, info.dwCursorPosition.Y};
  return true;
}

bool console_set_cursor_position(NativeHandle out, ConsoleCoord pos) {
  return ::SetConsoleCursorPosition(h(out), COORD{pos.x, pos.y}) != 0;
}

bool console_cursor(NativeHandle out, ConsoleCursor* cursor) {
  CONSOLE_CURSOR_INFO info;
  if (!::GetConsoleCursorInfo(h(out), &info)) return false;
  *cursor = {info.dwSize, info.bVisible != 0};
  return true;
}

bool console_set_cursor(NativeHandle out, ConsoleCursor cursor) {
  CONSOLE_CURSOR_INFO info{cursor.size, cursor.visible ? TRUE : FALSE};
  return ::SetConsoleCursorInfo(h(out), &info) != 0;
}

bool console_text_attribute(NativeHandle out, uint16_t* attribute) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(h(out), &info)) return false;
  *attribute = info.wAttributes;
  return true;
}

bool console_set_text_attribute(NativeHandle out, uint16_t attribute) {
  return ::SetConsoleTextAttribute(h(out), attribute) != 0;
}

std::string console_title(size_t buffer_size) {
  std::vector<char> buffer(buffer_size + 1, '\0');
  const DWORD n = ::GetConsoleTitleA(buffer.data(), static_cast<DWORD>(buffer_size));
  return n == 0 ? std::string() : std::string(buffer.data());
}

bool console_set_title(const std::string& title) { return ::SetConsoleTitleA(title.c_str()) != 0; }

bool console_clear(NativeHandle out) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(h(out), &info)) return false;
  const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
  DWORD done = 0;
  ::FillConsoleOutputCharacterA(h(out), ' ', cells, COORD{0, 0}, &done);
  ::FillConsoleOutputAttribute(h(out), info.wAttributes, cells, COORD{0, 0}, &done);
  return ::SetConsoleCursorPosition(h(out), COORD{0, 0}) != 0;
}

int console_wait_key(NativeHandle in) {
  DWORD mode = 0;
  if (!::GetConsoleMode(h(in), &mode)) return -1;
  ::SetConsoleMode(h(in), ENABLE_MOUSE_INPUT);
  int result = -1;
  for (;;) {
    INPUT_RECORD record;
    DWORD n = 0;
    if (!::ReadConsoleInputA(h(in), &record, 1, &n) || n == 0) break;
    if (record.EventType == KEY_EVENT && !record.Event.KeyEvent.bKeyDown &&
        record.Event.KeyEvent.uChar.AsciiChar != 0) {
      result = static_cast<unsigned char>(record.Event.KeyEvent.uChar.AsciiChar);
      break;
    }
    if (record.EventType == MOUSE_EVENT && record.Event.MouseEvent.dwButtonState != 0) {
      result = 128;
      break;
    }
  }
  ::SetConsoleMode(h(in), mode);
  return result;
}

}  // namespace kx::platform
