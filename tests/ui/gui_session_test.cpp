// A person's session in the desktop editor on the sample image: each kind of edit through the
// controls, dialogs and hot keys, the title bar's modified mark, the track log, the save, and
// the saved file opened again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QTest>
#include <QWindow>

#include "ui/dmi_dialog.h"
#include "ui/edit_bios_string.h"
#include "ui/limited_line_edit.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

using testing::Contains;
using testing::HasSubstr;

void Choose(QtComboBox& combo, int index) {
  combo.setCurrentIndex(index);
  emit combo.activated(index);
}

class GuiSession : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.Start(s.SamplePath()));
    m_question = s.Question();
    ASSERT_NE(m_question, platform::kNoItem);
  }

  // Runs `edit` with the title bar's modified mark taken away first: the edit must bring it back.
  void Edit(const std::function<void()>& edit) {
    s.Frame().setWindowModified(false);
    edit();
    EXPECT_TRUE(s.Driver().AllHandled());
    EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]*");
  }

  // One edit of each kind through the controls and dialogs: Hide, the access level and the
  // optimal option of a question; a rename and a deleted option of a second one; a DMI string.
  void MakeEveryEdit() {
    Edit([&] { QTest::mouseClick(s.Radio("hideRadio"), Qt::LeftButton); });
    m_access = (s.Combo("accessLevelCombo").GetCurSel() + 1) % 4;
    Edit([&] { Choose(s.Combo("accessLevelCombo"), m_access); });
    QtComboBox& optimal = s.Combo("optimalOptionCombo");
    const int before = optimal.GetCurSel();
    Edit([&] {
      QTest::keyClick(&optimal, before + 1 < optimal.GetCount() ? Qt::Key_Down : Qt::Key_Up);
    });
    ASSERT_NE(optimal.GetCurSel(), before);
    m_optimal = optimal.GetText(optimal.GetCurSel());

    m_renamed = s.Question(m_question);
    ASSERT_NE(m_renamed, platform::kNoItem);
    QStringList shown;
    s.Driver().Expect("kalvire::ui::CEditBIOSString", [&](QWidget* widget) {
      auto* dialog = static_cast<CEditBIOSString*>(widget);
      shown << dialog->windowTitle() << dialog->Text();
      dialog->Field().selectAll();
      QTest::keyClicks(&dialog->Field(), "Renamed In The Editor");
      dialog->accept();
    });
    const QString old_name = QString::fromStdString(s.SetupTree().GetItemText(m_renamed));
    Edit([&] { s.DoubleClickItem(s.SetupTree(), m_renamed); });
    EXPECT_EQ(shown, (QStringList{"Update Data", old_name}));
    EXPECT_EQ(s.SetupTree().GetItemText(m_renamed), "Renamed In The Editor");
    EXPECT_EQ(s.SetupTree().GetItemColor(m_renamed), platform::kColorRed);

    s.SetupTree().SelectItem(m_renamed);
    QtComboBox& options = s.Combo("deleteOptionCombo");
    m_deleted = options.GetCount() - 1;
    m_deleted_text = options.GetText(m_deleted);
    EXPECT_FALSE(s.Button("deleteButton")->IsEnabled());
    Choose(options, m_deleted);
    EXPECT_TRUE(s.Button("deleteButton")->IsEnabled());
    Edit([&] { s.PressAlt(Qt::Key_D); });
    EXPECT_EQ(s.Editor().setup.node_states[s.NodeOf(m_renamed)].deleted_option_count, 1u);

    shown.clear();
    s.Driver().Expect("kalvire::ui::CDmiDialog1", [&](QWidget* widget) {
      auto* dialog = static_cast<CDmiDialog1*>(widget);
      shown << dialog->windowTitle();
      for (int k = 0; k < CDmiDialog1::kSlots; ++k) {
        if (!dialog->ValueField(k).isHidden()) shown << dialog->LabelField(k).text();
      }
      dialog->ValueField(1).selectAll();
      QTest::keyClicks(&dialog->ValueField(1), "GUI Board 9000");
      dialog->accept();
    });
    Edit([&] { s.DoubleClickItem(s.DmiTree(), s.DmiItem("System Information (Type 1)")); });
    EXPECT_EQ(shown,
              (QStringList{"System Information (Type 1)", "System Manufacturer:", "Product Name:",
                           "Version:", "Serial Number:", "UUID:", "Wake-up Type:"}));
    EXPECT_THAT(s.TrackLogLines(),
                Contains(HasSubstr(" DMI String is changed to \" GUI Board 9000")));
  }

  AppSession s;
  platform::TreeItem m_question = platform::kNoItem, m_renamed = platform::kNoItem;
  int m_access = -1, m_deleted = -1;
  std::string m_optimal, m_deleted_text;
};

