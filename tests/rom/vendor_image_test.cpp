// The two real vendor images, edited in every way the editor offers and saved: the reopened image
// shows the edits and nothing else, our verification and UEFIExtract find the saved image as
// sound as the original, the rebuilt modules decode to the data the editor saved, every other
// file keeps its bytes and aligned files stay aligned, and the track log of the save imported
// into the unedited image saves the same bytes. The images are copied into a temporary folder
// first; nothing is written or run inside the shared folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "cli/cli.h"
#include "dmi/dmi_edit.h"
#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "rom/section.h"
#include "rom/verify.h"
#include "save_fixture.h"
#include "setup/ifr_layout.h"
#include "setup/node_control.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "support/test_data.h"
#include "tracklog/history.h"
#include "tracklog/import_settings.h"
#include "tracklog/track_log.h"
#include "tracklog/track_log_file.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

using kalvire::test::HaveUefiExtract;
using kalvire::test::ReadTextFile;

namespace fs = std::filesystem;
using ::testing::IsEmpty;

constexpr const char* kImageNames[] = {"h61-bios-region.bin", "p7xxdm-full-flash.rom"};

// ---- The setup menu

platform::TreeControl& SetupTree(Editor& editor) {
  return *editor.controls.setup_tree;
}
platform::TreeItem Item(Editor& editor, uint32_t node) {
  return editor.setup.node_items[node];
}
uint8_t Opcode(Editor& editor, uint32_t node) {
  return setup::ItemOpcode(SetupTree(editor).GetItemData(Item(editor, node)));
}
std::string Text(Editor& editor, uint32_t node) {
  return SetupTree(editor).GetItemText(Item(editor, node));
}
setup::ControlState State(Editor& editor, uint32_t node) {
  setup::ControlState state;
  setup::ReadControlState(editor, Item(editor, node), state);
  return state;
}

// The option values of a ONE_OF node, read with the width ReadControlState finds.
std::vector<uint64_t> OptionValues(Editor& editor, uint32_t node) {
  State(editor, node);
  const int32_t width = editor.setup.current_value_width;
  const auto data = editor.workspace.m_setup_module.Data();
  const uint32_t offset = setup::ItemOffset(SetupTree(editor).GetItemData(Item(editor, node)));
  std::vector<uint64_t> values;
  for (const uint64_t option : setup::OneOfOptionOffsets(data, offset)) {
    values.push_back(setup::ReadValue(data, option + 6, width).value_or(0));
  }
  return values;
}

// The texts the option-to-delete combo offers for a node.
std::vector<std::string> DeletableOptions(Editor& editor, uint32_t node) {
  SetupTree(editor).SelectItem(Item(editor, node));
  const platform::ComboControl& combo = *editor.controls.delete_option_combo;
  std::vector<std::string> texts;
  for (int i = 0; i < combo.GetCount(); ++i) texts.push_back(combo.GetText(i));
  return texts;
}

// Hands out question nodes for the edits: each with a control record in the AmiTse data, a
// text of at least a few characters, and a string id that no node handed out before has, so
// that one edit's string never shows in another edit's node.
constexpr uint8_t kAnyOpcode = 0;

class NodePicker {
 public:
  explicit NodePicker(Editor& editor) : m_editor(editor) {}

  std::optional<uint32_t> Take(uint8_t opcode, const std::function<bool(uint32_t)>& fits) {
    for (uint32_t node = 0; node < m_editor.setup.node_count; ++node) {
      const uint16_t string_id = m_editor.setup.nodes[node].string_id;
      setup::NodeControl control;
      if ((opcode != kAnyOpcode && Opcode(m_editor, node) != opcode) ||
          m_strings.count(string_id) != 0 || Text(m_editor, node).size() < 4 ||
          setup::FindNodeControl(m_editor, Item(m_editor, node), control) != 1 || !fits(node)) {
        continue;
      }
      m_strings.insert(string_id);
      return node;
    }
    return std::nullopt;
  }

 private:
  Editor& m_editor;
  std::set<uint16_t> m_strings;
};

// What a set of edits changes: the nodes they went to, the setup strings given a new text and
// the DMI strings (structure, string index). Nothing else may differ after the save.
struct Changes {
  std::set<uint32_t> nodes;
  std::map<uint16_t, std::string> setup_strings;
  std::set<std::pair<uint32_t, size_t>> dmi_strings;
  std::vector<std::pair<uint32_t, std::string>> deleted_options;
  bool std_defaults = false;  // an optimal default was written into the NVRAM store
};

