#include "setup/string_edit.h"
#include "setup/commands.h"
#include "setup/messages.h"
#include "setup_view.h"
#include "util/le.h"

namespace kalvire::setup::test {
namespace {

Texts StringTable(const rom::RomWorkspace& ws) {
  Texts table;
  for (size_t i = 0; i < ws.m_string_count; ++i) {
    const rom::StringRecord& r = ws.m_strings[i];
    table.push_back(std::to_string(r.id) + ":" + std::to_string(r.length) + ":" + r.text.data());
  }
  return table;
}

using Edit = std::pair<uint32_t, std::string>;  // a node and its new text

// Makes the edits, then compares with the menu built with the new texts: the module bytes and
// the package offsets; a new Open of the bytes sees the tree and the string table the edits left.
void ExpectEditsGiveTheBuiltMenu(SetupLayout layout, ModuleStorage storage,
                                 const std::vector<Edit>& edits) {
  auto view = OpenTestMenu(layout, storage);
  tools::HiiPackageList forms = tools::BuildEditForms(layout);
  const rom::ModuleSlot& slot = view->editor.workspace.m_setup_module;
  const Bytes head(slot.file.begin(), slot.file.begin() + slot.data_offset);
  const Bytes behind(slot.file.begin() + slot.data_offset + slot.data_size, slot.file.end());
  for (const auto& [node, text] : edits) {
    SCOPED_TRACE(text);
    const std::string old_text = view->Text(node);
    const uint16_t id = view->editor.setup.nodes[node].string_id;
    EditSetupString(view->editor, node, text);
    forms.string_packages[0].texts[id - 1] = text;
    ASSERT_THAT(view->Messages(), IsEmpty());
    EXPECT_EQ(view->Log().back(),
              "    String is changed to \" " + text + " \" from \" " + old_text + " \"");
    EXPECT_EQ(view->Color(node), platform::kColorRed);
  }
  EXPECT_TRUE(view->editor.workspace.m_setup_string_modified);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), slot.file.begin()));
  EXPECT_EQ(Bytes(slot.file.begin() + slot.data_offset + slot.data_size, slot.file.end()), behind);

  auto built = OpenForms(forms, layout, storage);
  Bytes ours(view->SetupData().begin(), view->SetupData().end());
  const Bytes theirs(built->SetupData().begin(), built->SetupData().end());
  // Inside a stored compression section the editor pads the list's section with 0xFD where the
  // builder pads with zeros.
  for (size_t i = 0; storage == ModuleStorage::kStored && i < std::min(ours.size(), theirs.size());
       ++i) {
    if (ours[i] == 0xFD && theirs[i] == 0) ours[i] = 0;
  }
  EXPECT_EQ(ours, theirs);
  const auto offsets = [](const rom::SetupPackages& p) {
    return std::tuple(p.package_list_offset, p.forms_package, p.strings_package,
                      p.string_data_offset, p.package_list_guid_flag);
  };
  EXPECT_EQ(offsets(view->editor.workspace.m_setup_packages),
            offsets(built->editor.workspace.m_setup_packages));
  auto again = WithSetupModule(slot);  // a new Open sees what the edits left
  ASSERT_EQ(again->Parse(), 1);
  EXPECT_EQ(again->Items(), view->Items());
  EXPECT_EQ(StringTable(again->editor.workspace), StringTable(view->editor.workspace));
}

class StringEditLayouts : public ::testing::TestWithParam<SetupLayout> {};

