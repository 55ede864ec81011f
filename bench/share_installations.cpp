#include "share_installations.h"

#include <vector>

#include "share_process.h"
#include "tablewriter/pos_installation.h"

namespace kx::bench {
namespace {

namespace fs = std::filesystem;
namespace w = kx::writer;

constexpr size_t kCurDirWidth = 120;  // KELVARO.DIR's CUR_DIR

bool fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

// A program folder with the program and a KELVARO.DIR naming cur_dir.
bool write_program_folder(const fs::path& program, const Writers& writers, const fs::path& cur_dir,
                          std::string* error) {
  if (cur_dir.string().size() > kCurDirWidth) {
    return fail(error, cur_dir.string() + " is longer than CUR_DIR's 120 characters");
  }
  std::error_code ec;
  fs::create_directories(program.parent_path(), ec);
  fs::copy_file(writers.program, program, fs::copy_options::overwrite_existing, ec);
  if (ec)
    return fail(error, "cannot copy the program to " + program.string() + ": " + ec.message());
  if (!w::write_location_table(program.parent_path().string() + "/",
                               {cur_dir.string(), "", "", ""})) {
    return fail(error, "cannot write KELVARO.DIR in " + program.parent_path().string());
  }
  return true;
}

bool write_program_folders(const Installation& at, const Writers& writers, std::string* error) {
  return write_program_folder(at.local_program(), writers, at.root / "pos", error) &&
         write_program_folder(at.share_program(), writers, at.root / "share", error);
}

bool start_anew(const Installation& at, std::string* error) {
  std::error_code ec;
  fs::remove_all(at.root / "pos", ec);
  fs::create_directories(at.data_folder(), ec);
  return !ec || fail(error, "cannot create " + at.data_folder().string() + ": " + ec.message());
}

}  // namespace

bool write_one_currency(const Installation& at, const Writers& writers, std::string* error) {
  if (!start_anew(at, error)) return false;
  w::Control control;
  control.aktif = Date::from_ymd(2026, 3, 7);
  const std::string data = at.data_folder().string() + "/";
  const bool written =
      w::write_control_table(data, control) &&
      w::write_currency_table(data, {{1, "IDR", "Rupiah"}, {2, "USD", "US Dollar"}}) &&
      w::write_rate_table(data, {{2, Date::from_ymd(2026, 3, 1), "15800.50", "15900.25"}});
  if (!written) return fail(error, "cannot write the tables in " + data);
  return write_program_folders(at, writers, error);
}

bool write_demo(const Installation& at, const Writers& writers, std::string* error) {
  if (!start_anew(at, error)) return false;
  if (run_program({writers.mkdemo, at.root.string(), writers.program}).status != 0) {
    return fail(error, "mkdemo failed on " + at.root.string());
  }
  return write_program_folders(at, writers, error);
}

bool write_generated(const Installation& at, const Writers& writers, int currencies, int days,
                     std::string* error) {
  if (!fs::exists(at.data_folder() / "M_KURSMA.CDX")) {
    const Run run = run_program(
        {writers.generator, at.root.string(), std::to_string(currencies), std::to_string(days)});
    if (run.status != 0) return fail(error, "gen_installation failed on " + at.root.string());
  }
  return write_program_folders(at, writers, error);
}

}  // namespace kx::bench