// ---- The edits; each asserts (non-fatally) that it took effect without a message.

void ExpectNoNewMessages(Session& session, size_t before, const std::string& what) {
  const std::vector<std::string> messages = session.Messages();
  EXPECT_EQ(messages.size(), before) << what << ": "
                                     << testing::PrintToString(std::vector<std::string>(
                                            messages.begin() + before, messages.end()));
}

void EditString(Session& session, NodePicker& picker, Changes& changes, bool longer) {
  Editor& editor = session.editor();
  const auto node =
      picker.Take(setup::kOpOneOf, [&](uint32_t n) { return Text(editor, n).size() >= 8; });
  ASSERT_TRUE(node) << "no ONE_OF question for the string edit";
  const std::string old_text = Text(editor, *node);
  const std::string text =
      longer ? old_text + " - a text longer than the vendor's" : old_text.substr(0, 3);
  const size_t messages = session.Messages().size();
  setup::EditSetupString(editor, *node, text);
  ExpectNoNewMessages(session, messages, "string edit of node " + std::to_string(*node));
  EXPECT_EQ(Text(editor, *node), text);
  changes.nodes.insert(*node);
  changes.setup_strings[editor.setup.nodes[*node].string_id] = text;
}

void Hide(Session& session, NodePicker& picker, Changes& changes) {
  Editor& editor = session.editor();
  const auto node =
      picker.Take(setup::kOpOneOf, [&](uint32_t n) { return State(editor, n).visible == 1; });
  ASSERT_TRUE(node) << "no shown ONE_OF question";
  const size_t messages = session.Messages().size();
  setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, *node);
  ExpectNoNewMessages(session, messages, "hide");
  EXPECT_EQ(State(editor, *node).visible, 0);
  changes.nodes.insert(*node);
}

// Shows a hidden node. The vendor menus may hide none: then a node is hidden and shown again,
// which must leave its control record as it was.
void Show(Session& session, NodePicker& picker, Changes& changes) {
  Editor& editor = session.editor();
  auto node = picker.Take(kAnyOpcode, [&](uint32_t n) { return State(editor, n).visible == 0; });
  const bool hidden_before = node.has_value();
  if (!node) {
    node = picker.Take(setup::kOpOneOf, [&](uint32_t n) { return State(editor, n).visible == 1; });
    ASSERT_TRUE(node) << "no node to hide and show";
    setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, *node);
    ASSERT_EQ(State(editor, *node).visible, 0);
  }
  const size_t messages = session.Messages().size();
  setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 1, 0, *node);
  ExpectNoNewMessages(session, messages, "show");
  EXPECT_EQ(State(editor, *node).visible, 1);
  if (hidden_before) changes.nodes.insert(*node);
}

void ChangeAccess(Session& session, NodePicker& picker, Changes& changes) {
  Editor& editor = session.editor();
  const auto node = picker.Take(setup::kOpOneOf, [](uint32_t) { return true; });
  ASSERT_TRUE(node) << "no ONE_OF question for the access level";
  const uint8_t level = State(editor, *node).access_level == 2 ? 3 : 2;
  const size_t messages = session.Messages().size();
  setup::ChangeNodeSetting(editor, setup::kChangeAccessLevel, level, 0, *node);
  ExpectNoNewMessages(session, messages, "access level");
  EXPECT_EQ(State(editor, *node).access_level, level);
  changes.nodes.insert(*node);
}

void OptimalOneOf(Session& session, NodePicker& picker, Changes& changes) {
  Editor& editor = session.editor();
  const auto node = picker.Take(setup::kOpOneOf, [&](uint32_t n) {
    const std::vector<uint64_t> values = OptionValues(editor, n);
    return values.size() >= 2 && values[0] != values[1] && values[1] <= 0xFFFFFFFF;
  });
  ASSERT_TRUE(node) << "no ONE_OF question with two options";
  const std::vector<uint64_t> values = OptionValues(editor, *node);
  const uint64_t current = State(editor, *node).value;
  const uint64_t wanted = values[0] == current ? values[1] : values[0];
  const size_t messages = session.Messages().size();
  setup::ApplyOptimalSelection(editor, *node, uint32_t(wanted));
  ExpectNoNewMessages(session, messages, "ONE_OF optimal default");
  EXPECT_EQ(State(editor, *node).value, wanted);
  changes.nodes.insert(*node);
  changes.std_defaults = true;
}

