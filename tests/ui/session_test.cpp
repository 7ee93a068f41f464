// A person's session on the sample image: each kind of edit through controls, dialogs and hot
// keys, the modified mark, track log, save and re-open; unsaved edits are never lost unasked.
#include <gmock/gmock.h>

#include <QApplication>

#include "ui/dmi_dialog.h"
#include "ui/edit_bios_string.h"
#include "ui/limited_line_edit.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

using testing::Contains;
const QString kTitle = "KALVIRE 0.1 - [sample.rom]", kEditedTitle = kTitle + "*";

class GuiSession : public SampleTest {
 protected:
  void SetUp() override {
    SampleTest::SetUp();
    m_question = s.Question();
    ASSERT_NE(m_question, platform::kNoItem);
  }

  // Runs `edit` with the title bar's modified mark taken away first: the edit must bring it back.
  void Edit(const std::function<void()>& edit) {
    s.Frame().setWindowModified(false);
    edit();
    EXPECT_TRUE(s.Driver().AllHandled());
    EXPECT_EQ(s.ShownTitle(), kEditedTitle);
  }

  AppSession& s = SampleTest::s;
  platform::TreeItem m_question = platform::kNoItem;
};

// One edit of each kind through the controls, dialogs and hot keys: Hide, Show and Alt+S, the
// access level and the optimal option of a question; a rename and a deleted option of a second
// one; a DMI string. The track log lists them, Save writes them, and the image opened again
// shows them; Save As writes a copy under a new name.
TEST_F(GuiSession, EveryEditIsListedSavedAndShownAgain) {
  for (const auto& [name, hidden, edit] :
       std::vector<std::tuple<const char*, bool, std::function<void()>>>{
           {"Hide", true, [&] { s.Click(s.Radio("hideRadio")); }},
           {"Show", false, [&] { s.Click(s.Radio("showRadio")); }},
           {"Alt+S", true, [&] { s.PressAlt(Qt::Key_S); }},
           {"Alt+S again", false, [&] { s.PressAlt(Qt::Key_S); }},
           {"Hide", true, [&] { s.Click(s.Radio("hideRadio")); }}}) {
    Edit(edit);
    EXPECT_EQ(s.Radio("showRadio")->IsChecked(), !hidden) << name;
    EXPECT_EQ(s.Radio("hideRadio")->IsChecked(), hidden) << name;
    EXPECT_EQ(s.SetupTree().GetItemColor(m_question),
              hidden ? platform::kColorRed : platform::kColorBlack);
  }
  const int access = (s.Combo("accessLevelCombo").GetCurSel() + 1) % 4;
  Edit([&] { s.Choose(s.Combo("accessLevelCombo"), access); });
  QtComboBox& optimal = s.Combo("optimalOptionCombo");
  const int before = optimal.GetCurSel();
  Edit([&] { QTest::keyClick(&optimal, before > 0 ? Qt::Key_Up : Qt::Key_Down); });
  ASSERT_NE(optimal.GetCurSel(), before);

  const platform::TreeItem renamed = s.Question(m_question);
  ASSERT_NE(renamed, platform::kNoItem);
  QStringList shown;
  s.Driver().Expect<CEditBIOSString>("kalvire::ui::CEditBIOSString", [&](auto& dialog) {
    shown << dialog.windowTitle() << dialog.Text();
    dialog.Field().selectAll();
    QTest::keyClicks(&dialog.Field(), "Renamed In The Editor");
    dialog.accept();
  });
  const QString old_name = QString::fromStdString(s.SetupTree().GetItemText(renamed));
  Edit([&] { s.ClickItem(s.SetupTree(), renamed, true); });
  EXPECT_EQ(shown, (QStringList{"Update Data", old_name}));
  EXPECT_EQ(s.SetupTree().GetItemText(renamed), "Renamed In The Editor");
  EXPECT_EQ(s.SetupTree().GetItemColor(renamed), platform::kColorRed);
  QtComboBox& options = s.Combo("deleteOptionCombo");
  const int deleted = options.GetCount() - 1;
  const std::string deleted_text = options.GetText(deleted);
  s.Choose(options, deleted);
  EXPECT_TRUE(s.Button("deleteButton")->IsEnabled());
  Edit([&] { s.PressAlt(Qt::Key_D); });
  s.Driver().Expect<CDmiDialog1>("kalvire::ui::CDmiDialog1", [&](auto& dialog) {
    dialog.ValueField(1).selectAll();
    QTest::keyClicks(&dialog.ValueField(1), "GUI Board 9000");
    dialog.accept();
  });
  const platform::TreeItem system = s.DmiItem("System Information (Type 1)");
  Edit([&] { s.ClickItem(s.DmiTree(), system, true); });

  // Alt+T lists the edits again; Save Track Log writes the list.
  s.View().findChild<QtListBox*>("trackLogList")->ResetContent();
  s.PressAlt(Qt::Key_T);
  EXPECT_THAT(s.TrackLogLines(),
              Contains(testing::HasSubstr("BIOS String is changed to \"Renamed In The Editor\"")));
  s.Driver().ExpectFile(s.Path("changes.log"));
  s.Click(s.Button("saveTrackLogButton"));
  QByteArray listed;
  for (const std::string& line : s.TrackLogLines())
    listed += QByteArray::fromStdString(line) + '\n';
  EXPECT_EQ(FileBytes(s.Path("changes.log")), listed);

  const uint32_t hidden = s.NodeOf(m_question), renamed_node = s.NodeOf(renamed);
  s.Driver().ClearRecords();
  s.Trigger("actionToolbarSave");
  ASSERT_FALSE(s.Driver().messages.empty());
  EXPECT_EQ(s.Driver().messages.front().caption, "Confirm Save");
  EXPECT_EQ(s.LastMessage(), "Successfully saved the .ROM file");
  EXPECT_EQ(s.ShownTitle(), kTitle);
  s.Driver().ExpectFile(s.SamplePath());
  s.Trigger("actionFileOpen");
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_EQ(s.ShownTitle(), kTitle);
  s.SetupTree().SelectItem(s.ItemOf(hidden));
  EXPECT_TRUE(s.Radio("hideRadio")->IsChecked() && !s.Radio("showRadio")->IsChecked());
  EXPECT_EQ(s.Combo("accessLevelCombo").GetCurSel(), access);
  EXPECT_EQ(s.SetupTree().GetItemText(s.ItemOf(renamed_node)), "Renamed In The Editor");
  s.SetupTree().SelectItem(s.ItemOf(renamed_node));
  EXPECT_NE(s.Combo("deleteOptionCombo").GetText(deleted), deleted_text);

  // Save As adds ".rom" to a bare name; the title and the recent file name the new file.
  s.Driver().ExpectFile(s.Path("saved-as"));
  s.Trigger("actionFileSaveAs");
  EXPECT_EQ(FileBytes(s.Path("saved-as.rom")), FileBytes(s.SamplePath()));
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [saved-as.rom]");
  EXPECT_EQ(s.App().RecentFiles().MostRecent(), s.Path("saved-as.rom"));
  EXPECT_EQ(s.LastMessage(), "Successfully saved the .ROM file");
  EXPECT_TRUE(s.Driver().unexpected.empty());
}