// Shorter, equal, longer, across the alignment of the list's container and far past it; edits
// that accumulate; a Tiano-compressed module, which holds its decoded sections, and a stored
// compression section around a list in a section of its own, which grows with the list.
TEST_P(StringEditLayouts, EditsGiveTheMenuBuiltWithTheirTexts) {
  for (const size_t length :
       {1, 4, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 60, 180}) {
    SCOPED_TRACE(length);
    ExpectEditsGiveTheBuiltMenu(GetParam(), ModuleStorage::kPlain,
                                {{NodeOf(kBootMode), std::string(length, 'x')}});
  }
  ExpectEditsGiveTheBuiltMenu(GetParam(), ModuleStorage::kPlain,
                              {{NodeOf(kBootMode), "Boot Mode Selection For All Devices"},
                               {NodeOf(kLast), "L"},
                               {NodeOf(kBootMode), "Boot Mode"},
                               {NodeOf(kLong), "Short"},  // the stored string goes whole
                               {NodeOf(kSata), std::string(230, 'T')},
                               {NodeOf(kVendor), "Fabricant \xE9tendu \xFF"}});
  for (const ModuleStorage storage : {ModuleStorage::kTiano, ModuleStorage::kStored}) {
    if (GetParam() == SetupLayout::kPe32 && storage == ModuleStorage::kStored) continue;
    SCOPED_TRACE(int(storage));
    ExpectEditsGiveTheBuiltMenu(GetParam(), storage,
                                {{NodeOf(kSata), std::string(70, 'x')},
                                 {NodeOf(kSata), "x"},
                                 {NodeOf(kSata), std::string(9, 'x')}});
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, StringEditLayouts,
                         ::testing::Values(SetupLayout::kPe32, SetupLayout::kSection),
                         [](const auto& info) {
                           return info.param == SetupLayout::kPe32 ? "Pe32" : "Section";
                         });

// The Update Data dialog is preset with the item's text; a string id shared with another item
// changes that item too.
TEST(EditSetupString, UpdateDataDialogAndASharedStringId) {
  auto view = OpenTestMenu();
  view->Select(NodeOf(kFastBoot));
  view->prompter.QueueText("Quick Boot");
  EditSelectedString(view->editor);
  const platform::TextDialogRequest& r = view->prompter.TextRequests().at(0);
  EXPECT_EQ(r.title + "|" + r.initial_text + "|" + std::to_string(r.max_length),
            "Update Data|Fast Boot|100");
  EXPECT_EQ(view->Text(NodeOf(kFastBoot)) + view->Text(NodeOf(kFastBootText)),
            "Quick BootQuick Boot");
  EXPECT_NE(view->Color(NodeOf(kFastBootText)), platform::kColorRed);
}

// A relocation RVA past the image or not right behind the padded package list, or a resource
// data entry far past the image, is refused before a byte of the module moves.
TEST(EditSetupString, RefusesARelocationOrResourceDataEntryOutsideTheImage) {
  enum Fault { kRelocationPastImage, kRelocationInsideList, kDataEntryPastImage };
  for (const Fault fault : {kRelocationPastImage, kRelocationInsideList, kDataEntryPastImage}) {
    SCOPED_TRACE(int(fault));
    auto view = OpenTestMenu();
    uint8_t* data = view->SetupData().data();
    const uint64_t pe = 4 + util::LoadLe32(data + 4 + 0x3C);
    const uint32_t relocation = util::LoadLe32(data + pe + 176);
    if (fault == kRelocationPastImage) {
      util::StoreLe32(data + pe + 176, uint32_t(view->SetupData().size()));
    }
    if (fault == kRelocationInsideList) util::StoreLe32(data + pe + 176, relocation - 8);
    // Down the first entry of each resource directory to the data entry.
    const uint64_t root = 4 + util::LoadLe32(data + pe + 152);
    for (uint64_t directory = root; fault == kDataEntryPastImage;) {
      const uint32_t target = util::LoadLe32(data + directory + 20);
      if (!(target & 0x80000000u)) {
        util::StoreLe32(data + directory + 20, 0x7FFFFFF0u);  // a read there would crash
        break;
      }
      directory = root + (target & 0x7FFFFFFFu);
    }
    const Bytes before(view->SetupData().begin(), view->SetupData().end());
    const std::string text = view->Text(NodeOf(kBootMode));
    EditSetupString(view->editor, NodeOf(kBootMode), "Longer Boot Mode");
    EXPECT_EQ(view->Messages(), Texts{kMsgStringLayoutMismatch});
    EXPECT_EQ(Bytes(view->SetupData().begin(), view->SetupData().end()), before);
    EXPECT_EQ(view->Text(NodeOf(kBootMode)), text);
  }
}

}  // namespace
}  // namespace kalvire::setup::test