void OptimalNumeric(Session& session, NodePicker& picker, Changes& changes) {
  Editor& editor = session.editor();
  // A NUMERIC whose value can move by one within its range; the range is checked by the edit.
  const auto node = picker.Take(setup::kOpNumeric, [&](uint32_t n) {
    return State(editor, n).visible == 1 && State(editor, n).value < 0xFFFFFFFF;
  });
  ASSERT_TRUE(node) << "no NUMERIC question";
  const uint64_t number = State(editor, *node).value;
  const size_t messages = session.Messages().size();
  setup::ApplyOptimalSelection(editor, *node, uint32_t(number + 1));
  if (State(editor, *node).value == number) {
    // At its maximum: the refusal is the one message, and one less lies in the range.
    EXPECT_EQ(session.Messages().size(), messages + 1);
    setup::ApplyOptimalSelection(editor, *node, uint32_t(number - 1));
    ExpectNoNewMessages(session, messages + 1, "NUMERIC optimal default");
  } else {
    ExpectNoNewMessages(session, messages, "NUMERIC optimal default");
  }
  EXPECT_NE(State(editor, *node).value, number);
  changes.nodes.insert(*node);
  changes.std_defaults = true;
}

// A CHECKBOX's optimal default does not show in the control state; the reopened AmiTse data
// and NVRAM store, compared byte for byte, show it.
void OptimalCheckbox(Session& session, NodePicker& picker, Changes& changes) {
  Editor& editor = session.editor();
  const auto node = picker.Take(setup::kOpCheckbox, [](uint32_t) { return true; });
  ASSERT_TRUE(node) << "no CHECKBOX question";
  const Bytes tse_before(editor.workspace.m_amitse_module.Data().begin(),
                         editor.workspace.m_amitse_module.Data().end());
  const size_t messages = session.Messages().size();
  setup::ApplyOptimalSelection(editor, *node, 1);
  const Bytes tse_enabled(editor.workspace.m_amitse_module.Data().begin(),
                          editor.workspace.m_amitse_module.Data().end());
  if (tse_enabled == tse_before) setup::ApplyOptimalSelection(editor, *node, 0);
  ExpectNoNewMessages(session, messages, "CHECKBOX optimal default");
  const auto tse_after = editor.workspace.m_amitse_module.Data();
  EXPECT_FALSE(std::equal(tse_after.begin(), tse_after.end(), tse_before.begin(), tse_before.end()))
      << "the CHECKBOX default did not change the AmiTse data";
  changes.nodes.insert(*node);
  changes.std_defaults = true;
}

void DeleteOption(Session& session, NodePicker& picker, Changes& changes) {
  Editor& editor = session.editor();
  const auto node = picker.Take(
      setup::kOpOneOf, [&](uint32_t n) { return DeletableOptions(editor, n).size() >= 2; });
  ASSERT_TRUE(node) << "no ONE_OF question with options to delete";
  const std::string option = DeletableOptions(editor, *node).back();
  const size_t messages = session.Messages().size();
  setup::DeleteOption(editor, *node, option);
  ExpectNoNewMessages(session, messages, "option deletion");
  EXPECT_TRUE(editor.workspace.m_setup_string_modified);
  changes.nodes.insert(*node);
  changes.deleted_options.emplace_back(*node, option);
}

// Sets the strings of the first structure of `type` to `texts` (slot by slot) through the DMI
// dialog and records which strings changed.
void EditDmi(Session& session, uint32_t type, const std::vector<std::string>& texts,
             Changes& changes) {
  Editor& editor = session.editor();
  platform::TreeControl& tree = *editor.controls.dmi_tree;
  for (platform::TreeItem item = tree.GetChildItem(tree.GetChildItem(platform::kRootItem));
       item != platform::kNoItem; item = tree.GetNextSiblingItem(item)) {
    const uint32_t structure = tree.GetItemData(item);
    if (editor.dmi.current[structure].type != type) continue;
    const std::vector<std::string> before = editor.dmi.current[structure].strings;
    platform::DmiEdits edits;
    for (size_t slot = 0; slot < texts.size() && slot < before.size(); ++slot) {
      edits[int(slot)] = texts[slot];
    }
    tree.SelectItem(item);
    const size_t messages = session.Messages().size();
    ASSERT_TRUE(session.prompter().QueueDmiEdits(edits));
    dmi::EditDmiString(editor);
    ExpectNoNewMessages(session, messages, "DMI edit");
    const std::vector<std::string>& after = editor.dmi.current[structure].strings;
    ASSERT_EQ(after.size(), before.size());
    size_t changed = 0;
    for (size_t k = 0; k < after.size(); ++k) {
      if (after[k] == before[k]) continue;
      changes.dmi_strings.insert({structure, k});
      ++changed;
    }
    EXPECT_EQ(changed, edits.size()) << "DMI structure " << structure;
    return;
  }
  ADD_FAILURE() << "no DMI structure of type " << type;
}

