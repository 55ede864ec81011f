#include "runtime/process/version.h"

namespace kx {

std::string version_text() { return "kursexport runtime 1.0"; }

}  // namespace kx
