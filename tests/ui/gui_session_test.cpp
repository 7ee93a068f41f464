// A person's session in the desktop editor on the sample image: every kind of edit through the
// controls, dialogs and hot keys, the track log, the save, and the saved file opened again.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWindow>
#include <algorithm>

#include "qt_printers.h"
#include "setup/ifr_layout.h"
#include "ui/dmi_dialog.h"
#include "ui/edit_bios_string.h"
#include "ui/limited_line_edit.h"
#include "ui/qt_controls.h"
#include "ui/tree_ctrl_x.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

void AnswerFileDialog(ModalDriver& driver, const QString& path) {
  driver.Expect("QFileDialog", [path](QWidget* widget) {
    auto* dialog = static_cast<QFileDialog*>(widget);
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept() is protected
  });
}

// What a session changed, to be found again in the saved file.
struct Changes {
  uint32_t hidden_node = 0;
  int access_level = -1;
  std::string optimal_text;
  uint32_t renamed_node = 0;
  std::string new_text;
  uint32_t deleted_node = 0;
  int deleted_index = -1;
  std::string deleted_text;
  std::string product_name;
};

uint32_t NodeOf(rom::Editor& editor, platform::TreeItem item) {
  for (uint32_t node = 0; node < editor.setup.node_count; ++node) {
    if (editor.setup.nodes[node].item == item) return node;
  }
  return ~0u;
}

class GuiSession : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_session.Start(m_session.SamplePath())); }

  // A ONE_OF question that can be hidden and has at least two options in each combo.
  platform::TreeItem EditableQuestion(platform::TreeItem other = platform::kNoItem) {
    return m_session.FindSetupItem(setup::kOpOneOf, [&] {
      return m_session.SetupTree()->GetSelectedItem() != other &&
             m_session.Radio("hideRadio")->IsEnabled() &&
             m_session.Radio("showRadio")->IsChecked() &&
             m_session.Combo("optimalOptionCombo")->GetCount() >= 2 &&
             m_session.Combo("deleteOptionCombo")->GetCount() >= 2 &&
             m_session.Combo("accessLevelCombo")->IsEnabled();
    });
  }

  AppSession m_session;
};