// 60 letters without repeats an LZ coder could use: a DMI string that makes the module grow.
std::string NoisyText(uint64_t seed) {
  std::string text;
  for (const uint8_t byte : kalvire::test::RandomBytes(60, seed)) text += char('A' + byte % 26);
  return text;
}

// ---- Files of a walked image

struct FileView {
  Guid name{};
  uint8_t type = 0;
  uint8_t attributes = 0;
  uint64_t volume_offset = 0;  // of the file header from the volume start
  Bytes bytes;
};

// Every file of every volume the walk found, keyed by name and occurrence.
using FileMap = std::map<std::pair<Guid, int>, FileView>;

struct Walked {
  std::unique_ptr<Editor> editor = std::make_unique<Editor>();
  FileMap files;
};

Walked Walk(const Bytes& image) {
  Walked walked;
  RomWorkspace& ws = walked.editor->workspace;
  ws.m_working_image = image;
  EXPECT_EQ(WalkFirmwareVolumes(*walked.editor), 1);
  std::map<Guid, int> seen;
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    const FileRecord& record = ws.m_files[i];
    const auto buffer = ws.Buffer(record.file.buffer);
    if (!util::Fits(buffer, record.file.offset, record.size)) continue;
    FileView view;
    view.name = record.name;
    view.type = buffer[record.file.offset + 18];
    view.attributes = buffer[record.file.offset + 19];
    view.volume_offset = record.file.offset - ws.m_volumes[record.volume_index].start.offset;
    view.bytes.assign(buffer.begin() + record.file.offset,
                      buffer.begin() + record.file.offset + record.size);
    walked.files[{record.name, seen[record.name]++}] = std::move(view);
  }
  return walked;
}

// The data alignment the attributes ask for (bits 3-5), 1 for none.
uint64_t DataAlignment(uint8_t attributes) {
  static constexpr uint64_t kAlignments[] = {1, 16, 128, 512, 1024, 4096, 32768, 65536};
  return kAlignments[(attributes >> 3) & 7];
}

bool DataAligned(const FileView& file) {
  const uint64_t header = (file.attributes & 0x01) ? 32 : kFfsHeaderSize;
  return (file.volume_offset + header) % DataAlignment(file.attributes) == 0;
}

// ---- UEFIExtract

struct ExtractReport {
  std::vector<std::string> files;     // "subtype name" of every File row, tree depth kept
  std::multiset<std::string> faults;  // its messages, offsets and sizes masked
};

// The report of the image at `path`, its rows and messages; pad files and history files, which
// a save may add, resize or drop, are left out of the file list.
ExtractReport RunReport(const std::string& path) {
  ExtractReport report;
  const std::string messages = path + ".messages.txt";
  EXPECT_EQ(std::system(("UEFIExtract '" + path + "' report >'" + messages + "' 2>&1").c_str()), 0);
  std::istringstream rows(ReadTextFile(path + ".report.txt"));
  const std::string history = FormatGuid(tracklog::kHistoryFileGuid);
  for (std::string row; std::getline(rows, row);) {
    std::vector<std::string> columns;
    std::istringstream cells(row);
    for (std::string cell; std::getline(cells, cell, '|');) {
      const size_t first = cell.find_first_not_of(' ');
      const size_t last = cell.find_last_not_of(' ');
      columns.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    if (columns.size() < 6 || columns[0] != "File" || columns[1] == "Pad" ||
        columns[5].find(history) != std::string::npos) {
      continue;
    }
    report.files.push_back(columns[1] + " " + columns[5]);
  }
  const std::regex number("[0-9A-Fa-f]+h\\b");
  std::istringstream lines(ReadTextFile(messages));
  for (std::string line; std::getline(lines, line);) {
    report.faults.insert(std::regex_replace(line, number, "#h"));
  }
  return report;
}

// The body of every leaf section of the file named `guid` as UEFIExtract decodes it, in file
// order.
std::vector<Bytes> LeafBodies(const std::string& image, const Guid& guid, const fs::path& out) {
  std::system(("UEFIExtract '" + image + "' " + FormatGuid(guid) + " -o '" + out.string() +
               "' -m body -t FF >/dev/null 2>&1")
                  .c_str());
  std::vector<Bytes> bodies;
  for (int i = 0;; ++i) {
    const fs::path dumped = out / (i == 0 ? "body.bin" : "body_" + std::to_string(i) + ".bin");
    if (!fs::exists(dumped)) break;
    bodies.push_back(ReadBytes(dumped.string()));
  }
  return bodies;
}

// ---- The fixture: a private copy of one image per test

class VendorImage : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const auto shared = kalvire::test::SharedImagesDir();
    if (!shared) {
      GTEST_SKIP() << "the shared images folder (../shared/images or $KALVIRE_SHARED_DIR/images) "
                      "is absent";
    }
    m_original = kalvire::test::ReadFileOrFail(*shared / GetParam());
    ASSERT_FALSE(m_original.empty());
    m_path = m_dir.Path(GetParam());
    WriteBytes(m_path, m_original);
  }

  // A session on a fresh copy of the image, opened without any message.
  std::unique_ptr<Session> OpenCopy(const std::string& name) {
    WriteBytes(m_dir.Path(name), m_original);
    auto session = OpenSession(m_dir.Path(name));
    if (session) {
      EXPECT_THAT(session->Messages(), IsEmpty());
    }
    return session;
  }

  // Saves the edited session to `name` and checks the saved image from every side.
  void SaveAndCheck(Session& session, const Changes& changes, const std::string& name);

  TempDir m_dir;
  Bytes m_original;
  std::string m_path;
};

