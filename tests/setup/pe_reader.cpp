#include "pe_reader.h"

#include <algorithm>
#include <cstring>

namespace kalvire::setup::test {
namespace {

constexpr uint64_t kImage = 4;  // the PE32 section header comes first

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

class Reader {
 public:
  Reader(std::span<const uint8_t> data, SetupModuleReport& report) : m_data(data), m_r(report) {}

  void Fault(const std::string& text) { m_r.faults.push_back(text); }
  uint64_t Get(uint64_t offset, int width) {
    if (offset > m_data.size() || uint64_t(width) > m_data.size() - offset) {
      Fault("read past the data at " + std::to_string(offset));
      return 0;
    }
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | m_data[offset + i];
    return value;
  }
  uint32_t U16(uint64_t o) { return uint32_t(Get(o, 2)); }
  uint32_t U24(uint64_t o) { return uint32_t(Get(o, 3)); }
  uint32_t U32(uint64_t o) { return uint32_t(Get(o, 4)); }

  // The module data is a chain of sections, each 4-byte aligned from the start of the data
  // that holds them, that ends with that data; stored compression sections hold chains too.
  std::vector<uint64_t> SectionChain() {
    std::vector<uint64_t> starts;
    Chain(0, m_data.size(), starts);
    return starts;
  }
  void Chain(uint64_t base, uint64_t end, std::vector<uint64_t>& starts) {
    uint64_t pos = base;
    while (pos < end) {
      const uint32_t size = U24(pos);
      if (size < 4 || pos + size > end) {
        Fault("section at " + std::to_string(pos) + " has size " + std::to_string(size));
        return;
      }
      starts.push_back(pos);
      if (m_data[pos + 3] == 0x01 && size >= 9 && m_data[pos + 8] == 0) {
        if (U32(pos + 4) != size - 9) Fault("stored compression length is not its size");
        Chain(pos + 9, pos + size, starts);
      }
      pos += size;
      if (pos < end) pos = base + ((pos - base + 3) & ~uint64_t{3});
    }
    if (pos != end) Fault("section chain does not end with its data");
  }

  void PackageList(uint64_t list, uint64_t end) {
    m_r.list_offset = list;
    m_r.list_end = end;
    uint64_t pos = list + 20;
    while (pos < end) {
      const uint32_t header = U32(pos);
      const uint32_t length = header & 0xFFFFFF;
      const uint8_t type = uint8_t(header >> 24);
      if (length < 4 || pos + length > end) {
        Fault("package at " + std::to_string(pos) + " of length " + std::to_string(length) +
              " leaves the list");
        return;
      }
      if (type == 0x02) FormsPackage(pos, pos + length);
      if (type == 0x04) StringPackage(pos, pos + length);
      pos += length;
      if (type == 0xDF) break;
    }
    if (pos != end) Fault("packages end at " + std::to_string(pos) + ", not at the list's end");
  }

  void FormsPackage(uint64_t package, uint64_t end) {
    m_r.forms_packages.push_back(package);
    uint64_t pos = package + 4;
    while (pos < end) {
      const uint32_t length = Get(pos + 1, 1) & 0x7F;
      if (length < 2 || pos + length > end) {
        Fault("IFR opcode at " + std::to_string(pos) + " leaves its package");
        return;
      }
      m_r.opcodes[pos] = m_data[pos];
      pos += length;
    }
  }

  void StringPackage(uint64_t package, uint64_t end) {
    if (end - package < 52 || std::memcmp(m_data.data() + package + 46, "en-US", 6) != 0) return;
    m_r.strings.clear();
    uint64_t pos = package + U32(package + 8);
    uint16_t id = 1;
    while (pos < end && m_data[pos] == 0x14) {
      std::u16string text;
      uint64_t q = pos + 1;
      for (; q + 2 <= end && U16(q) != 0; q += 2) text.push_back(char16_t(U16(q)));
      if (q + 2 > end) {
        Fault("string " + std::to_string(id) + " has no end inside its package");
        return;
      }
      m_r.strings[id++] = text;
      pos = q + 2;
    }
  }

