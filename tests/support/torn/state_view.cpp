#include "support/torn/state_view.h"

#include <set>

#include "support/torn/pos_files.h"
#include "support/torn/tag_edit.h"

namespace kx::test {
namespace {

namespace cdx_pages = writer::cdx_pages;
using cdx_pages::Entry;
using cdx_pages::kNone;
using cdx_pages::kPage;
using cdx_pages::Page;

constexpr size_t kMaxDepth = 32;

uint32_t le(const std::string& b, size_t at, size_t width) {
  uint32_t v = 0;
  for (size_t i = width; i > 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i - 1]);
  return v;
}

std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The rate table's records as they stand: a record held whole, whose
// deletion flag is a blank or an asterisk, else currency_id -1.
bool read_rates(const std::string& dbf, std::vector<writer::Rate>* rates) {
  if (dbf.size() < 32) return false;
  const uint32_t count = le(dbf, 4, 4), header = le(dbf, 8, 2), length = le(dbf, 10, 2);
  if (length != 41) return false;  // MAUANG_ID N4, TANGGAL D, two N(14,2)
  for (uint64_t n = 0; n < count; ++n) {
    writer::Rate r;
    r.currency_id = -1;
    const uint64_t at = header + n * length;
    if (at + length <= dbf.size() && (dbf[at] == ' ' || dbf[at] == '*')) {
      r.currency_id = std::atoi(trim(dbf.substr(at + 1, 4)).c_str());
      r.tanggal = Date::from_dtos(dbf.substr(at + 5, 8));
      r.kurs_beli = trim(dbf.substr(at + 13, 14));
      r.kurs_jual = trim(dbf.substr(at + 27, 14));
    }
    rates->push_back(r);
  }
  return true;
}

class TreeCheck {
 public:
  TreeCheck(const std::string& image, const CdxTag& tag) : image_(image), tag_(tag) {}

  // Walks the tree from root; the leaves' entries in order into *entries.
  bool walk(uint64_t root, std::vector<Entry>* entries) {
    Entry last;
    if (!node(root, 0, true, &last, entries)) return false;
    for (const std::vector<Page>& level : levels_) {
      for (size_t i = 0; i < level.size(); ++i) {
        const uint32_t left = i == 0 ? kNone : static_cast<uint32_t>(level[i - 1].offset);
        const uint32_t right =
            i + 1 == level.size() ? kNone : static_cast<uint32_t>(level[i + 1].offset);
        if (level[i].left != left || level[i].right != right) return false;
      }
    }
    for (size_t i = 1; i < entries->size(); ++i) {
      if (!cdx_pages::entry_less((*entries)[i - 1], (*entries)[i])) return false;
    }
    return true;
  }

 private:
  bool node(uint64_t at, size_t depth, bool root, Entry* last, std::vector<Entry>* entries) {
    if (depth == kMaxDepth || at % kPage != 0 || at + kPage > image_.size() ||
        !seen_.insert(at).second)
      return false;
    Page page;
    std::string why;
    if (!cdx_pages::decode_page(image_.substr(at, kPage), at, tag_.key_length, tag_.fill, &page,
                                &why) ||
        page.entries.empty() || page.root() != root)
      return false;
    if (levels_.size() <= depth) levels_.resize(depth + 1);
    levels_[depth].push_back(page);
    if (page.leaf()) {
      if (leaf_depth_ != 0 && leaf_depth_ != depth + 1) return false;
      leaf_depth_ = depth + 1;
      entries->insert(entries->end(), page.entries.begin(), page.entries.end());
      *last = page.entries.back();
      return true;
    }
    for (const Entry& e : page.entries) {
      Entry child_last;
      if (!node(e.child, depth + 1, false, &child_last, entries) || child_last.key != e.key ||
          child_last.recno != e.recno)
        return false;
    }
    *last = page.entries.back();
    return true;
  }