// The node and string state after a reopen is the edited one, and it differs from the original
// only where an edit went.
void ExpectOnlyTheChanges(const EditorState& original, const EditorState& edited,
                          const EditorState& reopened, const Changes& changes, Editor& editor) {
  ASSERT_EQ(reopened.node_texts.size(), original.node_texts.size());
  ASSERT_EQ(edited.node_texts.size(), original.node_texts.size());
  size_t differing = 0;
  for (size_t node = 0; node < original.node_texts.size(); ++node) {
    SCOPED_TRACE("node " + std::to_string(node) + " \"" + original.node_texts[node] + "\"");
    EXPECT_EQ(reopened.node_texts[node], edited.node_texts[node]);
    EXPECT_EQ(reopened.controls[node].visible, edited.controls[node].visible);
    EXPECT_EQ(reopened.controls[node].access_level, edited.controls[node].access_level);
    EXPECT_EQ(reopened.controls[node].value, edited.controls[node].value);
    const bool same = original.node_texts[node] == edited.node_texts[node] &&
                      original.controls[node].visible == edited.controls[node].visible &&
                      original.controls[node].access_level == edited.controls[node].access_level &&
                      original.controls[node].value == edited.controls[node].value;
    const bool edited_string = changes.setup_strings.count(editor.setup.nodes[node].string_id) != 0;
    // A question that shows in two forms has one control record: an edit shows in both.
    setup::NodeControl control;
    const bool shared_record =
        setup::FindNodeControl(editor, Item(editor, uint32_t(node)), control) == 1 &&
        std::any_of(changes.nodes.begin(), changes.nodes.end(), [&](uint32_t other) {
          setup::NodeControl edited_control;
          return setup::FindNodeControl(editor, Item(editor, other), edited_control) == 1 &&
                 edited_control.control_record == control.control_record;
        });
    if (!same) {
      ++differing;
      EXPECT_TRUE(changes.nodes.count(uint32_t(node)) != 0 || edited_string || shared_record)
          << "a node no edit went to changed";
    }
  }
  EXPECT_GE(differing, changes.nodes.size() - changes.deleted_options.size());

  ASSERT_EQ(reopened.setup_strings.size(), original.setup_strings.size());
  for (size_t id = 0; id < original.setup_strings.size(); ++id) {
    const auto edit = changes.setup_strings.find(uint16_t(id));
    const std::string& expected =
        edit == changes.setup_strings.end() ? original.setup_strings[id] : edit->second;
    EXPECT_EQ(reopened.setup_strings[id], expected) << "setup string " << id;
  }

  ASSERT_EQ(reopened.dmi_strings.size(), original.dmi_strings.size());
  for (size_t s = 0; s < original.dmi_strings.size(); ++s) {
    ASSERT_EQ(reopened.dmi_strings[s].size(), original.dmi_strings[s].size()) << "structure " << s;
    for (size_t k = 0; k < original.dmi_strings[s].size(); ++k) {
      SCOPED_TRACE("DMI structure " + std::to_string(s) + " string " + std::to_string(k));
      EXPECT_EQ(reopened.dmi_strings[s][k], edited.dmi_strings[s][k]);
      if (changes.dmi_strings.count({uint32_t(s), k}) != 0) {
        EXPECT_NE(reopened.dmi_strings[s][k], original.dmi_strings[s][k]);
      } else {
        EXPECT_EQ(reopened.dmi_strings[s][k], original.dmi_strings[s][k]);
      }
    }
  }
}

