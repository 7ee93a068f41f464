// The DMI table: parse, the DMI Table dialog's edits, the rebuild of the module data, Latin-1.
#include <gmock/gmock.h>

#include <algorithm>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_parse.h"
#include "dmi/dmi_serialize.h"
#include "dmi/latin1.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "support/shown_texts.h"
#include "support/test_data.h"
#include "tools/image_builder.h"
#include "tools/sample_image.h"
#include "tools/smbios_builder.h"
#include "util/le.h"

namespace kalvire::dmi {
namespace {

using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;
using platform::DmiEdits;
using ::testing::ElementsAre;
using tools::SmbiosStructure;

const char kTooLong[] =
    "Error: The edited DMI table is longer than the DMI module. The DMI module is not saved.";

using tools::DmiModuleData;
constexpr auto Structure = &tools::SmbiosStringsStructure;

std::vector<SmbiosStructure> Board(const std::string& date = "01/02/2024",
                                   const std::string& maker = "Maker") {
  return {tools::SmbiosBiosInformation(0, "Vendor", "1.23", date),
          tools::SmbiosSystemInformation(1, maker, "Box 7", "Rev A", "SN-1", "SKU-9", "Fam"),
          tools::SmbiosBaseboardInformation(2, 3, "Maker", "Board", "1.0", "BSN", "Tag", "Slot"),
          tools::SmbiosSystemEnclosure(3, "Maker", "1.0", "CSN", "Asset", "Sku"),
          tools::SmbiosProcessorInformation(4, "Socket", "Chips", "Core", "PSN", "PTag", "Part"),
          tools::SmbiosOemStrings(5, {"one", "two"})};
}

// The texts, each followed by '|'.
template <typename Strings>
std::string Join(const Strings& texts) {
  std::string out;
  for (const std::string& t : texts) out += t + "|";
  return out;
}

// The headless editor with the desktop's controls, the module data put straight into its DMI
// slot.
struct Dmi : editor::HeadlessEditor {
  Dmi() {
    host.CreateControls(ed.controls);
    host.AdoptControls();
  }
  int Load(Bytes data) {
    ed.workspace.m_dmi_module.Clear();
    ed.workspace.m_dmi_module.data_size = uint32_t(data.size());
    ed.workspace.m_dmi_module.file = std::move(data);
    return ParseDmiTable(ed);
  }
  platform::TreeControl& tree() { return *ed.controls.dmi_tree; }
  platform::TreeItem root() { return tree().GetChildItem(platform::kRootItem); }
  // Selects the item of structure `index` (the root for -1) and runs the Edit command.
  void Edit(int index) {
    platform::TreeItem item = root();
    for (auto i = tree().GetChildItem(item); i != platform::kNoItem;
         i = tree().GetNextSiblingItem(i))
      if (index >= 0 && tree().GetItemData(i) == uint32_t(index)) item = i;
    tree().SelectItem(item);
    EditDmiString(ed);
  }
  // The items under the root as "text=data|".
  std::string Children() {
    std::string out;
    for (auto i = tree().GetChildItem(root()); i != platform::kNoItem;
         i = tree().GetNextSiblingItem(i))
      out += tree().GetItemText(i) + "=" + std::to_string(tree().GetItemData(i)) + "|";
    return out;
  }
  Texts Lines() { return test::EntryTexts(*ed.controls.track_log); }  // the differences
  Texts Messages() { return test::MessageTexts(prompter); }
  // What a save after an edit rebuilds.
  Bytes Serialize(int expected = 1) {
    ed.workspace.m_dmi_modified = true;
    EXPECT_EQ(SerializeDmiModule(ed), expected);
    return ed.dmi.rebuild_buffer;
  }
  editor::Editor& ed = *editor;
};

// Both layouts parse, name the tree, write back byte for byte, and move what follows a string
// of another length.
TEST(DmiTable, ParseNameTheTreeAndRebuildInBothLayouts) {
  for (const bool stored : {false, true}) {
    SCOPED_TRACE(stored ? "table at 29" : "table at 20");
    Dmi t;
    const Bytes data = DmiModuleData(Board(), 1024, stored);
    ASSERT_EQ(t.Load(data), 1);
    const DmiTables& dmi = t.ed.dmi;
    ASSERT_EQ(dmi.structure_count, 6u);
    EXPECT_EQ(std::to_string(dmi.current[4].type) + Join(dmi.current[4].strings),
              "4Socket|Chips|Core|PSN|PTag|Part|");
    const size_t at = stored ? 29 : 20;
    EXPECT_EQ(dmi.current[0].formatted, Bytes(data.begin() + at, data.begin() + at + 0x1A));
    EXPECT_EQ(t.Children(),
              "BIOS Information (Type 0)=0|System Information (Type 1)=1|Baseboard or Module "
              "Information (Type 2)=2|System Enclosure (Type 3)=3|OEM Strings (Type 11)=5|");
    EXPECT_EQ(Join(dmi.baseline[5].strings) + std::to_string(dmi.baseline[6].type), "one|two|127");
    EXPECT_EQ(t.Serialize(), data);

    t.ed.dmi.current[1].strings[0] = "MakerMaker";
    EXPECT_EQ(t.Serialize(), DmiModuleData(Board("01/02/2024", "MakerMaker"), 1024, stored));
    t.ed.dmi.current[1].strings[0] = "Maker";
    t.ed.dmi.current[0].strings[2] = " ";
    EXPECT_EQ(t.Serialize(), DmiModuleData(Board(" "), 1024, stored));
  }
  EXPECT_STREQ(DmiTypeName(10), "");
}

TEST(ParseDmiTable, TakesAFullTableAndASecondParseLeavesNothingOfTheFirst) {
  std::vector<SmbiosStructure> full(799, Structure(4, {}));
  full.front() = Structure(0, {"BIOS"});
  Dmi t;
  const Bytes full_data = DmiModuleData(full, 20 + 800 * 10 + 64);
  ASSERT_EQ(t.Load(full_data), 1);
  EXPECT_EQ(t.ed.dmi.current[799].type, 127u);
  EXPECT_EQ(t.Serialize(), full_data);
  t.tree().DeleteAllItems();  // what Open does before it parses the next image
  ResetDmiTables(t.ed);
  ASSERT_EQ(t.Load(DmiModuleData({Structure(0, {"Only"})}, 256)), 1);
  EXPECT_EQ(t.tree().GetItemText(t.root()), "DMI");  // the root is made again
  const DmiTables& dmi = t.ed.dmi;
  EXPECT_EQ(dmi.structure_count, 1u);
  EXPECT_EQ(t.Children(), "BIOS Information (Type 0)=0|");
  for (const auto* table : {&dmi.current, &dmi.baseline}) {
    EXPECT_EQ(Join((*table)[0].strings) + std::to_string((*table)[1].type), "Only|127");
    for (size_t i = 2; i < table->size(); ++i)
      ASSERT_FALSE((*table)[i].InUse() || !(*table)[i].strings.empty()) << i;
  }
}

TEST(ParseDmiTable, RefusesWhatItCannotTakeWhole) {
  std::vector<SmbiosStructure> many(800, Structure(4, {}));
  many.front() = Structure(0, {"BIOS"});
  const Bytes good = DmiModuleData(Board(), 1024);
  const size_t string = 20 + 0x1A, end = 20 + tools::BuildSmbiosTable(Board()).size() - 6;
  const auto with = [&](size_t at, uint8_t value) {
    Bytes data = good;
    data[at] = value;
    return data;
  };
  const auto cut = [&](size_t size) { return Bytes(good.begin(), good.begin() + size); };
  const char kNotEnded[] = "Error: The DMI table does not end inside the DMI module";
  const char kShort[] = "Error: The DMI table holds a structure shorter than its 4-byte header";
  const struct {
    const char* name;
    Bytes data;
    const char* message;
  } cases[] = {
      {"no byte at offset 20", Bytes(20, 0), kNotEnded},
      {"ends inside a string", cut(string + 3), kNotEnded},
      {"ends inside a formatted area", cut(30), kNotEnded},
      {"end-of-table structure cut short", cut(end + 3), kNotEnded},
      {"no end-of-table structure", with(end, 0x7E), kNotEnded},
      {"length below the header", with(21, 3), kShort},
      {"801 records", DmiModuleData(many, 20 + 800 * 10 + 64),
       "Error: The DMI table holds more than 800 structures"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Dmi t;
    EXPECT_EQ(t.Load(c.data), 0);
    EXPECT_THAT(t.Messages(), ElementsAre(c.message));
    EXPECT_EQ(t.ed.dmi.structure_count, 0u);
    EXPECT_FALSE(t.ed.dmi.current[0].InUse() || t.ed.dmi.current[1].InUse() ||
                 t.ed.dmi.baseline[0].InUse());
    EXPECT_EQ(t.tree().GetCount(), 1);
  }
}

TEST(EditDmiString, TheDialogShowsTheStructureAndOkAppliesTheChangedValues) {
  Dmi t;
  std::vector<SmbiosStructure> structures = Board();
  structures.push_back(
      tools::SmbiosOemStrings(6, {"1", "2", "3", "4", "5", "6", "7", "oem8", "9"}));
  ASSERT_EQ(t.Load(DmiModuleData(structures, 1024)), 1);
  t.ed.controls.track_log->AddString("an older line");
  t.prompter.QueueDmiEdits(std::nullopt);  // Cancel
  t.Edit(1);
  EXPECT_THAT(t.Lines(), ElementsAre("an older line"));
  EXPECT_FALSE(t.ed.workspace.m_dmi_modified);
  t.Edit(6);
  t.prompter.QueueDmiEdits(DmiEdits{{0, ""}, {2, "12/31/2025"}});
  t.Edit(0);
  const platform::DmiDialogData& d = t.prompter.DmiRequests().at(2);
  EXPECT_EQ(d.title, "BIOS Information (Type 0)");
  EXPECT_EQ(Join(d.labels) + Join(d.values),
            "Vendor:|BIOS Version:|BIOS Release Date:||||||Vendor|1.23|01/02/2024||||||");
  EXPECT_EQ(d.formatted_text.substr(0, 18) + d.formatted_text.substr(75), " 00 1a 00 00 01 02 00");
  const platform::DmiDialogData& oem = t.prompter.DmiRequests()[1];
  EXPECT_EQ(oem.labels[5] + oem.labels[7] + oem.values[7], "String 6:String 8:oem8");
  const uint8_t bytes[] = {0xAB, 0x7F, 0xFF, 0x0C};
  EXPECT_EQ(FormatFormattedArea(bytes), " ab 7f ff 0c");

  EXPECT_EQ(Join(t.ed.dmi.current[0].strings) + Join(t.ed.dmi.baseline[0].strings),
            " |1.23|12/31/2025|Vendor|1.23|01/02/2024|");
  EXPECT_EQ(t.Lines().at(0), " DMI String is changed to \"  \" from \" Vendor \"");
  EXPECT_EQ(t.Lines().size(), 2u);
  EXPECT_TRUE(t.ed.workspace.m_dmi_modified);
  // Editing back leaves the flag set; OK without a change empties the list.
  t.prompter.QueueDmiEdits(DmiEdits{{2, "01/02/2024"}});
  t.prompter.QueueDmiEdits(DmiEdits{});
  t.Edit(0);
  EXPECT_THAT(t.Lines(),
              ElementsAre(" DMI String is changed to \" 01/02/2024 \" from \" 12/31/2025 \""));
  t.Edit(0);
  EXPECT_EQ(t.Lines(), Texts{});
  EXPECT_TRUE(t.ed.workspace.m_dmi_modified);
  EXPECT_EQ(t.prompter.DmiRequests().at(3).values[2], "12/31/2025");
  // The root, and an item of the end-of-table record, open no dialog.
  t.Edit(-1);
  t.tree().SetItemData(t.tree().InsertItem(t.root(), "Stray"), 7);
  t.Edit(7);
  EXPECT_EQ(t.prompter.DmiRequests().size(), 5u);
}

// A string is labelled by the fields that hold its number and that the formatted area reaches
// (each structure follows a BIOS Information one, as a table must begin).
TEST(MakeDmiDialogData, LabelsEachStringByTheFieldsThatReferToIt) {
  SmbiosStructure bios = tools::SmbiosBiosInformation(0, "V", "1", "D");
  bios.strings.push_back("spare");
  SmbiosStructure old_system = tools::SmbiosSystemInformation(1, "M", "P", "V", "S", "K", "F");
  old_system.fields.resize(0x19 - 4);  // ends before SKU Number and Family
  SmbiosStructure board = tools::SmbiosBaseboardInformation(2, 3, "M", "P", "V", "S", "A", "L");
  board.fields[0x08 - 4] = 1;  // Asset Tag names the Manufacturer's string
  SmbiosStructure cut_enclosure = tools::SmbiosSystemEnclosure(3, "M", "V", "S", "A", "K", 2);
  cut_enclosure.fields.resize(0x15 + 6 - 4);  // ends before SKU Number
  const struct {
    SmbiosStructure structure;
    const char* labels;
  } cases[] = {
      {bios, "Vendor:|BIOS Version:|BIOS Release Date:|String 4:|"},
      {tools::SmbiosSystemInformation(1, "M", "P", "V", "S", "K", "F"),
       "Manufacturer:|Product Name:|Version:|Serial Number:|SKU Number:|Family:|"},
      {old_system, "Manufacturer:|Product Name:|Version:|Serial Number:|String 5:|String 6:|"},
      {board,
       "Manufacturer / Asset Tag:|Product:|Version:|Serial Number:|String 5:|Location in "
       "Chassis:|"},
      {tools::SmbiosSystemEnclosure(3, "M", "V", "S", "A", "K"),
       "Manufacturer:|Version:|Serial Number:|Asset Tag Number:|SKU Number:|"},
      {tools::SmbiosSystemEnclosure(3, "M", "V", "S", "A", "K", 2),
       "Manufacturer:|Version:|Serial Number:|Asset Tag Number:|SKU Number:|"},
      {cut_enclosure, "Manufacturer:|Version:|Serial Number:|Asset Tag Number:|String 5:|"},
      {tools::SmbiosOemStrings(11, {"a", "b", "c"}), "String 1:|String 2:|String 3:|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.labels);
    DmiTables tables;
    ASSERT_EQ(ParseDmiData(DmiModuleData({bios, c.structure}, 512), tables), DmiParseStatus::kOk);
    const platform::DmiDialogData data = MakeDmiDialogData(tables.current[1], "");
    EXPECT_EQ(Join(std::span(data.labels).first(c.structure.strings.size())), c.labels);
  }
}

// The item of an edited structure is red while its strings differ from the image's, and a
// new Open shows every structure in the tree's own colour again.
TEST(EditDmiString, AnEditedStructureIsRedUntilItsStringsAreTheImagesAgain) {
  Dmi t;
  const Bytes image = tools::BuildSampleImage();
  ASSERT_EQ(editor::OpenRomImageBytes(t.ed, image, "a.rom"), 1);
  const auto colors = [&t] {
    std::string out;
    for (auto i = t.tree().GetChildItem(t.root()); i != platform::kNoItem;
         i = t.tree().GetNextSiblingItem(i))
      out += t.tree().GetItemColor(i) == platform::kColorRed     ? "R"
             : t.tree().GetItemColor(i) == platform::kColorBlack ? "B"
                                                                 : "-";
    return out;
  };
  t.prompter.QueueDmiEdits(DmiEdits{{0, "Other"}});
  t.prompter.QueueDmiEdits(DmiEdits{{1, "Other"}});
  t.prompter.QueueDmiEdits(DmiEdits{{0, t.ed.dmi.current[1].strings[0]}});  // back again
  t.Edit(1);
  t.Edit(2);
  EXPECT_EQ(colors(), "-RR--");
  t.Edit(1);
  EXPECT_EQ(colors(), "-BR--");
  ASSERT_EQ(editor::OpenRomImageBytes(t.ed, image, "a.rom"), 1);
  EXPECT_EQ(colors(), "-----");
}

// Strings travel as Latin-1; values that cannot be stored are refused wholly.
TEST(EditDmiString, ValuesAreStoredAsLatin1OrRefusedWholly) {
  Dmi t;
  ASSERT_EQ(
      t.Load(DmiModuleData({Structure(0, {std::string(70, 'L'), "Caf\xE9", "01/02/2024"})}, 256)),
      1);
  t.prompter.QueueDmiEdits(DmiEdits{{0, "ok"}, {1, "10 \xE2\x82\xAC"}});
  t.prompter.QueueDmiEdits(DmiEdits{{1, "Gr\xC3\xBC\xC3\x9F!"}});
  t.Edit(0);
  EXPECT_THAT(t.Messages(),
              ElementsAre("Error: DMI strings can hold only single-byte (Latin-1) characters."));
  EXPECT_FALSE(t.ed.workspace.m_dmi_modified);
  t.Edit(0);  // a loaded string longer than a new one may be is kept as it is
  EXPECT_EQ(t.prompter.DmiRequests().at(1).values[1], "Caf\xC3\xA9");
  EXPECT_EQ(Join(t.ed.dmi.current[0].strings), std::string(70, 'L') + "|Gr\xFC\xDF!|01/02/2024|");
  EXPECT_THAT(t.Lines(),
              ElementsAre(" DMI String is changed to \" Gr\xFC\xDF! \" from \" Caf\xE9 \""));
}

// A module of one structure, alone with 3 bytes for the filler, or in a stored compression
// section with 4, the last 2 of them the alignment padding of the enclosing section.
Bytes OneStructure(const std::string& text, bool padded) {
  Bytes data =
      DmiModuleData({Structure(0, {text})}, padded ? 29 + 12 + 6 + 4 : 20 + 12 + 6 + 3, padded);
  if (padded) util::StoreLe24(data.data() + 9, uint32_t(data.size() - 9 - 2));
  if (padded) data[data.size() - 2] = data[data.size() - 1] = 0;
  return data;
}

// A table that fills its section exactly is built; one byte more and nothing is built.
TEST(SerializeDmiModule, ATableThatNoLongerFitsIsRefusedAndThePaddingIsKept) {
  const struct {
    const char* text;
    bool padded, fits;
  } cases[] = {{"ABCDE", false, true},
               {"ABCDEF", false, false},
               {"AB", true, true},
               {"ABCD", true, true},
               {"ABCDE", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.padded ? " padded" : ""));
    Dmi t;
    ASSERT_EQ(t.Load(OneStructure("AB", c.padded)), 1);
    t.ed.dmi.current[0].strings[0] = c.text;
    Bytes expected;
    if (c.fits) {  // a table that does not fit would be copied past the module's end
      expected = OneStructure("AB", c.padded);
      const Bytes table = tools::BuildSmbiosTable({Structure(0, {c.text})});
      std::copy(table.begin(), table.end(), expected.begin() + (c.padded ? 29 : 20));
    }
    EXPECT_EQ(t.Serialize(c.fits), c.fits ? expected : Bytes{});
    EXPECT_EQ(t.Messages(), c.fits ? Texts{} : Texts{kTooLong});
  }
  Dmi unparsed;
  unparsed.ed.workspace.m_dmi_module.file = OneStructure("AB", false);
  unparsed.ed.workspace.m_dmi_module.data_size = 41;
  EXPECT_EQ(unparsed.Serialize(0), Bytes{});
  Bytes out{9};  // data too short to hold the table's section
  EXPECT_FALSE(BuildDmiModuleData(Bytes(28, 0x01), unparsed.ed.dmi, out));
  EXPECT_EQ(out, Bytes{});
}

TEST(DmiRealImages, ParseAndSerializeBackIdentical) {
  const auto dir = test::SharedImagesDir();
  if (!dir) GTEST_SKIP() << "the shared images folder beside the repository is absent";
  for (const char* image : {"h61-bios-region.bin", "p7xxdm-full-flash.rom"}) {
    SCOPED_TRACE(image);
    Dmi t;
    ASSERT_EQ(editor::OpenRomImagePath(t.ed, (*dir / image).string()), 1);
    const DmiTables& dmi = t.ed.dmi;
    EXPECT_GE(dmi.structure_count, 20u);
    EXPECT_EQ(dmi.current[0].strings.at(0), "American Megatrends Inc.");
    EXPECT_EQ(dmi.current[dmi.structure_count].type, 127u);
    const auto data = t.ed.workspace.m_dmi_module.Data();
    EXPECT_EQ(t.Serialize(), Bytes(data.begin(), data.end()));
  }
}

TEST(Latin1, EveryNonZeroByteSurvivesAndWhatNoByteHoldsIsRefused) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(char(b));
  EXPECT_EQ(Latin1ToUtf8(all).size(), 127u + 2 * 128u);
  EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(all)), all);
  EXPECT_EQ(Latin1ToUtf8("\xA9 x\xFF"), "\xC2\xA9 x\xC3\xBF");
  EXPECT_EQ(Utf8ToLatin1(""), "");
  // U+20AC, U+0100, overlong NUL and ASCII, cut short, no continuation, bare continuation,
  // U+1F600, a NUL.
  using namespace std::string_literals;
  for (const std::string& bad : {"\xE2\x82\xAC"s, "\xC4\x80"s, "\xC0\x80"s, "\xC1\xBF"s, "\xC3"s,
                                 "\xC3x"s, "\xA9"s, "\xF0\x9F\x98\x80"s, "a\0b"s}) {
    EXPECT_FALSE(Utf8ToLatin1(bad).has_value()) << testing::PrintToString(bad);
  }
}

}  // namespace
}  // namespace kalvire::dmi
