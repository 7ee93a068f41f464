#include "tools/menu_image.h"

#include "tools/nvram_builder.h"
#include "tools/sample_image.h"
#include "tools/spf_builder.h"

namespace kalvire::tools {

Bytes BuildMenuImage(const HiiPackageList& forms, const MenuImageOptions& options) {
  std::vector<NvarVariable> defaults;
  std::vector<Guid> guids;
  for (const FormsPackage& package : forms.forms_packages) {
    for (const IfrFormSet& formset : package) {
      for (const IfrVarStore& store : formset.varstores) {
        defaults.push_back({store.name, BuildVariableDefaults(forms, store.id, store.size),
                            uint8_t(guids.size())});
        guids.push_back(store.guid);
      }
    }
  }
  if (guids.empty()) guids.push_back(kAmitsePkgGuid);

  Volume volume;
  volume.size = 0x80000;
  volume.ext_name = GuidFromString("6D2F1E0A-6B1C-4D5E-9F80-51A2B3C4D5E6");
  volume.files.push_back(
      BuildDmiFile(BuildSampleSmbios(), kSampleDmiAreaSize, ModuleStorage::kPlain));
  volume.files.push_back(BuildNvramFile(BuildNvramStore(defaults, {}, guids, 0x4000)));
  volume.files.push_back(
      BuildSetupFile(forms, options.layout, options.setup_storage, options.setup_image));
  volume.files.push_back(BuildAmiTseFile(kAmiTseFileGuid, BuildSpfData(FormsInParseOrder(forms)),
                                         ModuleStorage::kPlain));
  return volume.Serialize();
}

}  // namespace kalvire::tools
