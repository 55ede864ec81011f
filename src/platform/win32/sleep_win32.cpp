#include <windows.h>

#include "platform/platform.h"

namespace kx::platform {

void sleep_ms(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace kx::platform
