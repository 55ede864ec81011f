// What a reader that trusts the files as they stand would report: when a
// state shows nothing wrong to a careful reader (every MU_TGL node sound,
// separators equal to their children's last keys, sibling links mirrored,
// keys in order, every entry a counted record held whole in the table whose
// fields give that key, a valid AKTIF), the content that its index shows.
// A state that keys have left in one page and not yet reached in another
// looks like this: no reader can tell it from a finished one.
#ifndef KX_TESTS_SUPPORT_TORN_STATE_VIEW_H_
#define KX_TESTS_SUPPORT_TORN_STATE_VIEW_H_

#include <string>

#include "support/torn/pos_content.h"
#include "support/torn/write_call.h"

namespace kx::test {

// True with *visible set (currencies from currencies; a record the index
// does not reach gets currency_id -1) when the state looks finished.
bool trusted_view(const FileImages& images, const std::vector<writer::Currency>& currencies,
                  PosContent* visible);

// True when the index as it stands does not hold the whole rate tag: no
// directory that lists MU_TGL, or a page that the tag header, a parent or a
// sibling link points to that is not a sound page with entries (the index is
// being written anew, or a pointer was written before its page). No reader
// can look up the rates kept in the pages missing.
bool rate_tag_unreadable(const FileImages& images);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TORN_STATE_VIEW_H_