// A second Open replaces every control, leaving no busy cursor; the hot keys reach the new
// controls: Alt+I imports the track log saved with Alt+L before.
TEST_F(GuiSession, SecondOpenReplacesEveryControlAndImportsASavedTrackLog) {
  const uint32_t node = s.NodeOf(m_question);
  s.Click(s.Radio("hideRadio"));
  s.PressAlt(Qt::Key_T);
  const std::vector<std::string> exported = s.TrackLogLines();
  s.Driver().ExpectFile(s.Path("hide.log"));
  s.PressAlt(Qt::Key_L);
  std::vector<QPointer<QWidget>> first;
  for (QWidget* child : s.Controls()) first.emplace_back(child);
  ASSERT_EQ(first.size(), 21u);
  s.Frame().setWindowModified(false);  // the mark of the edit left behind aside
  ASSERT_TRUE(s.Open(s.WriteSample("copy.rom")));
  s.Click(s.Button("fullTrackLogButton"));
  const QString copy = "KALVIRE 0.1 - [copy.rom]";
  EXPECT_EQ(s.ShownTitle(), copy);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  for (const QPointer<QWidget>& old : first) EXPECT_TRUE(old.isNull());
  EXPECT_EQ(s.Controls().size(), 21);
  EXPECT_FALSE(s.Button("deleteButton")->IsEnabled() || s.Combo("accessLevelCombo").IsEnabled());
  EXPECT_FALSE(s.Radio("hideRadio")->IsEnabled() || s.Radio("hideRadio")->IsChecked());
  EXPECT_EQ(s.SetupTree().GetItemColor(s.ItemOf(node)), platform::kDefaultTextColor);
  s.PressAlt(Qt::Key_B);
  EXPECT_TRUE(s.DmiTree().hasFocus());
  s.Driver().ExpectFile(s.Path("hide.log"));
  s.PressAlt(Qt::Key_I);
  EXPECT_EQ(s.ShownTitle(), copy + "*");
  EXPECT_EQ(s.SetupTree().GetItemColor(s.ItemOf(node)), platform::kColorRed);
  s.Click(s.Button("fullTrackLogButton"));
  EXPECT_EQ(s.TrackLogLines(), exported);
  EXPECT_TRUE(s.Driver().unexpected.empty());
}