TEST_F(GuiSession, HideAndShowByTheRadiosAndAltS) {
  s.SetupTree().SelectItem(platform::kNoItem);
  s.ClickItem(s.SetupTree(), m_question);
  ASSERT_EQ(s.SetupTree().GetSelectedItem(), m_question);
  for (const auto& [name, hidden, edit] :
       std::vector<std::tuple<const char*, bool, std::function<void()>>>{
           {"Hide", true, [&] { QTest::mouseClick(s.Radio("hideRadio"), Qt::LeftButton); }},
           {"Alt+S", false, [&] { s.PressAlt(Qt::Key_S); }},
           {"Alt+S again", true, [&] { s.PressAlt(Qt::Key_S); }},
           {"Show", false, [&] { QTest::mouseClick(s.Radio("showRadio"), Qt::LeftButton); }}}) {
    SCOPED_TRACE(name);
    Edit(edit);
    EXPECT_EQ(s.Radio("hideRadio")->IsChecked(), hidden);
    EXPECT_EQ(s.Radio("showRadio")->IsChecked(), !hidden);
    EXPECT_EQ(s.SetupTree().GetItemColor(m_question),
              hidden ? platform::kColorRed : platform::kColorBlack);
    if (name == std::string("Hide"))
      EXPECT_THAT(s.TrackLogLines(), Contains("    Visibility changed"));
  }
}

TEST_F(GuiSession, TheTrackLogListsEveryEditAndIsSavedLineByLine) {
  MakeEveryEdit();
  QTest::mouseClick(s.Button("fullTrackLogButton"), Qt::LeftButton);
  const std::vector<std::string> full = s.TrackLogLines();
  for (const std::string& line : std::vector<std::string>{
           "    Visibility changed to Hide", "    Access Level is changed from default option :",
           "    Optimal option is Changed from Default Option :",
           "    BIOS String is changed to \"Renamed In The Editor\"",
           "    Option \"" + m_deleted_text + "\" is deleted",
           "DMI String is changed  to \"GUI Board 9000\""}) {
    EXPECT_THAT(full, Contains(HasSubstr(line)));
  }
  EXPECT_FALSE(s.View().Prompter().IsBusy());
  // Alt+T fills the emptied list again; Save Track Log writes it.
  s.View().findChild<QtListBox*>("trackLogList")->ResetContent();
  s.PressAlt(Qt::Key_T);
  EXPECT_EQ(s.TrackLogLines(), full);
  s.Driver().ExpectFile(s.Path("changes.log"));
  QTest::mouseClick(s.Button("saveTrackLogButton"), Qt::LeftButton);
  EXPECT_TRUE(s.Driver().AllHandled());
  std::string expected;
  for (const std::string& line : full) expected += line + "\n";
  EXPECT_EQ(FileBytes(s.Path("changes.log")).toStdString(), expected);
}

TEST_F(GuiSession, SaveWritesEveryEditAndTheReopenedImageShowsThem) {
  const uint32_t hidden = s.NodeOf(m_question);
  MakeEveryEdit();
  const uint32_t renamed = s.NodeOf(m_renamed);
  s.Driver().ClearRecords();
  s.Frame().Action("actionToolbarSave")->trigger();
  ASSERT_FALSE(s.Driver().messages.empty());
  EXPECT_EQ(s.Driver().messages.front().caption, "Confirm Save");
  EXPECT_EQ(s.Driver().messages.front().icon, QMessageBox::Question);
  EXPECT_EQ(s.Driver().messages.back().text, "Successfully saved the .ROM file");
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]");

  s.Driver().ExpectFile(s.SamplePath());
  s.Frame().Action("actionFileOpen")->trigger();
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]");
  CTreeCtrlX& tree = s.SetupTree();
  tree.SelectItem(s.Editor().setup.nodes[hidden].item);
  EXPECT_TRUE(s.Radio("hideRadio")->IsChecked());
  EXPECT_FALSE(s.Radio("showRadio")->IsChecked());
  EXPECT_EQ(s.Combo("accessLevelCombo").GetCurSel(), m_access);
  EXPECT_EQ(s.Combo("optimalOptionCombo").GetText(s.Combo("optimalOptionCombo").GetCurSel()),
            m_optimal);
  EXPECT_EQ(tree.GetItemText(s.Editor().setup.nodes[renamed].item), "Renamed In The Editor");
  tree.SelectItem(s.Editor().setup.nodes[renamed].item);
  EXPECT_NE(s.Combo("deleteOptionCombo").GetText(m_deleted), m_deleted_text);
  QString product;
  s.Driver().Expect("kalvire::ui::CDmiDialog1", [&](QWidget* widget) {
    product = static_cast<CDmiDialog1*>(widget)->ValueField(1).text();
    static_cast<QDialog*>(widget)->reject();
  });
  s.DoubleClickItem(s.DmiTree(), s.DmiItem("System Information (Type 1)"));
  EXPECT_EQ(product, "GUI Board 9000");
  EXPECT_TRUE(s.Driver().unexpected.empty());
  EXPECT_EQ(s.App().RecentFiles().MostRecent(), s.SamplePath());
}

