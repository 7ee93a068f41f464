// The module builders agree with each other: the SPF tables with the forms, the StdDefaults
// store with the question defaults, the PE32 resource chain with the package list.
#include <gtest/gtest.h>

#include <map>

#include "tools/nvram_builder.h"
#include "tools/pe32_builder.h"
#include "tools/sample_forms.h"
#include "tools/smbios_builder.h"
#include "tools/spf_builder.h"
#include "util/le.h"

namespace kalvire::tools {
namespace {

uint32_t Le32(const Bytes& b, size_t at) {
  return util::LoadLe32(b.data() + at);
}
uint16_t Le16(const Bytes& b, size_t at) {
  return util::LoadLe16(b.data() + at);
}

uint64_t DefaultAt(const Bytes& control, size_t at, uint8_t width) {
  switch (width) {
    case 1:
      return control[at + 65];
    case 2:
      return util::LoadLe16(control.data() + at + 66);
    case 4:
      return util::LoadLe32(control.data() + at + 68);
    case 8:
      return util::LoadLe64(control.data() + at + 72);
  }
  return 0;
}

TEST(SampleForms, HoldSeveralHundredQuestionsOfEveryKind) {
  const HiiPackageList list = BuildSampleForms();
  std::map<IfrItemKind, int> kinds;
  for (const IfrForm* form : FormsInParseOrder(list)) {
    for (const IfrItem& item : form->items) ++kinds[item.kind];
  }
  EXPECT_EQ(kinds.size(), 12u);
  const int questions =
      kinds[IfrItemKind::kOneOf] + kinds[IfrItemKind::kCheckbox] + kinds[IfrItemKind::kNumeric];
  EXPECT_GT(questions, 300);
}

TEST(SpfData, EveryItemResolvesToItsControl) {
  const HiiPackageList list = BuildSampleForms();
  const std::vector<const IfrForm*> forms = FormsInParseOrder(list);
  const Bytes spf = BuildSpfData(forms);
  ASSERT_EQ(0, std::memcmp(spf.data(), "$SPF", 4));
  EXPECT_TRUE(std::equal(kAmitsePkgGuid.begin(), kAmitsePkgGuid.end(), spf.begin() + 20));
  const uint32_t pages = Le32(spf, 44);
  const uint32_t controls = Le32(spf, 48);
  ASSERT_EQ(Le32(spf, pages), forms.size() + 1);
  std::map<uint16_t, uint32_t> page_of_form;
  for (size_t k = 0; k < forms.size(); ++k) page_of_form[forms[k]->form_id] = uint32_t(k + 1);
  for (size_t k = 0; k < forms.size(); ++k) {
    // A form's nodes look up page k + 1, whose control offsets follow the items in order.
    const uint32_t page = Le32(spf, pages + 4 + 4 * (k + 1));
    ASSERT_EQ(Le32(spf, page + 28), forms[k]->items.size());
    for (size_t i = 0; i < forms[k]->items.size(); ++i) {
      const IfrItem& item = forms[k]->items[i];
      SCOPED_TRACE(testing::Message() << "form " << forms[k]->form_id << " item " << i);
      const size_t control = controls + Le32(spf, page + 32 + 4 * i);
      ASSERT_LE(control + kSpfControlSize, spf.size());
      EXPECT_EQ(Le16(spf, control + 20), uint16_t(ControlTypeOf(item.kind)));
      const uint32_t flags = Le32(spf, control + 28);
      EXPECT_EQ(flags & 1, item.visible ? 1u : 0u);
      EXPECT_EQ((flags >> 1) & 3, item.access_level);
      if (item.kind == IfrItemKind::kRef) {
        EXPECT_EQ(Le16(spf, control + 24), page_of_form.at(item.ref_form_id));
      }
      if (item.HasStoredValue()) {
        const uint8_t width = item.kind == IfrItemKind::kCheckbox ? 1 : item.width;
        EXPECT_EQ(Le16(spf, control + 56), width);
        EXPECT_EQ(DefaultAt(spf, control, width), item.default_value);
      } else {
        EXPECT_EQ(Le16(spf, control + 56), 0);
      }
    }
  }
}

TEST(NvramStore, StdDefaultsHoldTheQuestionDefaults) {
  const HiiPackageList list = BuildSampleForms();
  const uint16_t size = list.forms_packages[0][0].varstores[0].size;
  const Bytes setup = BuildVariableDefaults(list, kSetupVarStoreId, size);
  const Bytes store = BuildNvramStore({{"Setup", setup, 0}}, {}, {kSetupVariableGuid}, 0x1000);
  ASSERT_EQ(store.size(), 0x1000u);
  ASSERT_EQ(0, std::memcmp(store.data(), "NVAR", 4));
  ASSERT_EQ(0, std::memcmp(store.data() + 11, "StdDefaults", 12));
  const size_t nested = 11 + 12;
  ASSERT_EQ(0, std::memcmp(store.data() + nested, "NVAR", 4));
  ASSERT_EQ(0, std::memcmp(store.data() + nested + 11, "Setup", 6));
  EXPECT_EQ(Le16(store, nested + 4), 11 + 6 + size);
  const size_t data = nested + 11 + 6;
  for (const IfrForm* form : FormsInParseOrder(list)) {
    for (const IfrItem& item : form->items) {
      if (!item.HasStoredValue() || item.varstore_id != kSetupVarStoreId) continue;
      uint64_t value = 0;
      const uint8_t width = item.kind == IfrItemKind::kCheckbox ? 1 : item.width;
      for (uint8_t b = 0; b < width; ++b) {
        value |= uint64_t(store[data + item.var_offset + b]) << (8 * b);
      }
      EXPECT_EQ(value, item.default_value) << "VarOffset " << item.var_offset;
    }
  }
  EXPECT_TRUE(std::equal(kSetupVariableGuid.begin(), kSetupVariableGuid.end(), store.end() - 16));
  EXPECT_THROW(BuildNvramStore({{"Setup", setup, 0}}, {}, {}, 0x1000), std::invalid_argument);
}

TEST(Pe32Images, ResourceChainLeadsToThePackageListAndRelocFollowsIt) {
  for (uint32_t list_size : {40u, 64u, 65u, 1000u}) {
    SCOPED_TRACE(list_size);
    Pe32Options options;
    Bytes list(list_size, 0x5A);
    options.hii_package_list = list;
    Pe32Layout layout;
    const Bytes image = BuildPe32Image(options, &layout);
    ASSERT_EQ(image[0], 'M');
    const size_t pe = Le32(image, 0x3C);
    ASSERT_EQ(0, std::memcmp(image.data() + pe, "PE\0\0", 4));
    const uint32_t alignment = Le32(image, pe + 56);
    EXPECT_EQ(Le32(image, pe + 80), image.size());
    const uint32_t rsrc = Le32(image, pe + 152);
    EXPECT_EQ(rsrc, layout.rsrc_offset);
    // Root, name and language levels, each one entry with the subdirectory bit, then the data.
    uint32_t dir = 0;
    for (int level = 0; level < 3; ++level) {
      const uint16_t entries = Le16(image, rsrc + dir + 12) + Le16(image, rsrc + dir + 14);
      ASSERT_EQ(entries, 1);
      const uint32_t offset = Le32(image, rsrc + dir + 20);
      EXPECT_EQ(offset >> 31, level < 2 ? 1u : 0u);
      dir = offset & 0x7FFFFFFF;
    }
    const uint32_t data_rva = Le32(image, rsrc + dir);
    EXPECT_EQ(Le32(image, rsrc + dir + 4), list_size);
    EXPECT_TRUE(std::equal(list.begin(), list.end(), image.begin() + data_rva));
    // Base relocations start right after the list padded to the section alignment.
    EXPECT_EQ(Le32(image, pe + 176), data_rva + AlignUp(list_size, alignment));
    if (AlignUp(list_size, alignment) > list_size) {
      EXPECT_EQ(image[data_rva + list_size], 0xFD);
    }
  }
  Pe32Options wide;
  wide.alignment = 0x1000;
  EXPECT_THROW(BuildPe32Image(wide), std::invalid_argument);
}

TEST(HiiPackages, StringPackageHeaderAndBlocks) {
  const Bytes p = BuildStringPackage({"en-US", 1, {"English", "AB"}});
  EXPECT_EQ(util::LoadLe24(p.data()), p.size());
  EXPECT_EQ(p[3], 0x04);
  EXPECT_EQ(0, std::memcmp(p.data() + 46, "en-US", 6));
  EXPECT_EQ(Le32(p, 4), 52u);
  EXPECT_EQ(Le32(p, 8), 52u);
  const Bytes blocks(p.begin() + 52, p.end());
  EXPECT_EQ(blocks, (Bytes{0x14, 'E', 0, 'n', 0,    'g', 0, 'l', 0, 'i', 0, 's', 0,
                           'h',  0,   0, 0,   0x14, 'A', 0, 'B', 0, 0,   0, 0}));
}

TEST(HiiPackages, FormsPackageOpcodesTileThePackage) {
  const HiiPackageList list = BuildSampleForms();
  const Bytes forms = BuildFormsPackage(list.forms_packages[0]);
  size_t pos = 4, form_count = 0;
  while (pos < forms.size()) {
    const uint8_t length = forms[pos + 1] & 0x7F;
    ASSERT_GE(length, 2) << "at " << pos;
    if (forms[pos] == 0x01) ++form_count;
    pos += length;
  }
  EXPECT_EQ(pos, forms.size());
  EXPECT_EQ(form_count, FormsInParseOrder(list).size());
  const Bytes whole = BuildHiiPackageList(list);
  EXPECT_EQ(Le32(whole, 16), whole.size());
  EXPECT_EQ(whole[whole.size() - 1], 0xDF);
}

TEST(DmiSection, TableEndsOnceAndLeavesFiller) {
  const std::vector<SmbiosStructure> structures = {
      SmbiosBiosInformation(0, "Vendor", "1.0", "01/01/2024"),
      SmbiosOemStrings(1, {}),  // no strings: two NULs
  };
  const Bytes s = BuildDmiSection(structures, 256).Serialize();
  const Bytes table(s.begin() + 20, s.end());
  ASSERT_EQ(table.size(), 256u);
  const size_t oem = 0x1A + 22 + 1;  // formatted area, three strings with NULs, end NUL
  EXPECT_EQ(table[oem], 11);
  EXPECT_EQ(table[oem + 5], 0);
  EXPECT_EQ(table[oem + 6], 0);
  EXPECT_EQ(table[oem + 7], 127);
  EXPECT_EQ(table[oem + 8], 4);
  EXPECT_EQ(table[oem + 13], 0xFF);
  SmbiosStructure bad = SmbiosOemStrings(2, {"x"});
  bad.fields[0] = 0x7F;
  EXPECT_THROW(BuildDmiSection({bad}, 256), std::invalid_argument);
  EXPECT_THROW(BuildDmiSection(structures, 40), std::invalid_argument);
}

}  // namespace
}  // namespace kalvire::tools