void VendorImage::SaveAndCheck(Session& session, const Changes& changes, const std::string& name) {
  Editor& editor = session.editor();
  auto pristine = OpenCopy("pristine_" + name);
  ASSERT_TRUE(pristine);
  const EditorState original = CaptureState(pristine->editor());
  const EditorState edited = CaptureState(editor);
  // The string table follows the edits at once, as a reopen reads it.
  for (const auto& [id, text] : changes.setup_strings) EXPECT_EQ(edited.setup_strings.at(id), text);
  const Walked before = Walk(m_original);
  const ModuleSlot* const our_modules[] = {&editor.workspace.m_setup_module,
                                           &editor.workspace.m_amitse_module,
                                           &editor.workspace.m_dmi_module};
  const bool rebuilt[] = {editor.workspace.m_setup_string_modified,
                          editor.workspace.m_setup_form_modified, editor.workspace.m_dmi_modified};
  const Guid module_names[] = {kSetupModuleGuid, editor.workspace.m_amitse_name, kDmiModuleGuid};

  const std::string saved_path = m_dir.Path(name);
  SaveAs(session, saved_path);
  ASSERT_EQ(session.Messages().back(), "Successfully saved the .ROM file")
      << testing::PrintToString(session.Messages());
  EXPECT_EQ(ReadBytes(m_path), m_original) << "the opened copy changed";
  const Bytes saved = ReadBytes(saved_path);
  ASSERT_EQ(saved.size(), m_original.size());

  // Reopened: exactly the edits, and the very module data the editor saved.
  auto reopened = OpenSession(saved_path);
  ASSERT_TRUE(reopened);
  EXPECT_THAT(reopened->Messages(), IsEmpty());
  ExpectOnlyTheChanges(original, edited, CaptureState(reopened->editor()), changes, editor);
  const ModuleSlot* const their_modules[] = {&reopened->editor().workspace.m_setup_module,
                                             &reopened->editor().workspace.m_amitse_module,
                                             &reopened->editor().workspace.m_dmi_module};
  for (int m = 0; m < 3; ++m) {
    const auto ours = our_modules[m]->Data(), theirs = their_modules[m]->Data();
    EXPECT_TRUE(std::equal(ours.begin(), ours.end(), theirs.begin(), theirs.end()))
        << FormatGuid(module_names[m]) << " reopens with other data than was saved";
  }
  for (const auto& [node, option] : changes.deleted_options) {
    const std::vector<std::string> options = DeletableOptions(reopened->editor(), node);
    EXPECT_EQ(std::count(options.begin(), options.end(), option), 0)
        << "deleted option \"" << option << "\" of node " << node << " is offered again";
  }

  // Our verification: no problem, the same file names in every volume.
  const VerifyResult original_check = VerifyImage(m_original);
  const VerifyResult saved_check = VerifyImage(saved);
  for (const VerifyProblem& problem : saved_check.problems) {
    ADD_FAILURE() << "verify: " << FormatVerifyProblem(problem);
  }
  EXPECT_EQ(CompareFileNames(original_check.files, saved_check.files), std::nullopt);

  // Every file outside the rebuilt ones, the volume image file around them, the history file,
  // pad files and (after an optimal default) the NVRAM store keeps its bytes; a file whose data
  // was aligned stays aligned.
  const Walked after = Walk(saved);
  std::set<Guid> may_change = {tracklog::kHistoryFileGuid};
  for (int m = 0; m < 3; ++m) {
    if (rebuilt[m]) may_change.insert(module_names[m]);
  }
  if (const uint32_t nested = before.editor->workspace.m_nested.file_index; nested != 0) {
    may_change.insert(before.editor->workspace.m_files[nested].name);
  }
  if (changes.std_defaults) may_change.insert(kNvramStoreGuid);
  size_t compared = 0, aligned = 0;
  for (const auto& [key, file] : before.files) {
    SCOPED_TRACE("file " + FormatGuid(key.first) + " #" + std::to_string(key.second));
    const auto found = after.files.find(key);
    if (file.type == kFileTypePad || key.first == tracklog::kHistoryFileGuid) continue;
    ASSERT_NE(found, after.files.end()) << "missing from the saved image";
    if (DataAligned(file) && DataAlignment(file.attributes) > 1) {
      ++aligned;
      EXPECT_TRUE(DataAligned(found->second))
          << "data alignment 0x" << std::hex << DataAlignment(file.attributes)
          << " lost: now at volume offset 0x" << found->second.volume_offset << ", was 0x"
          << file.volume_offset;
    }
    if (may_change.count(key.first) != 0) continue;
    ++compared;
    EXPECT_TRUE(found->second.bytes == file.bytes)
        << "changed bytes; size 0x" << std::hex << file.bytes.size() << " -> 0x"
        << found->second.bytes.size() << ", volume offset 0x" << file.volume_offset << " -> 0x"
        << found->second.volume_offset;
  }
  EXPECT_GT(compared, 100u);
  for (int m = 0; m < 3; ++m) {
    const auto old_file = before.files.find({module_names[m], 0});
    const auto new_file = after.files.find({module_names[m], 0});
    if (!rebuilt[m] || old_file == before.files.end() || new_file == after.files.end()) continue;
    RecordProperty(name + "_" + FormatGuid(module_names[m]).substr(0, 8),
                   std::to_string(old_file->second.bytes.size()) + " -> " +
                       std::to_string(new_file->second.bytes.size()));
  }
  EXPECT_GT(aligned, 0u) << "the image has no aligned file to check";
  // Descriptor, ME and whatever else lies in front of the first volume stays as it was.
  const auto& volumes = before.editor->workspace.m_volumes;
  const uint64_t first_volume = volumes[0].start.offset;
  EXPECT_TRUE(std::equal(m_original.begin(), m_original.begin() + first_volume, saved.begin()));

  if (!HaveUefiExtract()) {
    std::cout << "UEFIExtract (Debian uefitool-cli) is not installed: its checks are skipped\n";
    return;
  }
  const ExtractReport theirs_before = RunReport(m_path);
  const ExtractReport theirs_after = RunReport(saved_path);
  EXPECT_EQ(theirs_after.files, theirs_before.files);
  std::vector<std::string> new_faults;
  std::set_difference(theirs_after.faults.begin(), theirs_after.faults.end(),
                      theirs_before.faults.begin(), theirs_before.faults.end(),
                      std::back_inserter(new_faults));
  EXPECT_THAT(new_faults, IsEmpty()) << "UEFIExtract finds what it did not find in the original";

  // Each rebuilt module decodes, in UEFIExtract, to the sections the editor saved.
  for (int m = 0; m < 3; ++m) {
    if (!rebuilt[m]) continue;
    SCOPED_TRACE("module " + FormatGuid(module_names[m]));
    const auto ours = our_modules[m]->Data();
    const std::vector<Bytes> bodies =
        LeafBodies(saved_path, module_names[m], m_dir.dir() / (name + "_" + std::to_string(m)));
    ASSERT_FALSE(bodies.empty());
    // UEFIExtract also lists the sections in front of the module's (dependency, version); every
    // leaf it decodes from the module's sections is part of the data the editor saved, and the
    // largest holds most of it.
    size_t largest = 0;
    bool module_sections = false;
    for (size_t i = 0; i < bodies.size(); ++i) {
      largest = std::max(largest, bodies[i].size());
      if (bodies[i].size() < 64) continue;
      const bool found =
          std::search(ours.begin(), ours.end(), bodies[i].begin(), bodies[i].end()) != ours.end();
      module_sections = module_sections || found;
      if (!module_sections) continue;
      EXPECT_TRUE(found) << "leaf section " << i << " (0x" << std::hex << bodies[i].size()
                         << " bytes) is not in the saved module data";
    }
    EXPECT_TRUE(module_sections) << "no decoded section is part of the saved module data";
    EXPECT_GE(largest * 2, ours.size());
  }
}