  uint64_t ResourceDataEntry(uint32_t root_rva) {
    uint64_t dir = kImage + root_rva;
    for (int level = 0; level < 3; ++level) {
      if (U16(dir + 12) + U16(dir + 14) != 1) Fault("resource level with other than one entry");
      const uint32_t target = U32(dir + 20);
      const bool subdirectory = target & 0x80000000u;
      if (subdirectory != (level < 2)) Fault("resource tree is not three levels deep");
      dir = kImage + root_rva + (target & 0x7FFFFFFF);
    }
    return dir;
  }

 private:
  std::span<const uint8_t> m_data;
  SetupModuleReport& m_r;
};

}  // namespace

std::u16string Ucs2(const std::string& latin1) {
  std::u16string out;
  for (const char c : latin1) out.push_back(char16_t(uint8_t(c)));
  return out;
}

SetupModuleReport ReadPe32SetupModule(std::span<const uint8_t> data) {
  SetupModuleReport r;
  Reader in(data, r);
  const auto fault_unless = [&r](bool ok, const std::string& text) {
    if (!ok) r.faults.push_back(text);
  };
  if (data.size() < 0x100) {
    r.faults.push_back("module too short");
    return r;
  }
  fault_unless(data[3] == 0x10, "not a PE32 section");
  const uint32_t pe32_size = in.U24(0);
  const std::vector<uint64_t> chain = in.SectionChain();
  if (!r.faults.empty()) return r;
  fault_unless(data[4] == 'M' && data[5] == 'Z', "no MZ");
  const uint64_t pe = kImage + in.U32(kImage + 0x3C);
  fault_unless(in.U32(pe) == 0x4550, "no PE signature");
  const uint64_t opt = pe + 24;
  fault_unless(in.U16(opt) == 0x20B, "not PE32+");
  const uint32_t count = in.U16(pe + 6);
  const uint64_t table = opt + in.U16(pe + 20);
  const uint32_t section_alignment = in.U32(opt + 32);
  const uint32_t file_alignment = in.U32(opt + 36);
  const uint32_t image_size = in.U32(opt + 56);
  const uint32_t headers_size = in.U32(opt + 60);
  const uint32_t resource_rva = in.U32(opt + 112 + 16);
  const uint32_t resource_size = in.U32(opt + 112 + 20);
  r.relocation_rva = in.U32(opt + 112 + 40);
  const uint32_t relocation_size = in.U32(opt + 112 + 44);
  if (!r.faults.empty() || section_alignment == 0 || file_alignment == 0) {
    r.faults.push_back("unreadable headers");
    return r;
  }
  fault_unless(image_size == pe32_size - kImage, "SizeOfImage is not the PE32 section's body");

  uint32_t expected_rva = headers_size;
  uint32_t code = 0;
  uint32_t initialized = 0;
  const PeSection* rsrc = nullptr;
  const PeSection* reloc = nullptr;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t h = table + 40 * i;
    PeSection s;
    for (uint64_t c = 0; c < 8 && in.Get(h + c, 1) != 0; ++c) s.name.push_back(char(data[h + c]));
    s.virtual_size = in.U32(h + 8);
    s.rva = in.U32(h + 12);
    s.raw_size = in.U32(h + 16);
    s.raw_pointer = in.U32(h + 20);
    const uint32_t characteristics = in.U32(h + 36);
    const std::string who = "section " + s.name + ": ";
    fault_unless(s.rva == expected_rva, who + "does not follow the one before");
    fault_unless(s.rva % section_alignment == 0, who + "RVA not aligned");
    fault_unless(s.raw_pointer == s.rva, who + "PointerToRawData is not its RVA");
    fault_unless(s.raw_size % file_alignment == 0, who + "SizeOfRawData not aligned");
    fault_unless(s.virtual_size <= s.raw_size, who + "VirtualSize above SizeOfRawData");
    expected_rva = s.rva + s.raw_size;
    if (characteristics & 0x20) code += s.raw_size;
    if (characteristics & 0x40) initialized += s.raw_size;
    r.sections.push_back(s);
  }
  fault_unless(expected_rva == image_size, "sections do not end at SizeOfImage");
  fault_unless(in.U32(opt + 4) == code, "SizeOfCode");
  fault_unless(in.U32(opt + 8) == initialized, "SizeOfInitializedData");
  for (const PeSection& s : r.sections) {
    if (s.name == ".rsrc") rsrc = &s;
    if (s.name == ".reloc") reloc = &s;
  }
  if (!rsrc || !reloc) {
    r.faults.push_back("no .rsrc or no .reloc");
    return r;
  }
  fault_unless(resource_rva == rsrc->rva && resource_size == rsrc->virtual_size,
               "resource directory is not .rsrc");
  const uint64_t entry = in.ResourceDataEntry(resource_rva);
  const uint32_t list_rva = in.U32(entry);
  const uint32_t list_size = in.U32(entry + 4);
  fault_unless(list_rva >= rsrc->rva && list_rva + list_size <= rsrc->rva + rsrc->virtual_size,
               "package list outside the resource data");
  fault_unless(AlignUp(list_rva + list_size, section_alignment) == rsrc->rva + rsrc->raw_size,
               "package list padding is not what .rsrc's raw size leaves");
  r.padding_is_fd = true;
  for (uint64_t p = kImage + list_rva + list_size; p < kImage + rsrc->rva + rsrc->raw_size; ++p) {
    r.padding_is_fd = r.padding_is_fd && in.Get(p, 1) == 0xFD;
  }

