// Edits that no save has written are never lost without a question: the title bar marks them,
// and closing the window or opening another image asks "Save changes to NAME?" first.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QTest>
#include <QWindow>
#include <optional>

#include "qt_printers.h"
#include "rom/headless_view.h"
#include "rom/open_image.h"
#include "setup/ifr_layout.h"
#include "tools/sample_image.h"
#include "ui/dmi_dialog.h"
#include "ui/edit_bios_string.h"
#include "ui/limited_line_edit.h"
#include "ui/qt_controls.h"
#include "ui/tree_ctrl_x.h"
#include "ui/unsaved_edits.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

using platform::MessageAnswer;

TEST(SettleUnsavedEdits, EachAnswerDecidesWhetherToGoOn) {
  static const tools::Bytes sample = tools::BuildSampleImage();
  struct Case {
    const char* name;
    bool edited;
    std::optional<MessageAnswer> choice;  // nullopt: the box closed without a button
    bool save_writes;
    bool go_on;
    int saves;
  };
  const Case cases[] = {
      {"no edits: no question", false, MessageAnswer::kCancel, true, true, 0},
      {"Cancel", true, MessageAnswer::kCancel, true, false, 0},
      {"box closed", true, std::nullopt, true, false, 0},
      {"Discard", true, MessageAnswer::kDiscard, true, true, 0},
      {"Save that writes", true, MessageAnswer::kSave, true, true, 1},
      {"Save that fails", true, MessageAnswer::kSave, false, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rom::HeadlessEditor session;
    rom::Editor& editor = *session.editor;
    ASSERT_EQ(rom::OpenRomImageBytes(editor, sample, "/images/h61-bios-region.bin"), 1);
    editor.workspace.m_dmi_modified = c.edited;
    if (c.choice) session.prompter.QueueChoice(*c.choice);
    int saves = 0;
    const bool go_on = SettleUnsavedEdits(editor, [&] {
      ++saves;
      rom::SaveOutcome outcome;
      outcome.saved = c.save_writes;
      return outcome;
    });
    EXPECT_EQ(go_on, c.go_on);
    EXPECT_EQ(saves, c.saves);
    if (!c.edited) {
      EXPECT_TRUE(session.prompter.Messages().empty());
      continue;
    }
    ASSERT_EQ(session.prompter.Messages().size(), 1u);
    const platform::MessageBoxRequest& asked = session.prompter.Messages()[0].request;
    EXPECT_EQ(asked.text, "Save changes to h61-bios-region.bin?");
    EXPECT_EQ(asked.buttons, platform::MessageButtons::kSaveDiscardCancel);
    EXPECT_EQ(asked.default_button, MessageAnswer::kSave);
    EXPECT_TRUE(editor.workspace.m_dmi_modified);  // the question itself changes nothing
  }
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class UnsavedEdits : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_session.Start(m_session.SamplePath()));
    m_image = FileBytes(m_session.SamplePath());
  }

  // An edit, and the title bar marking it.
  void Edit() {
    ASSERT_EQ(m_session.ShownTitle(), "KALVIRE 0.1 - [sample.rom]");
    m_node = m_session.HideAQuestion();
    ASSERT_NE(m_node, ~0u);
    ASSERT_TRUE(m_session.Editor().workspace.HasUnsavedEdits());
    ASSERT_EQ(m_session.ShownTitle(), "KALVIRE 0.1 - [sample.rom]*");
  }

  // The first box shown since the records were cleared.
  void ExpectTheQuestion() {
    ASSERT_FALSE(m_session.Driver().Messages().empty());
    const ShownMessage& asked = m_session.Driver().Messages()[0];
    EXPECT_EQ(asked.text, "Save changes to sample.rom?");
    EXPECT_EQ(asked.caption, "KALVIRE 0.1");
    EXPECT_EQ(asked.buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    EXPECT_EQ(asked.default_button, QMessageBox::Save);
  }

  // The image, its edit and the title as they were before the question.
  void ExpectEverythingKept() {
    EXPECT_TRUE(m_session.Frame().isVisible());
    EXPECT_EQ(m_session.ShownTitle(), "KALVIRE 0.1 - [sample.rom]*");
    EXPECT_TRUE(m_session.Editor().workspace.HasUnsavedEdits());
    EXPECT_EQ(m_session.Editor().setup.node_states[m_node].visibility_changed, 1);
    EXPECT_EQ(FileBytes(m_session.SamplePath()), m_image);
  }

  AppSession m_session;
  QByteArray m_image;
  uint32_t m_node = ~0u;
};

