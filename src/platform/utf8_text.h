// Text for the tools, which print UTF-8 whatever the system's narrow
// encoding (the ANSI code page on Win32) holds their paths and arguments in.
#ifndef KX_PLATFORM_UTF8_TEXT_H_
#define KX_PLATFORM_UTF8_TEXT_H_

#include <string>

namespace kx::platform {

// text in the system's narrow encoding (command-line arguments, file names)
// as UTF-8. Win32: decoded from the ANSI code page, text unchanged when it
// cannot be. POSIX: text as it is, since file names there are bytes.
std::string system_text_to_utf8(const std::string& text);

// From here to the end of the process, a console that shows its standard
// output or error shows the bytes written as UTF-8 (Win32: the console's
// output code page is CP_UTF8; the one before is put back at exit). Nothing
// where neither is a console, so redirected output stays the bytes written,
// nor on POSIX.
void use_utf8_console();

}  // namespace kx::platform

#endif  // KX_PLATFORM_UTF8_TEXT_H_