// ---- The tests

TEST_P(VendorImage, OpensCleanlyWithItsSetupTreeAndDmiTable) {
  auto session = OpenSession(m_path);
  ASSERT_TRUE(session);
  EXPECT_THAT(session->Messages(), IsEmpty());
  Editor& editor = session->editor();
  EXPECT_TRUE(editor.workspace.m_setup_module.Present());
  EXPECT_TRUE(editor.workspace.m_amitse_module.Present());
  EXPECT_TRUE(editor.workspace.m_dmi_module.Present());
  EXPECT_GT(editor.setup.node_count, 100u);
  EXPECT_GT(editor.workspace.m_string_count, 100u);
  ASSERT_GT(editor.dmi.structure_count, 3u);
  std::set<uint32_t> types;
  for (uint32_t s = 0; s < editor.dmi.structure_count; ++s)
    types.insert(editor.dmi.current[s].type);
  for (const uint32_t type : {0u, 1u, 2u}) EXPECT_EQ(types.count(type), 1u) << "type " << type;
  EXPECT_THAT(VerifyImage(m_original).problems, IsEmpty());

  // The command-line tool shows the same tree and table.
  std::ostringstream tree, dmi, err;
  const char* tree_args[] = {"kalvire-cli", "tree", m_path.c_str()};
  ASSERT_EQ(cli::RunCli(3, tree_args, tree, err), cli::kExitSuccess) << err.str();
  const std::string tree_text = tree.str();
  // One line per node at least; a text with a line break of its own takes more.
  EXPECT_GE(size_t(std::count(tree_text.begin(), tree_text.end(), '\n')),
            size_t(editor.setup.node_count));
  const char* dmi_args[] = {"kalvire-cli", "dmi", m_path.c_str()};
  ASSERT_EQ(cli::RunCli(3, dmi_args, dmi, err), cli::kExitSuccess) << err.str();
  const std::string dmi_text = dmi.str();
  for (uint32_t s = 0; s < editor.dmi.structure_count; ++s) {
    EXPECT_NE(dmi_text.find("Structure " + std::to_string(s) + ": type " +
                            std::to_string(editor.dmi.current[s].type)),
              std::string::npos)
        << "structure " << s;
  }
}