  const std::string& image_;
  const CdxTag& tag_;
  std::set<uint64_t> seen_;
  std::vector<std::vector<Page>> levels_;
  size_t leaf_depth_ = 0;
};

}  // namespace

bool trusted_view(const FileImages& images, const std::vector<writer::Currency>& currencies,
                  PosContent* visible) {
  const auto control = images.find("M_KONTRO.KV3");
  const auto table = images.find("M_KURSMA.KV3");
  const auto index = images.find("M_KURSMA.CDX");
  if (control == images.end() || table == images.end() || index == images.end()) return false;
  const std::string& kontro = control->second;
  if (kontro.size() < 32 || le(kontro, 4, 4) == 0) return false;
  // AKTIF: the sixth field, after DATAID N10, VERSI N5, NAMA C50, ALAMAT C100, NPWP C25.
  const uint64_t aktif = le(kontro, 8, 2) + 191;
  if (aktif + 8 > kontro.size()) return false;
  visible->aktif = Date::from_dtos(kontro.substr(aktif, 8));
  if (visible->aktif.empty()) return false;
  std::vector<writer::Rate> rates;
  if (!read_rates(table->second, &rates)) return false;
  std::vector<CdxTag> tags;
  std::string error;
  if (!read_tags(index->second, &tags, &error)) return false;
  for (CdxTag& tag : tags) {
    if (tag.name != "MU_TGL") continue;
    tag.fill = ' ';
    std::vector<Entry> entries;
    TreeCheck check(index->second, tag);
    if (!check.walk(le(index->second, tag.header, 4), &entries)) return false;
    visible->currencies = currencies;
    visible->rates.assign(rates.size(), writer::Rate{-1, Date(), "", ""});
    for (const Entry& e : entries) {
      if (e.recno == 0 || e.recno > rates.size()) return false;
      const writer::Rate& r = rates[e.recno - 1];
      if (r.currency_id < 0 || writer::mu_tgl_key(r.currency_id, r.tanggal, 4) != e.key)
        return false;
      visible->rates[e.recno - 1] = r;
    }
    return true;
  }
  return false;
}

namespace {

// The page at offset, when it is a sound one of the file with entries.
bool sound_page(const std::string& image, uint64_t offset, uint16_t key_length, Page* page) {
  std::string error;
  return offset % kPage == 0 && offset + kPage <= image.size() &&
         decode_page(image.substr(offset, kPage), offset, key_length, ' ', page, &error) &&
         !page->entries.empty();
}

}  // namespace

bool rate_tag_unreadable(const FileImages& images) {
  const auto index = images.find(pos_files::kIndex);
  if (index == images.end()) return true;
  const std::string& image = index->second;
  std::vector<CdxTag> tags;
  std::string error;
  if (!read_tags(image, &tags, &error)) return true;
  for (const CdxTag& tag : tags) {
    if (tag.name != "MU_TGL") continue;
    // Every page that a parent or the leaf level points to must be there.
    std::vector<uint64_t> level = {le(image, tag.header, 4)};
    std::set<uint64_t> seen;
    uint64_t first_leaf = 0;
    for (size_t depth = 0; !level.empty() && depth < kMaxDepth; ++depth) {
      std::vector<uint64_t> below;
      for (const uint64_t offset : level) {
        Page page;
        if (!seen.insert(offset).second || !sound_page(image, offset, tag.key_length, &page)) {
          return true;
        }
        if (page.leaf()) {
          if (first_leaf == 0) first_leaf = offset;
          continue;
        }
        for (const Entry& e : page.entries) below.push_back(e.child);
      }
      level = std::move(below);
    }
    for (uint64_t leaf = first_leaf, hops = 0; leaf != kNone && hops < image.size() / kPage;
         ++hops) {
      Page page;
      if (!sound_page(image, leaf, tag.key_length, &page) || !page.leaf()) return true;
      leaf = page.right;
    }
    return false;
  }
  return true;
}

}  // namespace kx::test
