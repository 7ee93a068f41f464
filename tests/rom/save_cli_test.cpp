// kalvire-cli edit: the edits in the order given, the save to the output file, the messages and
// the exit code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "rom/messages.h"
#include "save_fixture.h"
#include "setup/node_lookup.h"

namespace kalvire::rom::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct CliResult {
  int exit_code;
  std::string out;
  std::string err;
};

CliResult RunEdit(std::vector<std::string> args) {
  args.insert(args.begin(), {"kalvire-cli", "edit"});
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  const int code = cli::RunCli(int(argv.size()), argv.data(), out, err);
  return {code, out.str(), err.str()};
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

class EditCommand : public testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(m_in, m_original);
    auto session = OpenSession(m_in);
    ASSERT_TRUE(session);
    m_state = CaptureState(session->editor());
    // A shown ONE_OF question and the number of the DMI System Information structure.
    Editor& editor = session->editor();
    m_node = HideQuestion(editor);
    m_text = editor.controls.setup_tree->GetItemText(editor.setup.node_items[m_node]);
    while (editor.dmi.current[m_structure].type != 1) ++m_structure;
  }

  std::unique_ptr<Session> Reopen() { return OpenSession(m_out); }

  TempDir m_dir;
  std::string m_in = m_dir.Path("in.rom");
  std::string m_out = m_dir.Path("out.rom");
  Bytes m_original = SaveTestImage({tools::ModuleStorage::kTiano, true});
  EditorState m_state;
  uint32_t m_node = 0;
  std::string m_text;
  uint32_t m_structure = 0;
};

TEST_F(EditCommand, AppliesEveryKindOfEditAndSavesToTheOutput) {
  const CliResult r = RunEdit({m_in, "-o", m_out, "--hide", "0x" + Hex(m_node), "--access",
                               Hex(m_node) + "=Supervisor", "--string", Hex(m_node) + "=Boot Order",
                               "--dmi", Hex(m_structure) + ":0=Acme Boards"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("    Visibility changed"));
  EXPECT_THAT(r.out, HasSubstr("Acme Boards"));
  EXPECT_THAT(r.err, HasSubstr(kMsgSaved));
  EXPECT_EQ(ReadBytes(m_in), m_original);

  auto reopened = Reopen();
  ASSERT_TRUE(reopened);
  const EditorState after = CaptureState(reopened->editor());
  EXPECT_EQ(after.controls[m_node].visible, 0);
  EXPECT_EQ(after.controls[m_node].access_level, 3);
  EXPECT_EQ(after.node_texts[m_node], "Boot Order");
  EXPECT_EQ(after.dmi_strings[m_structure][0], "Acme Boards");
  for (uint32_t node = 0; node < after.controls.size(); ++node) {
    if (node == m_node) continue;
    EXPECT_EQ(after.controls[node].visible, m_state.controls[node].visible) << node;
  }
}

TEST_F(EditCommand, EditsApplyInTheOrderGiven) {
  struct Case {
    std::vector<std::string> order;
    int visible;
  };
  for (const Case& c : {Case{{"--hide", "--show"}, 1}, Case{{"--show", "--hide"}, 0}}) {
    SCOPED_TRACE(c.order[0] + " then " + c.order[1]);
    const CliResult r =
        RunEdit({m_in, "-o", m_out, c.order[0], Hex(m_node), c.order[1], Hex(m_node)});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    auto reopened = Reopen();
    ASSERT_TRUE(reopened);
    EXPECT_EQ(CaptureState(reopened->editor()).controls[m_node].visible, c.visible);
  }
}

TEST_F(EditCommand, AnImportedLogAsksAndIsAnsweredByYesOrNo) {
  // A node header whose text differs from the image's makes the import ask before applying.
  const std::string log = m_dir.Path("changes.log");
  std::ofstream(log) << "Node No: " << Hex(m_node) << " String: Another Text\n"
                     << "    Visibility changed to Hide\n";
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "--yes" : "--no");
    std::vector<std::string> args = {m_in, "-o", m_out, "--import", log};
    if (yes) args.push_back("--yes");
    const CliResult r = RunEdit(args);
    EXPECT_THAT(r.err, HasSubstr("does not match with imported String ID \"Another Text\""));
    auto reopened = Reopen();
    ASSERT_TRUE(reopened);
    EXPECT_EQ(CaptureState(reopened->editor()).controls[m_node].visible, yes ? 0 : 1);
  }
}

TEST_F(EditCommand, WritesTheFullTrackLog) {
  const std::string log = m_dir.Path("out.log");
  const CliResult r = RunEdit({m_in, "-o", m_out, "--hide", Hex(m_node), "--log", log});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "Node No: " + Hex(m_node) + " String: " + m_text +
                            "\n    Visibility changed to Hide\n");
}

TEST_F(EditCommand, ErrorsMakeTheExitCodeNonZero) {
  struct Case {
    const char* name;
    std::vector<std::string> edit;
    int exit_code;
    const char* err;
  };
  const Case cases[] = {
      {"malformed node", {"--hide", "zz"}, cli::kExitUsage, "not a valid edit"},
      {"unknown level", {"--access", "1=Root"}, cli::kExitUsage, "not a valid edit"},
      {"node past the table", {"--hide", "ffff"}, cli::kExitFailure, "is not in the node table"},
      {"DMI string past the dialog",
       {"--dmi", Hex(m_structure) + ":20=x"},
       cli::kExitFailure,
       "has no string 20"},
      {"option the node lacks",
       {"--delete-option", Hex(m_node) + "=No Such Option"},
       cli::kExitFailure,
       "has no option \"No Such Option\" to delete"},
      {"missing log",
       {"--import", m_dir.Path("missing.log")},
       cli::kExitFailure,
       "cannot read the track log"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {m_in, "-o", m_out};
    args.insert(args.end(), c.edit.begin(), c.edit.end());
    const CliResult r = RunEdit(args);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_THAT(r.err, HasSubstr(c.err));
  }
}

TEST_F(EditCommand, AnOutputThatCannotBeWrittenFails) {
  const CliResult r = RunEdit({m_in, "-o", m_dir.Path("missing/out.rom"), "--hide", Hex(m_node)});
  EXPECT_EQ(r.exit_code, cli::kExitFailure);
  EXPECT_THAT(r.err, HasSubstr(kMsgUnableToSave));
  EXPECT_THAT(r.err, Not(HasSubstr(kMsgSaved)));
}

}  // namespace
}  // namespace kalvire::rom::test
