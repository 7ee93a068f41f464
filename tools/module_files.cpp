#include "tools/module_files.h"

#include <stdexcept>

#include "tools/pe32_builder.h"

namespace kalvire::tools {

std::vector<Section> StoreSections(ModuleStorage storage, std::vector<Section> content) {
  switch (storage) {
    case ModuleStorage::kPlain:
      return content;
    case ModuleStorage::kStored:
      return {Section::Compressed(Compression::kStored, std::move(content))};
    case ModuleStorage::kEfi:
      return {Section::Compressed(Compression::kEfi, std::move(content))};
    case ModuleStorage::kTiano:
      return {Section::Compressed(Compression::kTiano, std::move(content))};
    case ModuleStorage::kLzmaGuided:
      return {Section::LzmaGuided(std::move(content))};
    case ModuleStorage::kLzmaCompressed:
      return {Section::Compressed(Compression::kLzma, std::move(content))};
  }
  return content;
}

namespace {

FfsFile DriverFile(const Guid& name, std::vector<Section> content, ModuleStorage storage) {
  std::vector<Section> sections{Section::DepexTrue()};
  for (Section& s : StoreSections(storage, std::move(content))) sections.push_back(std::move(s));
  return FfsFile::WithSections(name, FileType::kDriver, std::move(sections));
}

}  // namespace

FfsFile BuildSetupFile(const HiiPackageList& list, SetupLayout layout, ModuleStorage storage,
                       Pe32Options image) {
  const Bytes list_bytes = BuildHiiPackageList(list);
  std::vector<Section> content;
  if (layout == SetupLayout::kPe32) {
    if (list.guid != kHiiPe32ListGuid) {
      throw std::invalid_argument("a package list in .rsrc carries the Setup driver's GUID");
    }
    image.hii_package_list = list_bytes;
    content.push_back(Section::Pe32(BuildPe32Image(image)));
  } else {
    if (list.guid != kHiiSectionListGuid) {
      throw std::invalid_argument("a package list in a section carries the HII section GUID");
    }
    image.hii_package_list.reset();
    content.push_back(Section::Pe32(BuildPe32Image(image)));
    content.push_back(
        Section::FreeformGuid(list.guid, Bytes(list_bytes.begin() + 16, list_bytes.end())));
  }
  content.push_back(Section::UserInterface("Setup"));
  return DriverFile(kSetupFileGuid, std::move(content), storage);
}

FfsFile BuildAmiTseFile(const Guid& name, const Bytes& spf_data, ModuleStorage storage) {
  Pe32Options options;
  const std::string_view decoy = "$SPF package not found";
  options.data.resize(AlignUp(decoy.size() + 1, 16) + spf_data.size(), 0);
  std::copy(decoy.begin(), decoy.end(), options.data.begin());
  std::copy(spf_data.begin(), spf_data.end(), options.data.end() - spf_data.size());
  std::vector<Section> content{Section::Pe32(BuildPe32Image(options)),
                               Section::UserInterface("AMITSE")};
  return DriverFile(name, std::move(content), storage);
}

FfsFile BuildDmiFile(const std::vector<SmbiosStructure>& structures, uint32_t area_size,
                     ModuleStorage storage) {
  return FfsFile::WithSections(kDmiFileGuid, FileType::kFreeform,
                               StoreSections(storage, {BuildDmiSection(structures, area_size)}));
}

FfsFile BuildNvramFile(Bytes store) {
  return FfsFile::WithRawBody(kNvramStoreGuid, FileType::kRaw, std::move(store));
}

FfsFile BuildVolumeImageFile(const Guid& name, Bytes volume, ModuleStorage storage) {
  std::vector<Section> content;
  if (storage == ModuleStorage::kLzmaGuided) content.push_back(Section::Raw(Bytes(8, 0)));
  content.push_back(Section::FvImage(std::move(volume)));
  return FfsFile::WithSections(name, FileType::kFvImage,
                               StoreSections(storage, std::move(content)));
}

FfsFile BuildFillerDriver(const Guid& name, std::string_view ui_name, uint32_t code_size,
                          ModuleStorage storage, uint64_t seed) {
  // Code-like filler: short repeated instruction patterns with varying operands, so that the
  // compressors have realistic work.
  Pe32Options options;
  options.code.resize(code_size);
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  for (uint32_t i = 0; i < code_size; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    static constexpr uint8_t kPattern[] = {0x48, 0x89, 0x5C, 0x24, 0x08, 0x57, 0x48, 0x83,
                                           0xEC, 0x20, 0xE8, 0x00, 0x00, 0x00, 0x00, 0xC3};
    options.code[i] = (state & 3) == 0 ? uint8_t(state >> 8) : kPattern[i % sizeof(kPattern)];
  }
  std::vector<Section> content{Section::Pe32(BuildPe32Image(options)),
                               Section::UserInterface(ui_name)};
  return DriverFile(name, std::move(content), storage);
}

}  // namespace kalvire::tools
