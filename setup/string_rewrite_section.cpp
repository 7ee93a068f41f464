#include <algorithm>
#include <vector>

#include "rom/section.h"
#include "setup/messages.h"
#include "setup/string_rewrite.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

constexpr uint64_t kSectionHeaderSize = 4;
constexpr uint64_t kSectionAlignment = 4;
constexpr uint8_t kSectionCompression = 0x01;
constexpr uint64_t kCompressionUncompressedLength = 4;
constexpr uint64_t kCompressionType = 8;
constexpr uint64_t kCompressionHeaderSize = 9;
constexpr int kMaxNesting = 8;

// The stored compression sections of the module data that hold the section at `target`, from
// the outermost in. A module extracted from a stored compression section starts with it, and
// its size and UncompressedLength grow with the package list like the list's own section.
std::vector<uint64_t> EnclosingStoredSections(std::span<const uint8_t> data, uint64_t target) {
  std::vector<uint64_t> enclosing;
  uint64_t base = 0;
  uint64_t pos = 0;
  uint64_t end = data.size();
  while (pos < end && enclosing.size() < kMaxNesting) {
    const auto size = util::ReadLe24(data, pos);
    if (!size || *size < kSectionHeaderSize || *size > end - pos) break;
    if (pos == target) return enclosing;
    if (pos < target && target < pos + *size) {
      if (data[pos + 3] != kSectionCompression || *size < kCompressionHeaderSize ||
          data[pos + kCompressionType] != 0) {
        break;
      }
      enclosing.push_back(pos);
      end = pos + *size;
      base = pos = pos + kCompressionHeaderSize;
      continue;
    }
    pos =
        base + (pos + *size - base + kSectionAlignment - 1) / kSectionAlignment * kSectionAlignment;
  }
  return {};
}

}  // namespace

RewriteResult RewriteSection(std::span<const uint8_t> data, const rom::SetupPackages& packages,
                             const StringPlace& place, std::span<const uint8_t> new_text) {
  const RewriteResult mismatch{std::nullopt, kMsgStringLayoutMismatch};
  const uint64_t list = packages.package_list_offset;
  if (list < kSectionHeaderSize || !packages.strings_package) return mismatch;
  const uint64_t section = list - kSectionHeaderSize;
  const auto section_size = util::ReadLe24(data, section);
  if (!section_size) return mismatch;
  const uint32_t size = *section_size;
  const uint64_t section_end = section + size;
  const uint64_t strings = *packages.strings_package;
  const auto strings_header = util::ReadLe32(data, strings);
  const uint64_t string_end = place.position + place.old_length;
  // The section must hold the list header, the string package and the string, all inside the
  // data; the changed fields (section header, list length, string package header) lie before
  // the string, so they stay where they are.
  if (section_end > data.size() || size < kSectionHeaderSize + kPackageListHeader ||
      !strings_header || strings < list + kPackageListHeader ||
      strings + (*strings_header & kMax24) > section_end || place.position < strings + 4 ||
      string_end > section_end) {
    return mismatch;
  }
  const int64_t delta = int64_t(new_text.size()) - int64_t(place.old_length);
  const uint64_t new_size = size + delta;
  if (new_size > kMax24 || int64_t(*strings_header & kMax24) + delta > kMax24) {
    return {std::nullopt, kMsgStringTooLong};
  }
  // A last section has no padding behind it.
  const uint64_t tail_start =
      std::min<uint64_t>(section_end + PaddingTo(size, kSectionAlignment), data.size());
  const uint64_t pad1 = PaddingTo(new_size, kSectionAlignment);
  const std::vector<uint64_t> enclosing = EnclosingStoredSections(data, section);
  std::vector<uint64_t> enclosing_sizes;
  for (const uint64_t outer : enclosing) {
    const uint64_t outer_end = outer + util::LoadLe24(data.data() + outer);
    // The padding behind the list's section belongs to the enclosing section only when
    // something follows inside it.
    const uint64_t new_end = outer_end == section_end
                                 ? section + new_size
                                 : outer_end + delta + pad1 - (tail_start - section_end);
    if (new_end - outer > kMax24) return {std::nullopt, kMsgStringTooLong};
    enclosing_sizes.push_back(new_end - outer);
  }

  ModuleRewrite r;
  r.string_end = string_end;
  r.delta = delta;
  r.tail_start = tail_start;
  r.tail_shift = delta + int64_t(pad1) - int64_t(tail_start - section_end);
  r.data = SpliceModule(data, place, new_text, section_end, pad1, tail_start);
  uint8_t* out = r.data.data();
  rom::WriteSectionSize(out + section, uint32_t(new_size));
  util::StoreLe24(out + strings, uint32_t((*strings_header & kMax24) + delta));
  for (size_t i = 0; i < enclosing.size(); ++i) {
    uint8_t* outer = out + enclosing[i];
    const uint32_t old_size = util::LoadLe24(outer);
    rom::WriteSectionSize(outer, uint32_t(enclosing_sizes[i]));
    util::StoreLe32(outer + kCompressionUncompressedLength,
                    uint32_t(util::LoadLe32(outer + kCompressionUncompressedLength) +
                             enclosing_sizes[i] - old_size));
  }
  // Lists of this layout usually carry another value than their length here; one that holds
  // the length keeps holding it.
  const uint32_t list_length = util::LoadLe32(out + list + 16);
  if (list_length == size - kSectionHeaderSize) {
    util::StoreLe32(out + list + 16, uint32_t(new_size - kSectionHeaderSize));
  }
  return {std::move(r), nullptr};
}

}  // namespace kalvire::setup
