#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dmi/dmi_parse.h"
#include "dmi/dmi_serialize.h"
#include "dmi/messages.h"
#include "dmi_test_support.h"

namespace kalvire::dmi::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

// Serializes with the modified flag set, as a save after an edit does.
Bytes Serialize(DmiEditor& t) {
  t.ed().workspace.m_dmi_modified = true;
  EXPECT_EQ(SerializeDmiModule(t.ed()), 1);
  return t.ed().dmi.rebuild_buffer;
}

TEST(ParseDmiTable, BothLeadingLayoutsParseAndWriteBackByteForByte) {
  for (const Layout layout : {Layout::kSection, Layout::kStoredCompression}) {
    SCOPED_TRACE(layout == Layout::kSection ? "table at 20" : "table at 29");
    DmiEditor t;
    const Bytes data = DmiModuleData(BoardStructures(), 1024, layout);
    ASSERT_EQ(t.Load(data), 1);
    EXPECT_THAT(t.MessageTexts(), IsEmpty());
    const DmiTables& dmi = t.ed().dmi;
    ASSERT_EQ(dmi.structure_count, 6u);
    const uint32_t types[] = {0, 1, 2, 3, 4, 11, 127};
    for (uint32_t i = 0; i <= 6; ++i) EXPECT_EQ(dmi.current[i].type, types[i]) << i;
    EXPECT_EQ(dmi.current[6].length, 4u);
    EXPECT_FALSE(dmi.current[7].InUse());
    EXPECT_THAT(dmi.current[0].strings, ElementsAre("Vendor", "1.23", "01/02/2024"));
    EXPECT_EQ(dmi.current[0].formatted,
              Bytes(data.begin() + TableOffset(layout), data.begin() + TableOffset(layout) + 0x1A));
    EXPECT_EQ(Serialize(t), data);
  }
}

TEST(ParseDmiTable, NamedTypesGetTreeItemsWithTheirIndexAndType4IsKeptWithoutOne) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  EXPECT_THAT(
      t.TreeChildren(),
      ElementsAre(Pair("BIOS Information (Type 0)", 0u), Pair("System Information (Type 1)", 1u),
                  Pair("Baseboard or Module Information (Type 2)", 2u),
                  Pair("System Enclosure (Type 3)", 3u), Pair("OEM Strings (Type 11)", 5u)));
  EXPECT_THAT(t.ed().dmi.current[4].strings,
              ElementsAre("Socket", "Chips", "Core", "PSN", "PTag", "Part"));
}

TEST(ParseDmiTable, TreeWithoutRootGetsOneAndNoTreeMeansTablesOnly) {
  DmiEditor t;
  t.tree.DeleteAllItems();
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  const auto root = t.tree.GetChildItem(platform::kRootItem);
  EXPECT_EQ(t.tree.GetItemText(root), "DMI");
  EXPECT_EQ(t.tree.GetCount(), 6);

  DmiEditor none;
  none.ed().controls.dmi_tree = nullptr;
  ASSERT_EQ(none.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  EXPECT_EQ(none.ed().dmi.structure_count, 6u);
}

TEST(ParseDmiTable, StructureWithoutStringsKeepsItsTwoNuls) {
  DmiEditor t;
  const Bytes data = DmiModuleData(
      {Structure(0, 0, {"A"}), Structure(4, 1, {}), Structure(11, 2, {"B", "C"})}, 256);
  ASSERT_EQ(t.Load(data), 1);
  const DmiTables& dmi = t.ed().dmi;
  ASSERT_EQ(dmi.structure_count, 3u);
  EXPECT_THAT(dmi.current[1].strings, IsEmpty());
  EXPECT_THAT(dmi.current[2].strings, ElementsAre("B", "C"));
  // Structure 1 sits after 8 + "A\0\0"; its formatted area is followed by 00 00.
  EXPECT_EQ(data[20 + 11 + 8], 0);
  EXPECT_EQ(data[20 + 11 + 9], 0);
  EXPECT_EQ(Serialize(t), data);
}

TEST(ParseDmiTable, EndOfTableIsWrittenWithTwoNulsWhateverFollowedIt) {
  DmiEditor t;
  Bytes data = DmiModuleData({Structure(0, 0, {"A"})}, 128);
  const size_t end = 20 + 11;  // the end-of-table structure
  ASSERT_EQ(data[end], 0x7F);
  data[end + 4] = 'x';
  data[end + 5] = 'y';
  data[end + 6] = 0x12;
  ASSERT_EQ(t.Load(data), 1);
  const Bytes written = Serialize(t);
  Bytes expected = data;
  expected[end + 4] = 0;
  expected[end + 5] = 0;
  expected[end + 6] = 0xFF;
  EXPECT_EQ(written, expected);
}

TEST(ParseDmiTable, BaselineIsACopyThatEditsOfTheCurrentTableDoNotTouch) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  DmiTables& dmi = t.ed().dmi;
  for (uint32_t i = 0; i <= dmi.structure_count; ++i) {
    EXPECT_EQ(dmi.baseline[i].type, dmi.current[i].type);
    EXPECT_EQ(dmi.baseline[i].formatted, dmi.current[i].formatted);
    EXPECT_EQ(dmi.baseline[i].strings, dmi.current[i].strings);
  }
  dmi.current[1].strings[0] = "Other";
  EXPECT_EQ(dmi.baseline[1].strings[0], "Maker");
}