// Every kind of edit in one save, with longer texts in the Setup and DMI modules; then the track
// log of that save, imported into a pristine copy, saves the same bytes.
TEST_P(VendorImage, EveryEditKindWithLongerTextsSavesSoundlyAndImportsTheSame) {
  auto session = OpenCopy("edited.rom");
  ASSERT_TRUE(session);
  NodePicker picker(session->editor());
  Changes changes;
  EditString(*session, picker, changes, true);
  EditString(*session, picker, changes, false);
  Hide(*session, picker, changes);
  Show(*session, picker, changes);
  ChangeAccess(*session, picker, changes);
  OptimalOneOf(*session, picker, changes);
  OptimalNumeric(*session, picker, changes);
  DeleteOption(*session, picker, changes);
  EditDmi(*session, 1, {NoisyText(1), NoisyText(2)}, changes);
  EditDmi(*session, 2, {NoisyText(3), NoisyText(4)}, changes);
  ASSERT_FALSE(HasFailure());
  SaveAndCheck(*session, changes, "saved.rom");
  ASSERT_FALSE(HasFailure());

  tracklog::BuildTrackLog(session->editor());
  ASSERT_TRUE(
      tracklog::WriteTrackLogFile(*session->editor().controls.track_log, m_dir.Path("saved.log")));
  auto importing = OpenCopy("import.rom");
  ASSERT_TRUE(importing);
  ASSERT_EQ(tracklog::ImportSettingsFile(importing->editor(), m_dir.Path("saved.log")), 1);
  EXPECT_THAT(importing->Messages(), IsEmpty());
  SaveAs(*importing, m_dir.Path("imported.rom"));
  ASSERT_EQ(importing->Messages().back(), "Successfully saved the .ROM file");
  EXPECT_TRUE(ReadBytes(m_dir.Path("imported.rom")) == ReadBytes(m_dir.Path("saved.rom")))
      << "the imported track log saves other bytes";
}

// Shorter texts in the Setup and DMI modules and AmiTse edits, among them a CHECKBOX default.
TEST_P(VendorImage, ShorterTextsAndCheckboxDefaultSaveSoundly) {
  auto session = OpenCopy("edited.rom");
  ASSERT_TRUE(session);
  NodePicker picker(session->editor());
  Changes changes;
  EditString(*session, picker, changes, false);
  Hide(*session, picker, changes);
  ChangeAccess(*session, picker, changes);
  OptimalCheckbox(*session, picker, changes);
  EditDmi(*session, 1, {"A", "B", "C"}, changes);
  EditDmi(*session, 2, {"D", "E"}, changes);
  ASSERT_FALSE(HasFailure());
  SaveAndCheck(*session, changes, "saved.rom");
}

INSTANTIATE_TEST_SUITE_P(SharedImages, VendorImage, testing::ValuesIn(kImageNames),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param).substr(0, 3) == "h61" ? "H61BiosRegion"
                                                                                : "P7xxdmFullFlash";
                         });

}  // namespace
}  // namespace kalvire::rom::test
