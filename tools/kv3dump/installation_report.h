// The installation check as the administrator reads it, and as one JSON
// object for monitoring.
#ifndef KX_TOOLS_KV3DUMP_INSTALLATION_REPORT_H_
#define KX_TOOLS_KV3DUMP_INSTALLATION_REPORT_H_

#include <string>

#include "kv3dump/installation_check.h"

namespace kx::kv3dump {

// Lines in plain words, each ending with a line feed. The password is shown
// as **** (empty when it is empty).
std::string installation_text(const InstallationCheck& check);

// One JSON object on one line, with a line feed:
//   {"program_folder":..., "status":0, "complete":true, "outcome":"report",
//    "cause":"", "problem":"", "output":"", "warnings":[...], "program":{...},
//    "location":{...}, "data_folder":{...} or null, "tables":[...],
//    "tags":[...], "active_date":"2026-03-07" or null, "currencies":[...]}
// Text is UTF-8 as in every kv3dump mode, the tables' decoded from their code page.
std::string installation_json(const InstallationCheck& check);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_INSTALLATION_REPORT_H_