TEST(ParseDmiTable, SecondParseLeavesNothingOfTheFirst) {
  DmiEditor t;
  std::vector<SmbiosStructure> many = BoardStructures();
  for (uint16_t h = 10; h < 40; ++h)
    many.push_back(Structure(11, h, {"filler " + std::to_string(h)}));
  ASSERT_EQ(t.Load(DmiModuleData(many, 4096)), 1);
  t.ed().dmi.rebuild_buffer = {1, 2, 3};

  // What Open does before it parses the next image.
  t.tree.DeleteAllItems();
  ResetDmiTables(t.ed());
  t.root = t.tree.InsertItem(platform::kRootItem, "DMI");
  ASSERT_EQ(t.Load(DmiModuleData({Structure(0, 0, {"Only"})}, 256)), 1);
  const DmiTables& dmi = t.ed().dmi;
  EXPECT_EQ(dmi.structure_count, 1u);
  EXPECT_THAT(dmi.rebuild_buffer, IsEmpty());
  for (const auto* table : {&dmi.current, &dmi.baseline}) {
    EXPECT_THAT((*table)[0].strings, ElementsAre("Only"));
    EXPECT_EQ((*table)[1].type, 127u);
    for (size_t i = 2; i < table->size(); ++i) {
      ASSERT_FALSE((*table)[i].InUse()) << i;
      ASSERT_THAT((*table)[i].strings, IsEmpty()) << i;
    }
  }
  EXPECT_THAT(t.TreeChildren(), ElementsAre(Pair("BIOS Information (Type 0)", 0u)));
}

TEST(ParseDmiTable, TablesItCannotTakeWholeAreRefusedAndLeaveNothing) {
  const Bytes good = DmiModuleData(BoardStructures(), 1024);
  const size_t first_string = 20 + 0x1A;  // "Vendor" of structure 0
  const size_t end = 20 + tools::BuildSmbiosTable(BoardStructures()).size() - 6;
  ASSERT_EQ(good[end], 0x7F);
  auto with = [&](auto change) {
    Bytes data = good;
    change(data);
    return data;
  };
  std::vector<SmbiosStructure> too_many(800, Structure(4, 0, {}));
  too_many.front() = Structure(0, 0, {});
  struct Case {
    const char* name;
    Bytes data;
    const char* message;
  };
  const Case cases[] = {
      {"no byte at offset 20", Bytes(20, 0), kMsgTableNotEnded},
      {"ends inside a string", Bytes(good.begin(), good.begin() + first_string + 3),
       kMsgTableNotEnded},
      {"ends after a string's NUL", Bytes(good.begin(), good.begin() + first_string + 7),
       kMsgTableNotEnded},
      {"ends inside a formatted area", Bytes(good.begin(), good.begin() + 30), kMsgTableNotEnded},
      {"end-of-table structure cut short", Bytes(good.begin(), good.begin() + end + 3),
       kMsgTableNotEnded},
      {"no end-of-table structure at all", with([&](Bytes& d) { d[end] = 0x7E; }),
       kMsgTableNotEnded},
      {"length below the header", with([](Bytes& d) { d[21] = 3; }), kMsgStructureTooShort},
      {"zero length", with([](Bytes& d) { d[21] = 0; }), kMsgStructureTooShort},
      {"801 records", DmiModuleData(too_many, 20 + 800 * 10 + 64), kMsgTooManyStructures},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DmiEditor t;
    EXPECT_EQ(t.Load(c.data), 0);
    EXPECT_THAT(t.MessageTexts(), ElementsAre(c.message));
    EXPECT_EQ(t.ed().dmi.structure_count, 0u);
    EXPECT_FALSE(t.ed().dmi.current[0].InUse());
    EXPECT_FALSE(t.ed().dmi.baseline[0].InUse());
    EXPECT_FALSE(t.ed().dmi.current[1].InUse());
    EXPECT_EQ(t.tree.GetCount(), 1);
  }
}

TEST(ParseDmiTable, TableFillingEveryRecordIsTaken) {
  std::vector<SmbiosStructure> full(799, Structure(4, 0, {}));
  full.front() = Structure(0, 0, {"BIOS"});
  const Bytes data = DmiModuleData(full, 20 + 800 * 10 + 64);
  DmiEditor t;
  ASSERT_EQ(t.Load(data), 1);
  EXPECT_EQ(t.ed().dmi.structure_count, 799u);
  EXPECT_EQ(t.ed().dmi.current[799].type, 127u);
  EXPECT_EQ(Serialize(t), data);
}

TEST(DmiTypeName, NamesTheEditableTypesOnly) {
  EXPECT_STREQ(DmiTypeName(0), "BIOS Information (Type 0)");
  EXPECT_STREQ(DmiTypeName(1), "System Information (Type 1)");
  EXPECT_STREQ(DmiTypeName(2), "Baseboard or Module Information (Type 2)");
  EXPECT_STREQ(DmiTypeName(3), "System Enclosure (Type 3)");
  EXPECT_STREQ(DmiTypeName(11), "OEM Strings (Type 11)");
  for (const uint32_t other : {4u, 10u, 12u, 127u, 0xFFFFFFFFu})
    EXPECT_STREQ(DmiTypeName(other), "");
}

}  // namespace
}  // namespace kalvire::dmi::test