// The ways to leave the image: the window system's close (title bar, Alt+F4), File > Exit,
// and File > Open.
struct Leave {
  const char* name;
  std::function<void(app::CMainFrame&)> run;
};

std::vector<Leave> WaysToLeave() {
  return {
      {"title bar close", [](app::CMainFrame& frame) { frame.windowHandle()->close(); }},
      {"File > Exit", [](app::CMainFrame& frame) { frame.Action("actionFileExit")->trigger(); }},
      {"File > Open", [](app::CMainFrame& frame) { frame.Action("actionFileOpen")->trigger(); }}};
}

TEST_F(UnsavedEdits, CancelKeepsTheImageItsEditsAndTheTitle) {
  Edit();
  for (const Leave& leave : WaysToLeave()) {
    SCOPED_TRACE(leave.name);
    m_session.Driver().ClearRecords();
    m_session.Driver().ExpectKey(Qt::Key_Escape);
    leave.run(m_session.Frame());
    EXPECT_TRUE(m_session.Driver().AllHandled());
    ExpectTheQuestion();
    EXPECT_EQ(m_session.Driver().Messages().size(), 1u);
    ExpectEverythingKept();
    EXPECT_TRUE(m_session.Driver().Unexpected().empty());  // no Open dialog after Cancel
  }
}

