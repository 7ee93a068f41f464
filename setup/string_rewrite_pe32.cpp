#include <algorithm>
#include <cstring>
#include <vector>

#include "setup/messages.h"
#include "setup/string_rewrite.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

// The PE32+ image starts behind the 4-byte EFI section header; RVAs are offsets from there.
constexpr uint64_t kImageStart = 4;
constexpr uint8_t kSectionTypePe32 = 0x10;
constexpr uint64_t kDosLfanew = 0x3C;
// Fields of the PE header, from the "PE" signature.
constexpr uint64_t kPeNumberOfSections = 6;
constexpr uint64_t kPeSizeOfOptionalHeader = 20;
constexpr uint64_t kPeOptionalHeader = 24;
constexpr uint64_t kPeSizeOfInitializedData = 32;
constexpr uint64_t kPeSectionAlignment = 56;
constexpr uint64_t kPeSizeOfImage = 80;
constexpr uint64_t kPeResourceRva = 152;
constexpr uint64_t kPeResourceSize = 156;
constexpr uint64_t kPeRelocationRva = 176;
// Section header.
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kSectionVirtualSize = 8;
constexpr uint64_t kSectionVirtualAddress = 12;
constexpr uint64_t kSectionSizeOfRawData = 16;
constexpr uint64_t kSectionPointerToRawData = 20;
// Resource directory.
constexpr uint64_t kResourceNamedEntries = 12;
constexpr uint64_t kResourceIdEntries = 14;
constexpr uint64_t kResourceEntries = 16;
constexpr uint32_t kResourceSubdirectory = 0x80000000;
constexpr int kResourceMaxLevels = 8;  // an HII resource has three; a loop must end

struct PeHeaders {
  uint64_t pe = 0;
  uint64_t section_table = 0;
  uint16_t section_count = 0;
  uint64_t rsrc_header = 0;  // the .rsrc section header
  uint16_t rsrc_index = 0;
};

std::optional<PeHeaders> ReadPeHeaders(std::span<const uint8_t> data) {
  PeHeaders h;
  const auto lfanew = util::ReadLe32(data, kImageStart + kDosLfanew);
  if (!lfanew) return std::nullopt;
  h.pe = kImageStart + *lfanew;
  const auto signature = util::Slice(data, h.pe, 4);
  if (!signature || std::memcmp(signature->data(), "PE\0\0", 4) != 0) return std::nullopt;
  const auto count = util::ReadLe16(data, h.pe + kPeNumberOfSections);
  const auto optional_size = util::ReadLe16(data, h.pe + kPeSizeOfOptionalHeader);
  if (!count || !optional_size) return std::nullopt;
  h.section_count = *count;
  h.section_table = h.pe + kPeOptionalHeader + *optional_size;
  return h;
}

// The first section header whose name begins with ".rsrc".
bool FindRsrc(std::span<const uint8_t> data, PeHeaders& h) {
  for (uint16_t i = 0; i < h.section_count; ++i) {
    const uint64_t header = h.section_table + i * kSectionHeaderSize;
    const auto bytes = util::Slice(data, header, kSectionHeaderSize);
    if (!bytes) return false;
    if (std::memcmp(bytes->data(), ".rsrc", 5) == 0) {
      h.rsrc_header = header;
      h.rsrc_index = i;
      return true;
    }
  }
  return false;
}

// Follows the resource tree from its root down the first entry of every level to the data
// entry; returns the data entry's offset in the module data.
std::optional<uint64_t> FindResourceDataEntry(std::span<const uint8_t> data, uint32_t root_rva) {
  const uint64_t root = kImageStart + root_rva;
  uint64_t directory = root;
  for (int level = 0; level < kResourceMaxLevels; ++level) {
    const auto named = util::ReadLe16(data, directory + kResourceNamedEntries);
    const auto ids = util::ReadLe16(data, directory + kResourceIdEntries);
    if (!named || !ids || *named + *ids == 0) return std::nullopt;
    const auto target = util::ReadLe32(data, directory + kResourceEntries + 4);
    if (!target) return std::nullopt;
    const uint64_t next = root + (*target & ~kResourceSubdirectory);
    if (!(*target & kResourceSubdirectory)) {
      if (!util::Fits(data, next, 8)) return std::nullopt;
      return next;
    }
    directory = next;
  }
  return std::nullopt;
}

}  // namespace

const char* CheckPe32Module(std::span<const uint8_t> data) {
  if (util::ReadU8(data, 3) != kSectionTypePe32) return kMsgNotPe32Module;
  const auto mz = util::Slice(data, kImageStart, 2);
  if (!mz || (*mz)[0] != 'M' || (*mz)[1] != 'Z') return kMsgInvalidDosHeader;
  // A DOS header whose pointer leads to no PE header is as unusable as a missing "MZ".
  std::optional<PeHeaders> headers = ReadPeHeaders(data);
  if (!headers) return kMsgInvalidDosHeader;
  if (!FindRsrc(data, *headers)) return kMsgNoRsrcSection;
  return nullptr;
}

