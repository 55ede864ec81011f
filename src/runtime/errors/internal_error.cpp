#include "runtime/errors/internal_error.h"

#include "runtime/process/dialogs.h"

namespace kx {

void internal_error(const std::string& text) { show_message_box(text, kInternalErrorCaption); }

}  // namespace kx