// Save As: the dialog proposes ROM files, a name without extension gets ".rom", and the title
// and the recent file name the new file.
TEST_F(GuiSession, SaveAsWritesTheNamedFile) {
  QStringList filters;
  s.Driver().Expect("QFileDialog", [&](QWidget* widget) {
    auto* dialog = static_cast<QFileDialog*>(widget);
    filters = dialog->nameFilters() << QString::number(dialog->acceptMode());
    dialog->selectFile(s.Path("saved-as"));
    static_cast<QDialog*>(dialog)->accept();
  });
  s.Frame().Action("actionFileSaveAs")->trigger();
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_EQ(filters, (QStringList{"ROM Files (*.rom)", "All Files (*)",
                                  QString::number(QFileDialog::AcceptSave)}));
  EXPECT_EQ(FileBytes(s.Path("saved-as.rom")).size(), FileBytes(s.SamplePath()).size());
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [saved-as.rom]");
  EXPECT_EQ(s.App().RecentFiles().MostRecent(), s.Path("saved-as.rom"));
  EXPECT_EQ(s.Driver().messages.back().text, "Successfully saved the .ROM file");
  EXPECT_TRUE(s.Driver().unexpected.empty());
}

// A track log saved from one image, imported into another copy through Alt+L and Alt+I.
TEST_F(GuiSession, ImportAppliesASavedTrackLog) {
  const uint32_t node = s.NodeOf(m_question);
  QTest::mouseClick(s.Radio("hideRadio"), Qt::LeftButton);
  s.PressAlt(Qt::Key_T);
  s.Driver().ExpectFile(s.Path("hide.log"));
  s.PressAlt(Qt::Key_L);
  const std::vector<std::string> exported = s.TrackLogLines();
  ASSERT_TRUE(s.View().OpenRomImagePath(s.WriteSample("copy.rom").toStdString()));
  const platform::TreeItem item = s.Editor().setup.nodes[node].item;
  EXPECT_EQ(s.SetupTree().GetItemColor(item), platform::kDefaultTextColor);
  s.Driver().ExpectFile(s.Path("hide.log"));
  s.PressAlt(Qt::Key_I);
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [copy.rom]*");
  EXPECT_EQ(s.SetupTree().GetItemColor(item), platform::kColorRed);
  QTest::mouseClick(s.Button("fullTrackLogButton"), Qt::LeftButton);
  EXPECT_EQ(s.TrackLogLines(), exported);
  EXPECT_TRUE(s.Driver().unexpected.empty());
}

TEST_F(GuiSession, SecondOpenReplacesEveryControl) {
  Choose(s.Combo("deleteOptionCombo"), 0);
  ASSERT_TRUE(s.Button("deleteButton")->IsEnabled());
  std::vector<QPointer<QWidget>> first;
  for (QWidget* child : s.Controls()) first.emplace_back(child);
  ASSERT_EQ(first.size(), 18u);
  ASSERT_TRUE(s.View().OpenRomImagePath(s.SamplePath().toStdString()));
  for (const QPointer<QWidget>& old : first) EXPECT_TRUE(old.isNull());
  EXPECT_EQ(s.Controls().size(), 18);
  EXPECT_FALSE(s.Radio("hideRadio")->IsEnabled() || s.Radio("showRadio")->IsEnabled());
  EXPECT_FALSE(s.Button("deleteButton")->IsEnabled() || s.Combo("accessLevelCombo").IsEnabled());
  // The hot keys reach the new controls; Alt+S with neither radio checked selects Show.
  s.PressAlt(Qt::Key_M);
  EXPECT_TRUE(s.SetupTree().hasFocus());
  s.PressAlt(Qt::Key_B);
  EXPECT_TRUE(s.DmiTree().hasFocus());
  ASSERT_FALSE(s.Radio("showRadio")->IsChecked() || s.Radio("hideRadio")->IsChecked());
  s.PressAlt(Qt::Key_S);
  EXPECT_TRUE(s.Radio("showRadio")->IsChecked());
  EXPECT_FALSE(s.Radio("hideRadio")->IsChecked());
}

// Long commands show their wait text in the title while the busy cursor is up.
TEST_F(GuiSession, LongCommandsShowWaitTextsWithABusyCursor) {
  QStringList titles;
  QObject::connect(s.Frame().windowHandle(), &QWindow::windowTitleChanged, [&](QString title) {
    const QCursor* cursor = QApplication::overrideCursor();
    titles << title + (cursor && cursor->shape() == Qt::WaitCursor ? " (busy)" : "");
  });
  ASSERT_TRUE(s.View().OpenRomImagePath(s.SamplePath().toStdString()));
  QTest::mouseClick(s.Button("fullTrackLogButton"), Qt::LeftButton);
  EXPECT_EQ(
      titles,
      (QStringList{"KALVIRE 0.1 - [ Please Wait While Loading File...] (busy)",
                   "KALVIRE 0.1 - [sample.rom] (busy)",
                   "KALVIRE 0.1 - [sample.rom] - [Please Wait While Loading Track log...] (busy)",
                   "KALVIRE 0.1 - [sample.rom] (busy)"}));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace kalvire::ui::test
