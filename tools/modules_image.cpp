#include "tools/modules_image.h"

#include <stdexcept>

#include "tools/hii_builder.h"
#include "tools/image_builder.h"
#include "tools/nvram_builder.h"
#include "tools/sample_forms.h"
#include "tools/sample_image.h"
#include "tools/spf_builder.h"

namespace kalvire::tools {

namespace {

FfsFile Filler(uint8_t n, uint32_t size) {
  Guid name = GuidFromString("5AFE0000-0000-4000-8000-000000000000");
  name[0] = n;
  return BuildFillerDriver(name, "Filler", size, ModuleStorage::kPlain, n);
}

FfsFile Raw(const char* guid, uint8_t n, uint32_t size) {
  Guid name = GuidFromString(guid);
  name[15] = n;
  return FfsFile::WithRawBody(name, FileType::kRaw, Bytes(size, n));
}

// The file with its last section, an LZMA GUID-defined one, holding `input` instead.
void FlipLzmaData(FfsFile& file, uint64_t offset, uint8_t mask) {
  Bytes input = file.sections.back().EncodedInput();
  if (offset >= input.size()) throw std::invalid_argument("flip offset past the module data");
  input[offset] ^= mask;
  file.sections.back() =
      Section::GuidDefined(kLzmaSectionGuid, 0x01, EncodePayload(Compression::kLzma, input));
}

}  // namespace

Bytes BuildModulesImage(const ModulesImageOptions& options) {
  HiiPackageList forms = BuildSampleForms();
  if (options.layout == SetupLayout::kSection) {
    forms.guid = kHiiSectionListGuid;
    forms.strings_first = true;
  }
  std::vector<FfsFile> modules = {
      Filler(1, 0x900),
      BuildDmiFile(BuildSampleSmbios(), kSampleDmiAreaSize, options.storage),
      Filler(2, 0x700),
      BuildSetupFile(forms, options.layout, options.storage),
      Filler(3, 0x500),
      BuildAmiTseFile(kAmiTseFileGuid, BuildSpfData(FormsInParseOrder(forms)), options.storage),
      Filler(4, 0x300),
  };
  if (options.flip_mask != 0) {
    for (FfsFile& file : modules) {
      if (file.name == options.flip_file)
        FlipLzmaData(file, options.flip_offset, options.flip_mask);
    }
  }
  Volume outer, inner;
  outer.size = 0x100000;
  outer.ext_name = GuidFromString("5AFE0000-0000-4000-8000-0000000000EE");
  outer.files = std::move(modules);
  if (options.nested) {
    inner.size = 0x80000;
    inner.files = std::move(outer.files);
    outer.files = {Filler(5, 0x600),
                   BuildVolumeImageFile(GuidFromString("5AFE0000-0000-4000-8000-0000000000F0"),
                                        inner.Serialize(), ModuleStorage::kLzmaGuided)};
  }
  outer.files.push_back(Filler(6, 0x400));
  outer.files.back().data_checksum = true;
  std::vector<NvarVariable> defaults;
  for (const IfrVarStore& store : forms.forms_packages[0][0].varstores) {
    defaults.push_back({store.name, BuildVariableDefaults(forms, store.id, store.size), 0});
  }
  outer.files.push_back(
      BuildNvramFile(BuildNvramStore(defaults, {}, {kSetupVariableGuid}, 0x4000 - 24)));
  if (options.full_volume) {
    std::vector<FileLocation> layout;
    outer.Serialize(&layout);
    const uint64_t end = AlignUp(layout.back().offset + layout.back().size, 8);
    outer.files.push_back(
        Raw("5AFE0000-0000-4000-8000-0000000000AB", 0xAB, uint32_t(outer.size - end - 24)));
  }
  FlashImage image(outer.size + 0x10000);
  image.Place(0x10000, outer.Serialize());
  return image.Take();
}

}  // namespace kalvire::tools
