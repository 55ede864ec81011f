#include "kv3dump/options.h"

#include <charconv>

#include "build_version.h"
#include "kv3dump/code_page.h"

namespace kx::kv3dump {
namespace {

constexpr char kUsage[] =
    "usage: kv3dump --info FILE [--codepage N]\n"
    "       kv3dump FILE [--order TAG [--seek KEY [--soft] | --prefix KEY]]\n"
    "                    [--limit N] [--csv] [--codepage N] [--show-password]\n"
    "       kv3dump --verify FILE [--order TAG] [--codepage N]\n"
    "       kv3dump --installation PROGRAM_FOLDER [--json]\n"
    "       kv3dump --help | --version\n";

constexpr char kHelp[] =
    "\n"
    "Prints a table's (DBF) structure or records, or checks its index (CDX) against it.\n"
    "\n"
    "  --info         describe the table: code page, fields, index tags (one JSON object)\n"
    "  FILE alone     print the records as JSON lines, in record order\n"
    "  --verify       check every tag's keys against the records (one JSON line per tag,\n"
    "                 then a summary line)\n"
    "  --installation what kursexport would print from PROGRAM_FOLDER, and why (--json:\n"
    "                 one JSON object); exit 0 a complete report, 1 none, 8 one with warnings\n"
    "  --order TAG    use index tag TAG, by name or by number from 1\n"
    "  --seek KEY     start at the first record whose key is KEY; none: print nothing\n"
    "  --soft         with --seek: start at the next greater key when none matches\n"
    "  --prefix KEY   print only the records whose key begins with KEY\n"
    "  --limit N      print at most N records\n"
    "  --csv          print a header row and one row per record (RFC 4180) instead of JSON;\n"
    "                 its last column, _deleted, is true for a record marked deleted\n"
    "  --codepage N   read text in code page N instead of the one the table's mark names\n"
    "  --show-password  print a PASSWORD field as stored; it is shown as **** otherwise\n"
    "  --help         print this help (also -h and /?)\n"
    "  --version      print the version\n"
    "\n"
    "Keys: text as it is; numbers as 12.5; dates as YYYY-MM-DD or YYYYMMDD; logicals T or F.\n"
    "Output is UTF-8, text decoded from the table's code page (a byte the code page leaves\n"
    "undefined stands for the character of its own number). Binary fields (G, P, Q, W, and\n"
    "C, M or V fields marked binary) are lowercase hexadecimal, two digits a byte; a date\n"
    "that holds no date is its stored text with \"(not a date)\". A database container\n"
    "(.dbc) beside the table gives the long field names that index expressions use.\n"
    "\n"
    "Exit status:\n"
    "  0  done; with --verify: every checked tag matches the table\n"
    "  1  --verify: some tag does not match the table (rebuild the indexes)\n"
    "  2  usage error: bad option, unknown tag, a key that does not suit the tag\n"
    "  3  standard output could not be written\n"
    "  4  --verify: no mismatch, but some tags could not be checked\n"
    "  5  the table has no index (--order, --seek, --prefix, --verify)\n"
    "  6  the index file cannot be read: records printed in record order (--info: no tags)\n"
    "  7  the table (or its memo or index file) cannot be read\n";

// Options that take a value, and what a missing value should have been.
struct ValueOption {
  const char* name;
  const char* wants;
};
constexpr ValueOption kValueOptions[] = {
    {"--order", "a tag name or number"},
    {"--seek", "a key"},
    {"--prefix", "a key"},
    {"--limit", "a number"},
    {"--codepage", "a code page number"},
};
constexpr const char* kFlags[] = {"--info", "--verify",  "--soft",         "--csv",
                                  "--help", "--version", "--show-password"};

bool is_option_name(const std::string& a) {
  for (const ValueOption& o : kValueOptions) {
    if (a == o.name) return true;
  }
  for (const char* f : kFlags) {
    if (a == f) return true;
  }
  return false;
}

template <class Number>
bool parse_number(const std::string& text, Number* out) {
  const auto r = std::from_chars(text.data(), text.data() + text.size(), *out);
  return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool set_value(Options* o, const std::string& name, const std::string& v, std::string* problem) {
  if (name == "--order") o->order = v;
  if (name == "--seek") o->seek = v;
  if (name == "--prefix") o->prefix = v;
  if (name == "--limit" && !parse_number(v, &o->limit)) {
    return *problem = "--limit needs a number, not " + v, false;
  }
  if (name == "--codepage" && (!parse_number(v, &o->code_page) || !find_code_page(o->code_page))) {
    return *problem = "unsupported code page " + v + " (supported: " + supported_code_pages() + ")",
           false;
  }
  return true;
}

bool set_flag(Options* o, const std::string& a, std::string* problem) {
  if (a == "--soft") o->soft = true;
  if (a == "--csv") o->csv = true;
  if (a == "--show-password") o->show_password = true;
  if (a == "--info" || a == "--verify") {
    const Mode mode = a == "--info" ? Mode::kInfo : Mode::kVerify;
    if (o->mode != Mode::kDump && o->mode != mode) {
      return *problem = "--info and --verify do not go together", false;
    }
    o->mode = mode;
  }
  return true;
}

// The first option given that only the dump takes, or nullptr.
const char* dump_only_option(const Options& o) {
  if (o.mode == Mode::kInfo && !o.order.empty()) return "--order";
  if (o.seek) return "--seek";
  if (o.prefix) return "--prefix";
  if (o.soft) return "--soft";
  if (o.limit != UINT64_MAX) return "--limit";
  if (o.csv) return "--csv";
  if (o.show_password) return "--show-password";
  return nullptr;
}

bool check_form(const Options& o, std::string* problem) {
  if (o.file.empty()) return *problem = "no table file given", false;
  const char* extra = o.mode == Mode::kDump ? nullptr : dump_only_option(o);
  if (extra != nullptr) {
    return *problem = std::string(extra) + " does not go with " +
                      (o.mode == Mode::kInfo ? "--info" : "--verify"),
           false;
  }
  if (o.seek && o.prefix) return *problem = "--seek and --prefix do not go together", false;
  if (o.seek && o.order.empty()) return *problem = "--seek needs --order", false;
  if (o.prefix && o.order.empty()) return *problem = "--prefix needs --order", false;
  if (o.soft && !o.seek) return *problem = "--soft goes with --seek", false;
  return true;
}

// Sets the mode when any argument asks for help or the version, which then
// is all that is done.
bool asks_for_help_or_version(const std::vector<std::string>& args, Options* o) {
  for (const std::string& a : args) {
    // -h and /? as well, as Windows tools take them.
    const bool help = a == "--help" || a == "-h" || a == "/?";
    if (help || a == "--version") {
      o->mode = help ? Mode::kHelp : Mode::kVersion;
      return true;
    }
  }
  return false;
}

const ValueOption* find_value_option(const std::string& name) {
  for (const ValueOption& v : kValueOptions) {
    if (name == v.name) return &v;
  }
  return nullptr;
}

// Takes args[*i] (and the value after it, moving *i past it).
bool take_argument(const std::vector<std::string>& args, size_t* i, Options* o,
                   std::string* problem) {
  const std::string& a = args[*i];
  if (const ValueOption* value_option = find_value_option(a)) {
    if (*i + 1 == args.size() || is_option_name(args[*i + 1])) {
      return *problem = a + " needs " + value_option->wants, false;
    }
    return set_value(o, a, args[++*i], problem);
  }
  if (is_option_name(a)) return set_flag(o, a, problem);
  if (a.size() > 1 && a[0] == '-') {
    return *problem = "unknown option " + a + " (see kv3dump --help)", false;
  }
  if (!o->file.empty()) return *problem = "more than one file: " + o->file + " and " + a, false;
  o->file = a;
  return true;
}

}  // namespace

bool parse_options(const std::vector<std::string>& args, Options* o, std::string* problem) {
  if (asks_for_help_or_version(args, o)) return true;
  for (size_t i = 0; i < args.size(); ++i) {
    if (!take_argument(args, &i, o, problem)) return false;
  }
  return check_form(*o, problem);
}

const char* usage_text() { return kUsage; }

std::string help_text() { return version_text() + "\n\n" + kUsage + kHelp; }

std::string version_text() { return std::string("kv3dump ") + KX_BUILD_VERSION; }

}  // namespace kx::kv3dump
