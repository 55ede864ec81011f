#include "runtime/process/secrets.h"

#include <algorithm>
#include <vector>

#include "runtime/process/process_state.h"

namespace kx {
namespace {

struct Secrets {
  std::vector<std::string> list;
};

std::vector<std::string>& secrets() { return process_state().slot<Secrets>().list; }

}  // namespace

void register_secret(const std::string& text) {
  if (text.empty()) return;
  auto& list = secrets();
  if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(text);
}

void clear_secrets() { secrets().clear(); }

std::string mask_secrets(const std::string& text) {
  if (secrets().empty()) return text;
  // Marking first and replacing after keeps overlapping secrets covered and
  // leaves an already masked text as it is.
  std::vector<bool> covered(text.size(), false);
  for (const std::string& secret : secrets()) {
    for (size_t pos = text.find(secret); pos != std::string::npos;
         pos = text.find(secret, pos + 1)) {
      std::fill(covered.begin() + static_cast<std::ptrdiff_t>(pos),
                covered.begin() + static_cast<std::ptrdiff_t>(pos + secret.size()), true);
    }
  }
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (!covered[i]) {
      out.push_back(text[i++]);
      continue;
    }
    out += kSecretMask;
    while (i < text.size() && covered[i]) ++i;
  }
  return out;
}

}  // namespace kx
