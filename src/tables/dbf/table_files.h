// Opening a table by path, together with its memo file, and finding the files
// that belong to a table (memo, index) whatever their letter case.
#ifndef KX_TABLES_DBF_TABLE_FILES_H_
#define KX_TABLES_DBF_TABLE_FILES_H_

#include <memory>
#include <string>
#include <string_view>

#include "platform/file.h"
#include "tables/dbf/table.h"
#include "tables/status.h"

namespace kx::tables::dbf {

// Where path's last component begins: after its last /, \ or :.
size_t leaf_start(std::string_view path);

// path without the extension of its last component ("D:\DB\M_KURSMA.KV3"
// gives "D:\DB\M_KURSMA"); path itself when it has none.
std::string base_name(const std::string& path);

// The existing file whose name is path's base name plus "." + extension,
// with any letter case; empty when there is none.
std::string sibling_file(const std::string& path, const std::string& extension);

// The memo file's extension for a table path: "dct" for a database
// container (".dbc"), else "fpt".
std::string memo_extension(const std::string& path);

// Which memo files open_table reads: FoxPro's FPT (and DCT) only, or also
// the dBase memo file (DBT) of a dBase table with memo (version 0x83, 0x8B).
enum class MemoFormats { kFoxPro, kFoxProAndDbase };

// The name of path's sibling with extension in the letter case of path's own
// extension ("M_KURSMA.KV3" and "cdx" give "M_KURSMA.CDX"): the spelling a
// file copied along with the table most likely has.
std::string sibling_name(const std::string& path, const std::string& extension);

// Opens the table at path (in any letter case) as options say and, when the
// table has memo fields, its memo file. On failure returns nullptr and sets
// *status: an open error (21) with the OS code and the file's name when a
// file cannot be opened (a table with memo fields and no memo file gives OS
// code 2 and the memo file's expected name), else the error of Table::open
// or MemoFile::open.
std::unique_ptr<Table> open_table(const std::string& path, const platform::OpenOptions& options,
                                  Status* status, MemoFormats formats = MemoFormats::kFoxPro);

}  // namespace kx::tables::dbf

#endif  // KX_TABLES_DBF_TABLE_FILES_H_
