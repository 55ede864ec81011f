#include "kv3dump/system_text_stream.h"

#include "platform/utf8_text.h"

namespace kx::kv3dump {

// Every write is flushed, so it is converted whole: a character of a
// multi-byte ANSI code page is never cut in two.
SystemTextStream::SystemTextStream(std::ostream& target) : std::ostream(nullptr), buffer_(target) {
  rdbuf(&buffer_);
  setf(std::ios::unitbuf);
}

int SystemTextStream::Buffer::sync() {
  target_ << platform::system_text_to_utf8(str());
  str("");
  return target_.flush() ? 0 : -1;
}

}  // namespace kx::kv3dump
