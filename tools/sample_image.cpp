#include "tools/sample_image.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "tools/module_files.h"
#include "tools/nvram_builder.h"
#include "tools/sample_forms.h"
#include "tools/spf_builder.h"

namespace kalvire::tools {
namespace {

// Names of the filler files: distinct, stable GUIDs derived from a number.
Guid FillerGuid(uint32_t n) {
  Guid g = GuidFromString("5A1E0000-0000-4B1D-8000-000000000000");
  uint64_t state = 0xC0FFEEull + n * 0x9E3779B97F4A7C15ull;
  for (size_t i = 8; i < 16; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    g[i] = uint8_t(state >> 56);
  }
  g[0] = uint8_t(n);
  g[1] = uint8_t(n >> 8);
  return g;
}

constexpr const char* kDxeDrivers[] = {
    "PcRtc",           "Metronome",      "MonotonicCounter", "WatchdogTimer", "Cpu",
    "PciBus",          "PciRootBridge",  "SataController",   "AhciBus",       "UsbBus",
    "XhciDxe",         "UsbMassStorage", "UsbKbDxe",         "Terminal",      "ConSplitter",
    "GraphicsConsole", "DiskIo",         "PartitionDxe",     "Fat",           "SmbiosDxe",
    "AcpiTable",       "Tcg2Dxe",        "NetworkStack",     "Ip4Dxe",        "Udp4Dxe",
    "Dhcp4Dxe",        "Mtftp4Dxe",      "UefiPxeBcDxe",     "HttpDxe",       "SecureBootDxe"};

Bytes NvramStore(const HiiPackageList& forms) {
  uint16_t setup_size = 0, tse_size = 0;
  for (const IfrVarStore& store : forms.forms_packages[0][0].varstores) {
    (store.id == kSetupVarStoreId ? setup_size : tse_size) = store.size;
  }
  const Bytes setup = BuildVariableDefaults(forms, kSetupVarStoreId, setup_size);
  const Bytes tse = BuildVariableDefaults(forms, kTseVarStoreId, tse_size);
  const Guid global = GuidFromString("8BE4DF61-93CA-11D2-AA0D-00E098032B8C");
  return BuildNvramStore({{"Setup", setup, 0}, {"AMITSESetup", tse, 0}},
                         {{"Lang", {'e', 'n', 'g'}, 1}, {"Timeout", {1, 0}, 1}},
                         {kSetupVariableGuid, global}, 0x10000 - 24);
}

}  // namespace

std::vector<SmbiosStructure> BuildSampleSmbios() {
  return {
      SmbiosBiosInformation(0x0000, "American Megatrends International, LLC.", "KALV0 1.12",
                            "03/14/2024"),
      SmbiosSystemInformation(0x0001, "Kalvire Systems", "KV-Desk 700", "Rev 1.0", "KV7-2403-00042",
                              "SKU-KV700-EU", "KV-Desk"),
      SmbiosBaseboardInformation(0x0002, 0x0003, "Kalvire Systems", "KV-B460M", "1.02",
                                 "BSN4620031337", "Default string", "Default string"),
      SmbiosSystemEnclosure(0x0003, "Kalvire Systems", "1.0", "CSN-0099-1234", "Asset-0001",
                            "Default string"),
      SmbiosProcessorInformation(
          0x0004, "U3E1", "Intel(R) Corporation", "Intel(R) Core(TM) i7-10700 CPU @ 2.90GHz",
          "To Be Filled By O.E.M.", "To Be Filled By O.E.M.", "To Be Filled By O.E.M."),
      SmbiosOemStrings(0x0005, {"KALVIRE sample board", "Build 2403", "Default string"}),
  };
}

Bytes BuildSampleDxeVolume() {
  const HiiPackageList forms = BuildSampleForms();
  Volume dxe;
  dxe.size = 0x400000;
  dxe.ext_name = GuidFromString("5C60F367-A505-419A-859E-2A4FF6CA6FE5");
  uint32_t n = 0;
  for (const char* name : kDxeDrivers) {
    dxe.files.push_back(BuildFillerDriver(FillerGuid(0x100 + n), name, 0x1800 + 0x700 * (n % 11),
                                          ModuleStorage::kPlain, n));
    ++n;
    if (n == 20) {
      dxe.files.push_back(BuildSetupFile(forms, SetupLayout::kPe32, ModuleStorage::kTiano));
      dxe.files.push_back(BuildAmiTseFile(kAmiTseFileGuid, BuildSpfData(FormsInParseOrder(forms)),
                                          ModuleStorage::kEfi));
    }
  }
  return dxe.Serialize();
}

Bytes BuildSampleImage() {
  const HiiPackageList forms = BuildSampleForms();

  Volume main;
  main.size = 0x800000;
  main.ext_name = GuidFromString("4F1C52D3-D824-4D2A-A2F0-EC40C23C5916");
  main.files.push_back(FfsFile::Pad(0x400));
  FfsFile aligned = BuildFillerDriver(FillerGuid(1), "DxeCore", 0x9000, ModuleStorage::kPlain, 1);
  aligned.type = FileType::kDxeCore;
  aligned.sections[1].AlignBody(4096);  // the PE32 section after the dependency section
  main.files.push_back(aligned);
  main.files.push_back(
      BuildFillerDriver(FillerGuid(2), "RuntimeDxe", 0x2400, ModuleStorage::kPlain, 2));
  main.files.push_back(
      BuildFillerDriver(FillerGuid(3), "FvbServices", 0x1C00, ModuleStorage::kLzmaGuided, 3));
  main.files.push_back(
      BuildDmiFile(BuildSampleSmbios(), kSampleDmiAreaSize, ModuleStorage::kTiano));
  main.files.push_back(BuildVolumeImageFile(GuidFromString("9E21FD93-9C72-4C15-8C4B-E77F1DB2D792"),
                                            BuildSampleDxeVolume(), ModuleStorage::kLzmaGuided));
  FfsFile checked = BuildFillerDriver(FillerGuid(4), "Recovery", 0x1000, ModuleStorage::kPlain, 4);
  checked.data_checksum = true;
  main.files.push_back(checked);
  // The NVRAM store file comes last: the editor appends its history files in the free space
  // behind it.
  main.files.push_back(BuildNvramFile(NvramStore(forms)));

  Volume oa;
  oa.size = 0x40000;
  oa.ext_name = GuidFromString("E8DC2E8C-1A0F-4C5C-9E3A-6A8C4B7E3D21");
  for (uint32_t i = 0; i < 3; ++i) {
    Bytes logo(0x2000 + 0x800 * i);
    for (size_t k = 0; k < logo.size(); ++k) logo[k] = uint8_t((k * (i + 3)) >> 4);
    oa.files.push_back(FfsFile::WithSections(FillerGuid(0x200 + i), FileType::kFreeform,
                                             {Section::Raw(std::move(logo))}));
  }

  Volume bb;
  bb.size = 0x40000;
  const char* const kPeims[] = {
      "PcdPeim", "ReportStatusCodeRouterPei", "PlatformPei", "MemoryInit", "CpuPei", "DxeIpl"};
  uint32_t n = 0;
  for (const char* name : kPeims) {
    FfsFile peim = BuildFillerDriver(FillerGuid(0x300 + n), name, 0xC00 + 0x200 * n,
                                     ModuleStorage::kPlain, 0x300 + n);
    peim.type = FileType::kPeim;
    peim.sections[0] = Section::DepexTrue(SectionType::kPeiDepex);
    bb.files.push_back(peim);
    if (++n == 3) bb.files.push_back(FfsFile::Pad(0x800));
  }

  // Volume top file: the reset vector (nop; nop; jmp near into the volume) in the image's
  // last 16 bytes.
  Bytes top(0x40 - 24, 0);
  const uint8_t reset_vector[] = {0x90, 0x90, 0xE9, 0x3D, 0xF0, 0x00, 0x00, 0x00};
  std::copy(std::begin(reset_vector), std::end(reset_vector), top.end() - 16);
  bb.top_file = FfsFile::WithRawBody(GuidFromString("1BA0062E-C779-4582-8566-336AE8F78F09"),
                                     FileType::kRaw, std::move(top));

  FlashImage image(kSampleImageSize);
  image.Place(kSampleMainVolumeOffset, main.Serialize());
  image.Place(0x900000, oa.Serialize());
  image.Place(kSampleImageSize - bb.size, bb.Serialize());
  return image.Take();
}

}  // namespace kalvire::tools
