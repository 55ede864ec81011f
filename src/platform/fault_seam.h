// A test seam in the file layer: it makes one chosen read_at call fail once,
// fail from then on, or come back short, so tests can watch what the table
// driver and the program do with an I/O fault on a given file.
//
// Reads are counted per plan: the Nth read_at call (1-based) among those on
// files whose path contains the plan's path part (letter case ignored; an
// empty part counts every read). Until something arms it the seam does
// nothing but test one flag per call.
//
// Arming: unit tests call arm_read_fault(), and so does the test-only program
// kursexport_faults (tests/fault_program), with the plan it finds in the
// environment variable KX_FAULT_READ, before it runs the program. With
// announce set, the first firing writes one line to standard error:
// "fault seam: read N of PATH failed" (or "... cut short"). kursexport itself
// never arms the seam and reads no environment for it.
#ifndef KX_PLATFORM_FAULT_SEAM_H_
#define KX_PLATFORM_FAULT_SEAM_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace kx::platform {

enum class ReadFault {
  kNone,
  kFailOnce,        // the Nth read fails; later reads succeed
  kFailPersistent,  // the Nth read and every later counted read fail
  kShort,           // the Nth read returns success with half the bytes asked for
};

struct ReadFaultPlan {
  ReadFault fault = ReadFault::kNone;
  uint64_t nth = 1;
  std::string path_part;
};

// Replaces any earlier plan and restarts the count. Files opened before the
// call are not known by path, so arm before opening them.
void arm_read_fault(const ReadFaultPlan& plan, bool announce = false);
void disarm_read_fault();

// "once:N", "always:N" or "short:N", optionally followed by ":" and a path
// part ("once:3:M_KURSMA.CDX"; the part may itself hold colons). nullopt for
// any other text, or N of 0.
std::optional<ReadFaultPlan> parse_read_fault(std::string_view text);

// Path of the file whose read the armed plan last failed or cut short; empty
// when it has not fired since it was armed.
std::string read_fault_fired_path();

// What read_at does with the read it is about to make.
enum class ReadAction { kRead, kFail, kShort };

// Hooks for the platform's file functions.
void fault_seam_note_open(NativeHandle handle, const std::string& path);
void fault_seam_note_close(NativeHandle handle);
ReadAction fault_seam_before_read(NativeHandle handle);

}  // namespace kx::platform

#endif  // KX_PLATFORM_FAULT_SEAM_H_