class EditedImage : public SampleTest {
 protected:
  void SetUp() override {
    SampleTest::SetUp();
    m_image = FileBytes(s.SamplePath());
    const platform::TreeItem question = s.Question();  // hidden with clicks, as a person does
    ASSERT_NE(question, platform::kNoItem);
    s.SetupTree().SelectItem(platform::kNoItem);
    s.ClickItem(s.SetupTree(), question);
    s.Click(s.Radio("hideRadio"));
    m_node = s.NodeOf(question);
    ASSERT_EQ(s.ShownTitle(), kEditedTitle);
    m_tree = &s.SetupTree();
  }

  void ExpectTheQuestion() {
    ASSERT_FALSE(s.Driver().messages.empty());
    const ShownMessage& asked = s.Driver().messages[0];
    EXPECT_EQ(asked.text, "Save changes to sample.rom?");
    EXPECT_EQ(asked.caption, "KALVIRE 0.1");
    EXPECT_EQ(asked.buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    EXPECT_EQ(asked.default_button, QMessageBox::Save);
  }

  // The image, its edit, its controls and its title as they were; the file untouched.
  void ExpectEverythingKept() {
    EXPECT_TRUE(s.Frame().isVisible());
    EXPECT_EQ(s.ShownTitle(), kEditedTitle);
    EXPECT_EQ(s.Editor().workspace.m_path, s.SamplePath().toStdString());
    EXPECT_EQ(FileBytes(s.SamplePath()), m_image);
    ASSERT_EQ(&s.SetupTree(), m_tree.data());
    EXPECT_EQ(m_tree->GetItemColor(s.ItemOf(m_node)), platform::kColorRed);
    s.PressAlt(Qt::Key_T);
    EXPECT_THAT(s.TrackLogLines(), Contains("    Visibility changed to Hide"));
  }

  QByteArray m_image;
  uint32_t m_node = ~0u;
  QPointer<CTreeCtrlX> m_tree;
};

// Each way to leave the image asks first; only Discard, or a save that wrote the edits, goes on.
TEST_F(EditedImage, LeavingAsksAndGoesOnOnlyAfterDiscardOrASave) {
  const struct {
    const char* name;
    const char* action;  // nullptr: the title bar's close
    std::vector<Qt::Key> keys;
    bool cancel_open_dialog, closes, writes;
  } cases[] = {
      {"Cancel on close", nullptr, {Qt::Key_Escape}, false, false, false},
      {"Cancel on File > Open", "actionFileOpen", {Qt::Key_Escape}, false, false, false},
      {"Discard on Open, dialog cancelled", "actionFileOpen", {Qt::Key_D}, true, false, false},
      {"Save on Exit, then No", "actionFileExit", {Qt::Key_Return, Qt::Key_N}, false, false, false},
      {"Discard on close", nullptr, {Qt::Key_D}, false, true, false},
      {"Save on close", nullptr, {Qt::Key_S}, false, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    s.Frame().show();
    s.Driver().ClearRecords();
    for (const Qt::Key key : c.keys) s.Driver().ExpectKey(key);
    if (c.cancel_open_dialog) s.Driver().ExpectReject("QFileDialog");
    c.action ? s.Trigger(c.action) : (void)s.Frame().windowHandle()->close();
    EXPECT_TRUE(s.Driver().AllHandled());
    ExpectTheQuestion();
    EXPECT_TRUE(s.Driver().unexpected.empty());  // no Open dialog after Cancel
    EXPECT_TRUE(c.keys[0] != Qt::Key_Escape || s.Driver().messages.size() == 1u);
    if (!c.closes) {
      ExpectEverythingKept();
      continue;
    }
    EXPECT_FALSE(s.Frame().isVisible());
    EXPECT_EQ(FileBytes(s.SamplePath()) != m_image, c.writes);
    EXPECT_EQ(s.LastMessage() == "Successfully saved the .ROM file", c.writes);
  }
}

TEST_F(EditedImage, AFailedOpenKeepsEverything) {
  const std::pair<QString, QByteArray> cases[] = {
      // path, bytes written to it
      {s.Path("missing.rom"), {}},
      {s.Path("half.rom"), m_image.left(m_image.size() / 2)}};
  for (const auto& [path, bytes] : cases) {
    SCOPED_TRACE(path.toStdString());
    ASSERT_TRUE(bytes.isEmpty() || WriteFile(path, bytes));
    s.Driver().ClearRecords();
    EXPECT_FALSE(s.Open(path));
    EXPECT_FALSE(s.Driver().messages.empty());
    ExpectEverythingKept();
  }
}

}  // namespace
}  // namespace kalvire::ui::test