TEST_F(GuiSession, EditsSaveAndReopen) {
  AppSession& s = m_session;
  rom::Editor& editor = s.Editor();
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]");
  ASSERT_NE(s.SetupTree(), nullptr);
  ASSERT_GT(editor.setup.node_count, 100u);
  Changes changes;

  // Hide a question with the radio: the item turns red and the change is listed.
  const platform::TreeItem question = EditableQuestion();
  ASSERT_NE(question, platform::kNoItem);
  changes.hidden_node = NodeOf(editor, question);
  s.SetupTree()->SelectItem(platform::kNoItem);
  s.ClickSetupItem(question);
  ASSERT_EQ(s.SetupTree()->GetSelectedItem(), question);
  ASSERT_TRUE(s.Radio("hideRadio")->IsEnabled());
  QTest::mouseClick(s.Radio("hideRadio"), Qt::LeftButton);
  EXPECT_TRUE(s.Radio("hideRadio")->IsChecked());
  EXPECT_FALSE(s.Radio("showRadio")->IsChecked());
  EXPECT_EQ(s.SetupTree()->GetItemColor(question), platform::kColorRed);
  const std::vector<std::string> feedback = s.TrackLogLines();
  EXPECT_NE(std::find(feedback.begin(), feedback.end(), "    Visibility changed"), feedback.end());

  // Alt+S toggles: back to shown (black again, the entry stays), then hidden once more.
  s.PressAlt(Qt::Key_S);
  EXPECT_TRUE(s.Radio("showRadio")->IsChecked());
  EXPECT_FALSE(s.Radio("hideRadio")->IsChecked());
  EXPECT_EQ(s.SetupTree()->GetItemColor(question), platform::kColorBlack);
  s.PressAlt(Qt::Key_S);
  EXPECT_TRUE(s.Radio("hideRadio")->IsChecked());
  EXPECT_EQ(s.SetupTree()->GetItemColor(question), platform::kColorRed);

  // The access level through its combo (hidden: the person reaches it only by Alt+C).
  QtComboBox& access = *s.Combo("accessLevelCombo");
  changes.access_level = (access.GetCurSel() + 1) % 4;
  access.setCurrentIndex(changes.access_level);
  emit access.activated(changes.access_level);

  // The optimal default through its combo, with the keyboard.
  QtComboBox& optimal = *s.Combo("optimalOptionCombo");
  const int before = optimal.GetCurSel();
  QTest::keyClick(&optimal, before + 1 < optimal.GetCount() ? Qt::Key_Down : Qt::Key_Up);
  ASSERT_NE(optimal.GetCurSel(), before);
  changes.optimal_text = optimal.GetText(optimal.GetCurSel());

  // Rename another question through the "Update Data" dialog opened by a double-click.
  const platform::TreeItem renamed = EditableQuestion(question);
  ASSERT_NE(renamed, platform::kNoItem);
  changes.renamed_node = NodeOf(editor, renamed);
  changes.new_text = "Renamed In The Editor";
  const std::string original_text = s.SetupTree()->GetItemText(renamed);
  QString preset;
  s.Driver().Expect("kalvire::ui::CEditBIOSString", [&](QWidget* widget) {
    auto* dialog = static_cast<CEditBIOSString*>(widget);
    preset = dialog->Text();
    EXPECT_EQ(dialog->windowTitle(), "Update Data");
    dialog->Field().selectAll();
    QTest::keyClicks(&dialog->Field(), QString::fromStdString(changes.new_text));
    dialog->accept();
  });
  s.DoubleClickItem(*s.SetupTree(), renamed);
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_EQ(preset.toStdString(), original_text);
  EXPECT_EQ(s.SetupTree()->GetItemText(renamed), changes.new_text);
  EXPECT_EQ(s.SetupTree()->GetItemColor(renamed), platform::kColorRed);

  // Delete an option of that question: choose it in the option combo, then Alt+D.
  s.SetupTree()->SelectItem(renamed);
  changes.deleted_node = changes.renamed_node;
  QtComboBox& options = *s.Combo("deleteOptionCombo");
  changes.deleted_index = options.GetCount() - 1;
  changes.deleted_text = options.GetText(changes.deleted_index);
  EXPECT_FALSE(s.Button("deleteButton")->IsEnabled());
  options.setCurrentIndex(changes.deleted_index);
  emit options.activated(changes.deleted_index);
  EXPECT_TRUE(s.Button("deleteButton")->IsEnabled());
  s.PressAlt(Qt::Key_D);
  EXPECT_EQ(editor.setup.node_states[changes.deleted_node].deleted_option_count, 1u);

  // A DMI string through the "DMI Table" dialog.
  const platform::TreeItem system = s.DmiItem("System Information (Type 1)");
  ASSERT_NE(system, platform::kNoItem);
  changes.product_name = "GUI Board 9000";
  std::vector<bool> shown;
  std::vector<QString> labels;
  s.Driver().Expect("kalvire::ui::CDmiDialog1", [&](QWidget* widget) {
    auto* dialog = static_cast<CDmiDialog1*>(widget);
    EXPECT_EQ(dialog->windowTitle(), "System Information (Type 1)");
    for (int k = 0; k < CDmiDialog1::kSlots; ++k) {
      shown.push_back(!dialog->ValueField(k).isHidden());
      labels.push_back(dialog->LabelField(k).text());
    }
    dialog->ValueField(1).selectAll();
    QTest::keyClicks(&dialog->ValueField(1), QString::fromStdString(changes.product_name));
    dialog->accept();
  });
  s.DoubleClickItem(*s.DmiTree(), system);
  EXPECT_TRUE(s.Driver().AllHandled());
  ASSERT_EQ(labels.size(), 8u);
  EXPECT_EQ(labels[0], "System Manufacturer:");
  EXPECT_EQ(labels[1], "Product Name:");
  EXPECT_TRUE(shown[0]);
  EXPECT_TRUE(Contains(s.TrackLogLines(), " DMI String is changed to \" " + changes.product_name));

  // Full Track Log lists every change.
  QTest::mouseClick(s.Button("fullTrackLogButton"), Qt::LeftButton);
  const std::vector<std::string> full = s.TrackLogLines();
  EXPECT_TRUE(Contains(full, "    Visibility changed to Hide"));
  EXPECT_TRUE(Contains(full, "    Access Level is changed from default option :"));
  EXPECT_TRUE(Contains(full, "    Optimal option is Changed from Default Option :"));
  EXPECT_TRUE(Contains(full, "    BIOS String is changed to \"" + changes.new_text + "\""));
  EXPECT_TRUE(Contains(full, "    Option \"" + changes.deleted_text + "\" is deleted"));
  EXPECT_TRUE(Contains(full, "DMI String is changed  to \"" + changes.product_name + "\""));
  EXPECT_FALSE(s.View().Prompter().IsBusy());
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]*");

  // Alt+T fills the list again after it was emptied.
  s.TrackLog()->ResetContent();
  s.PressAlt(Qt::Key_T);
  EXPECT_EQ(s.TrackLogLines(), full);

  // Save Track Log writes the list, one line each.
  const QString log_path = s.Path("changes.log");
  AnswerFileDialog(s.Driver(), log_path);
  QTest::mouseClick(s.Button("saveTrackLogButton"), Qt::LeftButton);
  EXPECT_TRUE(s.Driver().AllHandled());
  QFile log(log_path);
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  std::string expected_log;
  for (const std::string& line : full) expected_log += line + "\n";
  EXPECT_EQ(log.readAll().toStdString(), expected_log);

  // Save, answering the "Confirm Save" question.
  s.Driver().ClearRecords();
  s.Frame().Action("actionToolbarSave")->trigger();
  ASSERT_FALSE(s.Driver().Messages().empty());
  EXPECT_EQ(s.Driver().Messages().front().caption, "Confirm Save");
  EXPECT_EQ(s.Driver().Messages().front().icon, QMessageBox::Question);
  EXPECT_EQ(s.Driver().Messages().back().text, "Successfully saved the .ROM file");

  // Open the saved file through the Open dialog: every change is in it.
  AnswerFileDialog(s.Driver(), s.SamplePath());
  s.Frame().Action("actionFileOpen")->trigger();
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]");
  rom::Editor& reopened = s.Editor();
  CTreeCtrlX& tree = *s.SetupTree();
  tree.SelectItem(reopened.setup.nodes[changes.hidden_node].item);
  EXPECT_TRUE(s.Radio("hideRadio")->IsChecked());
  EXPECT_FALSE(s.Radio("showRadio")->IsChecked());
  EXPECT_EQ(s.Combo("accessLevelCombo")->GetCurSel(), changes.access_level);
  const QtComboBox& optimal_after = *s.Combo("optimalOptionCombo");
  EXPECT_EQ(optimal_after.GetText(optimal_after.GetCurSel()), changes.optimal_text);
  const platform::TreeItem renamed_after = reopened.setup.nodes[changes.renamed_node].item;
  EXPECT_EQ(tree.GetItemText(renamed_after), changes.new_text);
  tree.SelectItem(renamed_after);
  EXPECT_NE(s.Combo("deleteOptionCombo")->GetText(changes.deleted_index), changes.deleted_text);
  std::string product;
  s.Driver().Expect("kalvire::ui::CDmiDialog1", [&](QWidget* widget) {
    auto* dialog = static_cast<CDmiDialog1*>(widget);
    product = dialog->ValueField(1).text().toStdString();
    dialog->reject();
  });
  s.DoubleClickItem(*s.DmiTree(), s.DmiItem("System Information (Type 1)"));
  EXPECT_EQ(product, changes.product_name);
  EXPECT_TRUE(s.Driver().Unexpected().empty());
  EXPECT_EQ(s.App().RecentFiles().MostRecent(), s.SamplePath());
}