TEST_F(UnsavedEdits, DiscardGoesOnWithoutWriting) {
  Edit();
  {
    SCOPED_TRACE("Open: on to the dialog; cancelling it keeps the image");
    m_session.Driver().ExpectKey(Qt::Key_D);
    m_session.Driver().Expect("QFileDialog",
                              [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    m_session.Frame().Action("actionFileOpen")->trigger();
    EXPECT_TRUE(m_session.Driver().AllHandled());
    ExpectTheQuestion();
    ExpectEverythingKept();
  }
  SCOPED_TRACE("close: the window goes");
  m_session.Driver().ClearRecords();
  m_session.Driver().ExpectKey(Qt::Key_D);
  m_session.Frame().windowHandle()->close();
  EXPECT_TRUE(m_session.Driver().AllHandled());
  ExpectTheQuestion();
  EXPECT_FALSE(m_session.Frame().isVisible());
  EXPECT_EQ(FileBytes(m_session.SamplePath()), m_image);
}

TEST_F(UnsavedEdits, SaveClosesOnlyWhenTheSaveWroteTheEdits) {
  Edit();
  {
    SCOPED_TRACE("No to \"Overwrite existing file?\": nothing saved, the window stays");
    m_session.Driver().SetAnswerYes(false);
    m_session.Driver().ExpectKey(Qt::Key_Return);  // Save is the default button
    m_session.Frame().Action("actionFileExit")->trigger();
    EXPECT_TRUE(m_session.Driver().AllHandled());
    ExpectTheQuestion();
    ExpectEverythingKept();
  }
  SCOPED_TRACE("Yes: saved, then closed");
  m_session.Driver().ClearRecords();
  m_session.Driver().SetAnswerYes(true);
  m_session.Driver().ExpectKey(Qt::Key_S);
  m_session.Frame().windowHandle()->close();
  EXPECT_TRUE(m_session.Driver().AllHandled());
  const std::vector<QString> texts = m_session.Driver().MessageTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "Successfully saved the .ROM file");
  EXPECT_FALSE(m_session.Frame().isVisible());
  EXPECT_NE(FileBytes(m_session.SamplePath()), m_image);
  EXPECT_FALSE(m_session.Editor().workspace.HasUnsavedEdits());
}

TEST_F(UnsavedEdits, NoEditsNoQuestion) {
  m_session.Frame().windowHandle()->close();
  EXPECT_FALSE(m_session.Frame().isVisible());
  EXPECT_TRUE(m_session.Driver().Messages().empty());
}

// Every way to change the image marks the title, and a save clears the mark.
TEST_F(UnsavedEdits, EveryEditPathMarksTheTitle) {
  AppSession& s = m_session;
  const auto select_question = [&s] {
    return s.FindSetupItem(setup::kOpOneOf, [&s] {
      return s.Radio("hideRadio")->IsEnabled() && s.Combo("optimalOptionCombo")->GetCount() >= 2 &&
             s.Combo("deleteOptionCombo")->GetCount() >= 2 &&
             s.Combo("accessLevelCombo")->IsEnabled();
    });
  };
  const QString log_path = s.Path("import.log");
  struct EditPath {
    const char* name;
    std::function<void()> edit;
  };
  const EditPath paths[] = {
      {"Hide radio", [&] { s.HideAQuestion(); }},
      {"Alt+S",
       [&] {
         s.ClickSetupItem(select_question());
         s.PressAlt(Qt::Key_S);
       }},
      {"access level combo",
       [&] {
         s.ClickSetupItem(select_question());
         QtComboBox& access = *s.Combo("accessLevelCombo");
         const int level = (access.GetCurSel() + 1) % 4;
         access.setCurrentIndex(level);
         emit access.activated(level);
       }},
      {"optimal option combo",
       [&] {
         s.ClickSetupItem(select_question());
         QtComboBox& optimal = *s.Combo("optimalOptionCombo");
         QTest::keyClick(&optimal,
                         optimal.GetCurSel() + 1 < optimal.GetCount() ? Qt::Key_Down : Qt::Key_Up);
       }},
      {"Alt+D",
       [&] {
         s.ClickSetupItem(select_question());
         QtComboBox& options = *s.Combo("deleteOptionCombo");
         options.setCurrentIndex(0);
         emit options.activated(0);
         s.PressAlt(Qt::Key_D);
       }},
      {"string edit",
       [&] {
         const platform::TreeItem item = select_question();
         s.Driver().Expect("kalvire::ui::CEditBIOSString", [](QWidget* widget) {
           auto* dialog = static_cast<CEditBIOSString*>(widget);
           dialog->Field().selectAll();
           QTest::keyClicks(&dialog->Field(), "Renamed");
           dialog->accept();
         });
         s.DoubleClickItem(*s.SetupTree(), item);
       }},
      {"DMI string edit",
       [&] {
         const platform::TreeItem system = s.DmiItem("System Information (Type 1)");
         s.Driver().Expect("kalvire::ui::CDmiDialog1", [](QWidget* widget) {
           auto* dialog = static_cast<CDmiDialog1*>(widget);
           dialog->ValueField(0).selectAll();
           QTest::keyClicks(&dialog->ValueField(0), "Another Maker");
           dialog->accept();
         });
         s.DoubleClickItem(*s.DmiTree(), system);
       }},
      {"Alt+I import",
       [&] {
         s.Driver().Expect("QFileDialog", [&](QWidget* widget) {
           auto* dialog = static_cast<QFileDialog*>(widget);
           dialog->selectFile(log_path);
           static_cast<QDialog*>(dialog)->accept();
         });
         s.PressAlt(Qt::Key_I);
       }},
  };
  // The log to import: a hidden question, written by the editor itself.
  s.HideAQuestion();
  s.PressAlt(Qt::Key_T);
  s.Driver().Expect("QFileDialog", [&](QWidget* widget) {
    static_cast<QFileDialog*>(widget)->selectFile(log_path);
    static_cast<QDialog*>(widget)->accept();
  });
  s.PressAlt(Qt::Key_L);
  ASSERT_TRUE(QFile::exists(log_path));

  for (const EditPath& path : paths) {
    SCOPED_TRACE(path.name);
    ASSERT_TRUE(s.View().OpenRomImagePath(s.SamplePath().toStdString()));
    ASSERT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]");
    path.edit();
    EXPECT_TRUE(s.Driver().AllHandled());
    EXPECT_TRUE(s.Editor().workspace.HasUnsavedEdits());
    EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]*");
  }
  SCOPED_TRACE("Save");
  s.Frame().Action("actionToolbarSave")->trigger();
  EXPECT_EQ(s.Driver().MessageTexts().back(), "Successfully saved the .ROM file");
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]");
  EXPECT_TRUE(s.Driver().Unexpected().empty());
}

}  // namespace
}  // namespace kalvire::ui::test
