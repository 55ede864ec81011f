// An output stream for text in the system's narrow encoding (paths and
// arguments as the command line gave them: the ANSI code page on Windows),
// which reaches its target as UTF-8, each write as soon as it is made.
// kv3dump's messages go through one; its dumps and installation check are
// UTF-8 already and do not.
#ifndef KX_TOOLS_KV3DUMP_SYSTEM_TEXT_STREAM_H_
#define KX_TOOLS_KV3DUMP_SYSTEM_TEXT_STREAM_H_

#include <ostream>
#include <sstream>

namespace kx::kv3dump {

class SystemTextStream : public std::ostream {
 public:
  // target is not owned and must outlive the stream; its failures show as
  // this stream's.
  explicit SystemTextStream(std::ostream& target);

 private:
  class Buffer : public std::stringbuf {
   public:
    explicit Buffer(std::ostream& target) : target_(target) {}

   protected:
    int sync() override;

   private:
    std::ostream& target_;
  };

  Buffer buffer_;
};

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_SYSTEM_TEXT_STREAM_H_