TEST_F(GuiSession, SecondOpenReplacesEveryControl) {
  AppSession& s = m_session;
  const platform::TreeItem question = EditableQuestion();
  ASSERT_NE(question, platform::kNoItem);
  QtComboBox& options = *s.Combo("deleteOptionCombo");
  options.setCurrentIndex(0);
  emit options.activated(0);
  ASSERT_TRUE(s.Button("deleteButton")->IsEnabled());
  ASSERT_TRUE(s.Radio("hideRadio")->IsEnabled());
  std::vector<QPointer<QWidget>> first_controls;
  for (QWidget* child : s.Controls()) first_controls.emplace_back(child);
  ASSERT_EQ(first_controls.size(), 18u);

  ASSERT_TRUE(s.View().OpenRomImagePath(s.SamplePath().toStdString()));
  for (const QPointer<QWidget>& old : first_controls) EXPECT_TRUE(old.isNull());
  EXPECT_EQ(s.Controls().size(), 18);
  EXPECT_FALSE(s.Radio("hideRadio")->IsEnabled());
  EXPECT_FALSE(s.Radio("showRadio")->IsEnabled());
  EXPECT_FALSE(s.Button("deleteButton")->IsEnabled());
  EXPECT_FALSE(s.Combo("accessLevelCombo")->IsEnabled());
  EXPECT_EQ(s.Combo("accessLevelCombo")->GetCount(), 4);
  // The editor works on the new controls: the hot keys reach them.
  s.PressAlt(Qt::Key_M);
  EXPECT_TRUE(s.SetupTree()->hasFocus());
  s.PressAlt(Qt::Key_B);
  EXPECT_TRUE(s.DmiTree()->hasFocus());
  // Alt+S with neither radio checked selects Show.
  ASSERT_FALSE(s.Radio("showRadio")->IsChecked());
  ASSERT_FALSE(s.Radio("hideRadio")->IsChecked());
  s.PressAlt(Qt::Key_S);
  EXPECT_TRUE(s.Radio("showRadio")->IsChecked());
  EXPECT_FALSE(s.Radio("hideRadio")->IsChecked());
}

