// Texts that must never reach error output: the network password above all.
// Whoever reads a secret registers it; the error page, the error log and the
// error-record factory pass every value they write through mask_secrets.
#ifndef KX_RUNTIME_PROCESS_SECRETS_H_
#define KX_RUNTIME_PROCESS_SECRETS_H_

#include <string>

namespace kx {

// What stands in the place of a secret.
inline constexpr const char* kSecretMask = "********";

// Remembers text as a secret for the rest of the process. An empty text is
// ignored (it would match everywhere).
void register_secret(const std::string& text);

// Forgets every secret (tests).
void clear_secrets();

// text with every stretch that is covered by occurrences of registered
// secrets (overlapping or adjacent ones together) replaced by one
// kSecretMask. Masking a masked text again changes nothing unless a secret
// is made of asterisks.
std::string mask_secrets(const std::string& text);

}  // namespace kx

#endif  // KX_RUNTIME_PROCESS_SECRETS_H_
