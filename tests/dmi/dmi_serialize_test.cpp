#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "dmi/dmi_serialize.h"
#include "dmi/messages.h"
#include "dmi_test_support.h"
#include "util/le.h"

namespace kalvire::dmi::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

size_t FillerStart(const Bytes& data) {
  size_t end = data.size();
  while (end > 0 && data[end - 1] == 0xFF) --end;
  return end;
}

TEST(SerializeDmiModule, DoesNothingWhileTheModifiedFlagIsClear) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  t.ed().dmi.current[0].strings[0] = "Changed";
  EXPECT_EQ(SerializeDmiModule(t.ed()), 1);
  EXPECT_THAT(t.ed().dmi.rebuild_buffer, IsEmpty());
}

TEST(SerializeDmiModule, LongerStringMovesLaterStructuresAndShortensTheFiller) {
  for (const Layout layout : {Layout::kSection, Layout::kStoredCompression}) {
    SCOPED_TRACE(layout == Layout::kSection ? "table at 20" : "table at 29");
    DmiEditor t;
    const Bytes data = DmiModuleData(BoardStructures(), 1024, layout);
    ASSERT_EQ(t.Load(data), 1);
    // "Maker", the first string of the type 1 structure, becomes ten characters.
    const std::string needle = "Maker";
    const auto at =
        size_t(std::search(data.begin(), data.end(), needle.begin(), needle.end()) - data.begin());
    t.ed().dmi.current[1].strings[0] = "MakerMaker";
    t.ed().workspace.m_dmi_modified = true;
    ASSERT_EQ(SerializeDmiModule(t.ed()), 1);
    const Bytes& out = t.ed().dmi.rebuild_buffer;
    ASSERT_EQ(out.size(), data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + at, out.begin()));
    EXPECT_EQ(std::string(out.begin() + at, out.begin() + at + 10), "MakerMaker");
    const size_t table_end = FillerStart(data);
    EXPECT_TRUE(std::equal(data.begin() + at + 5, data.begin() + table_end, out.begin() + at + 10));
    EXPECT_EQ(FillerStart(out), table_end + 5);
    EXPECT_TRUE(
        std::all_of(out.begin() + table_end + 5, out.end(), [](uint8_t b) { return b == 0xFF; }));
  }
}

TEST(SerializeDmiModule, ShorterStringGrowsTheFiller) {
  DmiEditor t;
  const Bytes data = DmiModuleData(BoardStructures(), 1024);
  ASSERT_EQ(t.Load(data), 1);
  t.ed().dmi.current[0].strings[2] = " ";  // "01/02/2024"
  t.ed().workspace.m_dmi_modified = true;
  ASSERT_EQ(SerializeDmiModule(t.ed()), 1);
  EXPECT_EQ(FillerStart(t.ed().dmi.rebuild_buffer), FillerStart(data) - 9);
}

TEST(SerializeDmiModule, TableThatNoLongerFitsIsRefusedAndNothingIsBuilt) {
  DmiEditor t;
  const Bytes data = DmiModuleData({Structure(0, 0, {"AB"})}, 20 + 12 + 6 + 3);
  ASSERT_EQ(t.Load(data), 1);
  t.ed().workspace.m_dmi_modified = true;

  t.ed().dmi.current[0].strings[0] = "ABCDE";  // exactly fills the module: no filler left
  ASSERT_EQ(SerializeDmiModule(t.ed()), 1);
  EXPECT_EQ(t.ed().dmi.rebuild_buffer.size(), data.size());
  EXPECT_EQ(t.ed().dmi.rebuild_buffer.back(), 0);

  t.ed().dmi.current[0].strings[0] = "ABCDEF";
  EXPECT_EQ(SerializeDmiModule(t.ed()), 0);
  EXPECT_THAT(t.ed().dmi.rebuild_buffer, IsEmpty());
  EXPECT_THAT(t.MessageTexts(), ElementsAre(kMsgTableTooLong));
}

// The module data of a stored compression section may end with the alignment padding behind
// the freeform section that holds the table: it belongs to the enclosing section.
TEST(SerializeDmiModule, BytesBehindTheTablesSectionAreKept) {
  Bytes data =
      DmiModuleData({Structure(0, 0, {"AB"})}, 29 + 12 + 6 + 4, Layout::kStoredCompression);
  util::StoreLe24(data.data() + 9, uint32_t(data.size() - 9 - 2));
  data[data.size() - 2] = 0;
  data[data.size() - 1] = 0;
  DmiEditor t;
  ASSERT_EQ(t.Load(data), 1);
  t.ed().workspace.m_dmi_modified = true;
  ASSERT_EQ(SerializeDmiModule(t.ed()), 1);
  EXPECT_EQ(t.ed().dmi.rebuild_buffer, data);

  t.ed().dmi.current[0].strings[0] = "ABCD";  // fills the section: the padding is still kept
  ASSERT_EQ(SerializeDmiModule(t.ed()), 1);
  EXPECT_EQ(t.ed().dmi.rebuild_buffer.size(), data.size());
  EXPECT_EQ(t.ed().dmi.rebuild_buffer[data.size() - 3], 0);  // the end-of-table's last NUL
  EXPECT_EQ(t.ed().dmi.rebuild_buffer[data.size() - 2], 0);

  t.ed().dmi.current[0].strings[0] = "ABCDE";  // would run into the padding
  EXPECT_EQ(SerializeDmiModule(t.ed()), 0);
  EXPECT_THAT(t.MessageTexts(), ElementsAre(kMsgTableTooLong));

  // A section size that does not fit the data is not believed: the filler runs to the end.
  for (const uint32_t size : {uint32_t(data.size()), 10u, 0xFFFFFFu}) {
    SCOPED_TRACE(size);
    Bytes odd = data;
    util::StoreLe24(odd.data() + 9, size);
    DmiEditor u;
    ASSERT_EQ(u.Load(odd), 1);
    u.ed().workspace.m_dmi_modified = true;
    ASSERT_EQ(SerializeDmiModule(u.ed()), 1);
    EXPECT_EQ(u.ed().dmi.rebuild_buffer.back(), 0xFF);
    EXPECT_EQ(u.ed().dmi.rebuild_buffer.size(), odd.size());
  }
}

TEST(SerializeDmiModule, RefusesWithoutAParsedTable) {
  DmiEditor t;
  t.SetModuleData(DmiModuleData(BoardStructures(), 1024));
  t.ed().workspace.m_dmi_modified = true;
  EXPECT_EQ(SerializeDmiModule(t.ed()), 0);
  EXPECT_THAT(t.ed().dmi.rebuild_buffer, IsEmpty());
}

TEST(BuildDmiModuleData, RefusesDataShorterThanItsLeadingBytes) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024, Layout::kStoredCompression)), 1);
  for (const size_t size : {0, 20, 21, 28}) {
    SCOPED_TRACE(size);
    const Bytes short_data(size, 0x01);
    Bytes out{9};
    EXPECT_FALSE(BuildDmiModuleData(short_data, t.ed().dmi, out));
    EXPECT_THAT(out, IsEmpty());
  }
}

}  // namespace
}  // namespace kalvire::dmi::test