// Save As through the menu: the dialog proposes ROM files, a name without extension gets
// ".rom", and the title names the new file.
TEST_F(GuiSession, SaveAsWritesTheNamedFile) {
  AppSession& s = m_session;
  QStringList filters;
  s.Driver().Expect("QFileDialog", [&](QWidget* widget) {
    auto* dialog = static_cast<QFileDialog*>(widget);
    filters = dialog->nameFilters();
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    dialog->selectFile(s.Path("saved-as"));
    static_cast<QDialog*>(dialog)->accept();
  });
  s.Frame().Action("actionFileSaveAs")->trigger();
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_EQ(filters, (QStringList{"ROM Files (*.rom)", "All Files (*)"}));
  EXPECT_TRUE(QFile::exists(s.Path("saved-as.rom")));
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [saved-as.rom]");
  ASSERT_FALSE(s.Driver().Messages().empty());
  EXPECT_EQ(s.Driver().Messages().back().text, "Successfully saved the .ROM file");
  EXPECT_TRUE(s.Driver().Unexpected().empty());
}

// Long commands show their wait text in the title while the busy cursor is up.
TEST_F(GuiSession, LongCommandsShowWaitTextsWithABusyCursor) {
  AppSession& s = m_session;
  std::vector<std::pair<QString, bool>> titles;
  QObject::connect(s.Frame().windowHandle(), &QWindow::windowTitleChanged,
                   [&](const QString& title) {
                     const QCursor* cursor = QApplication::overrideCursor();
                     titles.emplace_back(title, cursor && cursor->shape() == Qt::WaitCursor);
                   });
  ASSERT_TRUE(s.View().OpenRomImagePath(s.SamplePath().toStdString()));
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[0].first, "KALVIRE 0.1 - [ Please Wait While Loading File...]");
  EXPECT_TRUE(titles[0].second);
  EXPECT_EQ(titles[1].first, "KALVIRE 0.1 - [sample.rom]");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  titles.clear();
  QTest::mouseClick(s.Button("fullTrackLogButton"), Qt::LeftButton);
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[0].first,
            "KALVIRE 0.1 - [sample.rom] - [Please Wait While Loading Track log...]");
  EXPECT_TRUE(titles[0].second);
  EXPECT_EQ(titles[1].first, "KALVIRE 0.1 - [sample.rom]");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A track log saved from one image, imported into another copy through Alt+L and Alt+I.
TEST_F(GuiSession, ImportAppliesASavedTrackLog) {
  AppSession& s = m_session;
  const platform::TreeItem question = EditableQuestion();
  ASSERT_NE(question, platform::kNoItem);
  const uint32_t node = NodeOf(s.Editor(), question);
  QTest::mouseClick(s.Radio("hideRadio"), Qt::LeftButton);
  s.PressAlt(Qt::Key_T);
  const QString log_path = s.Path("hide.log");
  AnswerFileDialog(s.Driver(), log_path);
  s.PressAlt(Qt::Key_L);
  ASSERT_TRUE(s.Driver().AllHandled());
  const std::vector<std::string> exported = s.TrackLogLines();
  ASSERT_FALSE(exported.empty());

  const QString copy = WriteSampleImage(s.Path(""), "copy.rom");
  ASSERT_TRUE(s.View().OpenRomImagePath(copy.toStdString()));
  EXPECT_EQ(s.SetupTree()->GetItemColor(s.Editor().setup.nodes[node].item),
            platform::kDefaultTextColor);
  AnswerFileDialog(s.Driver(), log_path);
  s.PressAlt(Qt::Key_I);
  EXPECT_TRUE(s.Driver().AllHandled());
  const platform::TreeItem imported = s.Editor().setup.nodes[node].item;
  EXPECT_EQ(s.SetupTree()->GetItemColor(imported), platform::kColorRed);
  QTest::mouseClick(s.Button("fullTrackLogButton"), Qt::LeftButton);
  EXPECT_EQ(s.TrackLogLines(), exported);
  EXPECT_TRUE(s.Driver().Unexpected().empty());
}

}  // namespace
}  // namespace kalvire::ui::test
