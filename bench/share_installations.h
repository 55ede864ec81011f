// The installations the share benchmark measures. Each lives under one root:
// root/pos/KV3DB/ the tables, root/tarvo/ the program reading them there,
// root/tarvo-share/ the program reading them through root/share/KV3DB/,
// where the driver mounts the mirror of the data folder.
#ifndef KX_BENCH_SHARE_INSTALLATIONS_H_
#define KX_BENCH_SHARE_INSTALLATIONS_H_

#include <filesystem>
#include <string>

namespace kx::bench {

struct Installation {
  std::string label;
  std::filesystem::path root;

  std::filesystem::path data_folder() const { return root / "pos" / "KV3DB"; }
  std::filesystem::path mount_point() const { return root / "share" / "KV3DB"; }
  std::filesystem::path local_program() const { return root / "tarvo" / "kursexport"; }
  std::filesystem::path share_program() const { return root / "tarvo-share" / "kursexport"; }
};

// Tools that write installations.
struct Writers {
  std::string program;    // kursexport, copied into both program folders
  std::string mkdemo;     // writes the demo installation
  std::string generator;  // gen_installation
};

// Currencies 1 (IDR, the home currency) and 2 (USD), one USD rate dated
// 1 March 2026, the control record active on 7 March 2026; written anew.
bool write_one_currency(const Installation& at, const Writers& writers, std::string* error);
// What mkdemo writes; written anew.
bool write_demo(const Installation& at, const Writers& writers, std::string* error);
// gen_installation's currencies x days; kept when already there.
bool write_generated(const Installation& at, const Writers& writers, int currencies, int days,
                     std::string* error);

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_INSTALLATIONS_H_