RewriteResult RewritePe32(std::span<const uint8_t> data, const rom::SetupPackages& packages,
                          const StringPlace& place, std::span<const uint8_t> new_text) {
  if (const char* message = CheckPe32Module(data)) return {std::nullopt, message};
  PeHeaders h = *ReadPeHeaders(data);
  FindRsrc(data, h);
  const RewriteResult mismatch{std::nullopt, kMsgStringLayoutMismatch};

  // Every field this rewrite changes must lie in the data, and the list, its padding and the
  // relocation data must follow each other as the fields say; otherwise moving bytes by these
  // fields would damage the module.
  if (!util::Fits(data, h.pe, kPeRelocationRva + 4) ||
      util::LoadLe16(data.data() + h.pe + kPeSizeOfOptionalHeader) <
          kPeRelocationRva + 4 - kPeOptionalHeader ||
      !util::Fits(data, h.section_table, uint64_t(h.section_count) * kSectionHeaderSize)) {
    return mismatch;
  }
  const uint8_t* pe = data.data() + h.pe;
  const uint32_t alignment = util::LoadLe32(pe + kPeSectionAlignment);
  const uint32_t resource_rva = util::LoadLe32(pe + kPeResourceRva);
  const uint32_t relocation_rva = util::LoadLe32(pe + kPeRelocationRva);
  const auto data_entry = FindResourceDataEntry(data, resource_rva);
  if (alignment == 0 || !data_entry || !packages.strings_package) return mismatch;

  const uint64_t list = packages.package_list_offset;
  const auto list_length = util::ReadLe32(data, list + 16);
  if (!list_length || kImageStart + util::LoadLe32(data.data() + *data_entry) != list) {
    return mismatch;
  }
  const uint64_t list_end = list + *list_length;
  const uint64_t pad0 = PaddingTo(*list_length, alignment);
  const uint64_t tail_start = kImageStart + relocation_rva;
  const uint64_t string_end = place.position + place.old_length;
  const uint64_t strings = *packages.strings_package;
  const auto strings_header = util::ReadLe32(data, strings);
  const uint32_t section_size = util::LoadLe24(data.data());
  if (tail_start != list_end + pad0 || tail_start > data.size() || section_size < tail_start ||
      section_size > data.size() || place.position < list + kPackageListHeader ||
      string_end > list_end || !strings_header || strings < list + kPackageListHeader ||
      strings + (*strings_header & kMax24) > list_end) {
    return mismatch;
  }
  for (uint16_t i = h.rsrc_index + 1; i < h.section_count; ++i) {
    const uint64_t header = h.section_table + i * kSectionHeaderSize;
    if (kImageStart + util::LoadLe32(data.data() + header + kSectionVirtualAddress) < tail_start) {
      return mismatch;
    }
  }

  const int64_t delta = int64_t(new_text.size()) - int64_t(place.old_length);
  const uint64_t new_list_length = *list_length + delta;
  const uint64_t pad1 = PaddingTo(new_list_length, alignment);
  const int64_t delta2 = delta + int64_t(pad1) - int64_t(pad0);
  if (int64_t(section_size) + delta2 > kMax24 ||
      int64_t(*strings_header & kMax24) + delta > kMax24) {
    return {std::nullopt, kMsgStringTooLong};
  }

  // Every field changed here lies in the headers, the resource directory and the package
  // headers, all before the string, so none of them moves.
  struct Field {
    uint64_t offset;
    uint64_t width;
    int64_t amount;
  };
  std::vector<Field> fields = {
      {h.pe + kPeResourceSize, 4, delta},
      {h.rsrc_header + kSectionVirtualSize, 4, delta},
      {*data_entry + 4, 4, delta},
      {list + 16, 4, delta},
      {strings, 3, delta},
      {h.pe + kPeSizeOfInitializedData, 4, delta2},
      {h.pe + kPeSizeOfImage, 4, delta2},
      {0, 3, delta2},
      {h.rsrc_header + kSectionSizeOfRawData, 4, delta2},
  };
  for (uint16_t i = h.rsrc_index + 1; i < h.section_count; ++i) {
    const uint64_t header = h.section_table + i * kSectionHeaderSize;
    fields.push_back({header + kSectionVirtualAddress, 4, delta2});
    fields.push_back({header + kSectionPointerToRawData, 4, delta2});
  }
  for (const Field& field : fields) {
    if (field.offset + field.width > place.position) return mismatch;
  }
  if (h.pe + kPeRelocationRva + 4 > place.position) return mismatch;

  ModuleRewrite r;
  r.string_end = string_end;
  r.delta = delta;
  r.tail_start = tail_start;
  r.tail_shift = delta2;
  r.data = SpliceModule(data, place, new_text, list_end, pad1, tail_start);
  uint8_t* out = r.data.data();
  for (const Field& field : fields) {
    if (field.width == 3) {
      util::StoreLe24(out + field.offset,
                      uint32_t(util::LoadLe24(out + field.offset) + field.amount));
    } else {
      util::StoreLe32(out + field.offset,
                      uint32_t(util::LoadLe32(out + field.offset) + field.amount));
    }
  }
  util::StoreLe32(out + h.pe + kPeRelocationRva,
                  uint32_t(list + new_list_length + pad1 - kImageStart));
  // Linkers round .rsrc's VirtualSize (and the directory size with it) up by a few bytes past
  // the list; grown by the change alone it could reach past SizeOfRawData into .reloc, whose
  // place the padding decides. Both stay within the section's raw size.
  const uint32_t raw_size = util::LoadLe32(out + h.rsrc_header + kSectionSizeOfRawData);
  for (const uint64_t size_field : {h.pe + kPeResourceSize, h.rsrc_header + kSectionVirtualSize}) {
    util::StoreLe32(out + size_field, std::min(util::LoadLe32(out + size_field), raw_size));
  }
  return {std::move(r), nullptr};
}

}  // namespace kalvire::setup
