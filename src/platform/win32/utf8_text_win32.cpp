// Win32 text for the tools: the ANSI code page to UTF-8, and the console's
// output code page.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/utf8_text.h"

namespace kx::platform {
namespace {

UINT code_page_before = 0;

bool is_console(DWORD std_handle) {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(std_handle), &mode) != 0;
}

}  // namespace

std::string system_text_to_utf8(const std::string& text) {
  if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) return text;
  const int size = static_cast<int>(text.size());
  const int wide_size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (wide_size <= 0) return text;
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), wide_size);
  const int utf8_size =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  if (utf8_size <= 0) return text;
  std::string utf8(static_cast<size_t>(utf8_size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, utf8.data(), utf8_size, nullptr,
                        nullptr);
  return utf8;
}

void use_utf8_console() {
  if (!is_console(STD_OUTPUT_HANDLE) && !is_console(STD_ERROR_HANDLE)) return;
  const UINT before = ::GetConsoleOutputCP();
  if (before == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8)) return;
  code_page_before = before;
  std::atexit([] { ::SetConsoleOutputCP(code_page_before); });
}

}  // namespace kx::platform