  fault_unless(r.relocation_rva == reloc->rva && relocation_size <= reloc->virtual_size,
               "relocation directory is not .reloc");
  for (uint64_t block = r.relocation_rva; block < uint64_t(r.relocation_rva) + relocation_size;) {
    const uint32_t page = in.U32(kImage + block);
    const uint32_t block_size = in.U32(kImage + block + 4);
    if (block_size < 8 || block_size % 2 != 0) {
      r.faults.push_back("relocation block of size " + std::to_string(block_size));
      break;
    }
    for (uint64_t e = block + 8; e < block + block_size; e += 2) {
      const uint32_t fixup = in.U16(kImage + e);
      const uint32_t target = page + (fixup & 0xFFF);
      if (fixup >> 12 == 10) {
        fault_unless(uint64_t(target) + 8 <= image_size, "relocation outside the image");
        fault_unless(in.Get(kImage + target, 8) < image_size,
                     "relocated pointer does not point into the image");
      } else {
        fault_unless(fixup >> 12 == 0, "relocation of an unexpected type");
      }
    }
    block += block_size;
  }

  const uint64_t list = kImage + list_rva;
  fault_unless(in.U32(list + 16) == list_size, "package list length is not the resource size");
  fault_unless(std::find(chain.begin(), chain.end(), 0) != chain.end(), "no PE32 section");
  in.PackageList(list, list + list_size);
  return r;
}

SetupModuleReport ReadSectionSetupModule(std::span<const uint8_t> data, uint64_t list_offset) {
  SetupModuleReport r;
  Reader in(data, r);
  if (list_offset < 4 || list_offset + 20 > data.size()) {
    r.faults.push_back("no package list at the offset");
    return r;
  }
  const std::vector<uint64_t> chain = in.SectionChain();
  const uint64_t section = list_offset - 4;
  if (std::find(chain.begin(), chain.end(), section) == chain.end()) {
    r.faults.push_back("package list section is not in the section chain");
  }
  if (data[section + 3] != 0x18) r.faults.push_back("package list section is not free-form");
  if (!r.faults.empty()) return r;
  in.PackageList(list_offset, section + in.U24(section));
  return r;
}

}  // namespace kalvire::setup::test
