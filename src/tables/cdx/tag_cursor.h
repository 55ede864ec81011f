// The TagCursor implementations that IndexFile hands out.
#ifndef KX_TABLES_CDX_TAG_CURSOR_H_
#define KX_TABLES_CDX_TAG_CURSOR_H_

#include <memory>

#include "tables/cdx/index_file.h"
#include "tables/cdx/tree_walker.h"
#include "tables/paged_file.h"
#include "tables/status.h"

namespace kx::tables::cdx {

// A cursor over a B-tree tag in the tag's order (descending tags walk the
// stored ascending tree backwards). file must outlive the cursor.
std::unique_ptr<TagCursor> make_tag_cursor(PagedFile* file, const TagInfo& tag, TagHome home = {});

// A cursor that is never valid and reports status (for tags that cannot be
// walked, such as bitmap tags).
std::unique_ptr<TagCursor> make_failed_cursor(Status status);

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_TAG_CURSOR_H_
