// FFS files of the modules the editor works on, laid out the way its rebuild writes them back:
// the module's compression or LZMA section is the last section of its file, so that a rebuilt
// file (the bytes before that section, the section header, the new payload) loses nothing.
#pragma once

#include <vector>

#include "tools/hii_builder.h"
#include "tools/image_builder.h"
#include "tools/pe32_builder.h"
#include "tools/smbios_builder.h"

namespace kalvire::tools {

// How a module's content is stored in its file.
enum class ModuleStorage {
  kPlain,          // the content sections directly in the file
  kStored,         // compression section, CompressionType 0
  kEfi,            // compression section, EFI stream
  kTiano,          // compression section, Tiano stream
  kLzmaGuided,     // LZMA GUID-defined section
  kLzmaCompressed  // compression section, CompressionType 2 (LZMA payload)
};

// The content sections wrapped as `storage` says.
std::vector<Section> StoreSections(ModuleStorage storage, std::vector<Section> content);

enum class SetupLayout {
  kPe32,     // the package list (kHiiPe32ListGuid) is the .rsrc resource of the PE32 image
  kSection,  // the package list (kHiiSectionListGuid) is a freeform section after the PE32 image
};

// The Setup driver (name kSetupFileGuid): a 6-byte dependency section, then the PE32 section
// and the user-interface section "Setup" stored as given. With kSection the list's GUID must be
// kHiiSectionListGuid and its freeform section sits between the PE32 and the UI sections.
// `image` shapes the PE32 image (alignment, sections after .reloc); its package list is set
// from `list` in the PE32 layout.
FfsFile BuildSetupFile(const HiiPackageList& list, SetupLayout layout, ModuleStorage storage,
                       Pe32Options image = {});

// The AmiTse driver: dependency section, then a PE32 image whose .data holds a "$SPF" decoy
// (a bare signature, as code that looks for the header carries) and then `spf_data`, and the
// user-interface section "AMITSE", stored as given.
FfsFile BuildAmiTseFile(const Guid& name, const Bytes& spf_data, ModuleStorage storage);

// The DMI module (name kDmiFileGuid, freeform file) holding BuildDmiSection(structures,
// area_size) stored as given.
FfsFile BuildDmiFile(const std::vector<SmbiosStructure>& structures, uint32_t area_size,
                     ModuleStorage storage);

// The NVRAM store file (name kNvramStoreGuid, raw file) with `store` as its body.
FfsFile BuildNvramFile(Bytes store);

// A firmware-volume-image file holding `volume`: in a compression section the volume image
// section comes first (volume 4 bytes into the decoded data); in an LZMA GUID-defined section a
// 12-byte raw section aligns it to 16 bytes into the decoded data. kPlain gives the bare volume
// image section.
FfsFile BuildVolumeImageFile(const Guid& name, Bytes volume, ModuleStorage storage);

// A DXE driver of `code_size` bytes of filler code with a user-interface name, stored as given.
FfsFile BuildFillerDriver(const Guid& name, std::string_view ui_name, uint32_t code_size,
                          ModuleStorage storage, uint64_t seed);

}  // namespace kalvire::tools
