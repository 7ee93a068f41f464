// Edits that no save has written are never lost without a question: the title bar marks them;
// closing the window or opening another image asks "Save changes to NAME?" first; an Open that
// fails and Save Track Log leave the image, its edits, its controls and its title as they were.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QFileInfo>
#include <QTest>
#include <QWindow>
#include <iostream>
#include <random>

#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

QByteArray RandomBytes(qsizetype size) {
  std::mt19937 generator(20240611);
  QByteArray bytes(size, '\0');
  for (char& byte : bytes) byte = char(generator() & 0xFF);
  return bytes;
}

class EditedImage : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.Start(s.SamplePath()));
    m_image = FileBytes(s.SamplePath());
    m_node = s.HideAQuestion();
    ASSERT_NE(m_node, ~0u);
    ASSERT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]*");
    m_tree = &s.SetupTree();
  }

  // The first box shown since the records were cleared.
  void ExpectTheQuestion() {
    ASSERT_FALSE(s.Driver().messages.empty());
    const ShownMessage& asked = s.Driver().messages[0];
    EXPECT_EQ(asked.text, "Save changes to sample.rom?");
    EXPECT_EQ(asked.caption, "KALVIRE 0.1");
    EXPECT_EQ(asked.buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    EXPECT_EQ(asked.default_button, QMessageBox::Save);
  }

  void ExpectEverythingKept() {
    EXPECT_TRUE(s.Frame().isVisible());
    EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]*");
    EXPECT_EQ(s.Editor().workspace.m_path, s.SamplePath().toStdString());
    EXPECT_TRUE(s.Editor().workspace.HasUnsavedEdits());
    EXPECT_EQ(FileBytes(s.SamplePath()), m_image);
    ASSERT_FALSE(m_tree.isNull());
    EXPECT_EQ(&s.SetupTree(), m_tree.data());
    EXPECT_TRUE(m_tree->isVisible());
    EXPECT_EQ(m_tree->GetItemColor(s.Editor().setup.nodes[m_node].item), platform::kColorRed);
    // The edit is still there to be listed and saved.
    s.PressAlt(Qt::Key_T);
    EXPECT_THAT(s.TrackLogLines(), testing::Contains("    Visibility changed to Hide"));
  }

  // What the track log list shows, as Save Track Log writes it.
  QByteArray ListedLog() {
    QByteArray log;
    for (const std::string& line : s.TrackLogLines()) log += QByteArray::fromStdString(line) + '\n';
    return log;
  }

  // Alt+L with `chosen` picked in the Save dialog and a box after it answered with `answer`;
  // returns the file name the dialog proposed.
  QString SaveTrackLog(const QString& chosen, Qt::Key answer = Qt::Key_unknown) {
    QString proposed;
    s.Driver().Expect("QFileDialog", [&](QWidget* widget) {
      auto* dialog = static_cast<QFileDialog*>(widget);
      proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
      dialog->selectFile(chosen);
      static_cast<QDialog*>(dialog)->accept();
    });
    if (answer != Qt::Key_unknown) s.Driver().ExpectKey(answer);
    s.PressAlt(Qt::Key_L);
    EXPECT_TRUE(s.Driver().AllHandled());
    return proposed;
  }

  AppSession s;
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
      {"Cancel on File > Exit", "actionFileExit", {Qt::Key_Escape}, false, false, false},
      {"Cancel on File > Open", "actionFileOpen", {Qt::Key_Escape}, false, false, false},
      {"Discard on File > Open, its dialog cancelled",
       "actionFileOpen",
       {Qt::Key_D},
       true,
       false,
       false},
      {"Save (the default) on Exit, then No",
       "actionFileExit",
       {Qt::Key_Return, Qt::Key_N},
       false,
       false,
       false},
      {"Discard on close", nullptr, {Qt::Key_D}, false, true, false},
      {"Save on close", nullptr, {Qt::Key_S}, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    s.Frame().show();
    s.Driver().ClearRecords();
    for (const Qt::Key key : c.keys) s.Driver().ExpectKey(key);
    if (c.cancel_open_dialog) {
      s.Driver().Expect("QFileDialog",
                        [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    }
    c.action ? s.Frame().Action(c.action)->trigger() : (void)s.Frame().windowHandle()->close();
    EXPECT_TRUE(s.Driver().AllHandled());
    ExpectTheQuestion();
    EXPECT_TRUE(s.Driver().unexpected.empty());  // no Open dialog after Cancel
    if (c.keys[0] == Qt::Key_Escape) EXPECT_EQ(s.Driver().messages.size(), 1u);
    if (!c.closes) {
      ExpectEverythingKept();
      continue;
    }
    EXPECT_FALSE(s.Frame().isVisible());
    EXPECT_EQ(FileBytes(s.SamplePath()) != m_image, c.writes);
    EXPECT_EQ(s.Editor().workspace.HasUnsavedEdits(), !c.writes);
    if (c.writes) EXPECT_EQ(s.Driver().messages.back().text, "Successfully saved the .ROM file");
  }
}

TEST(UnsavedEdits, NoEditsNoQuestion) {
  AppSession s;
  ASSERT_TRUE(s.Start(s.SamplePath()));
  s.Frame().windowHandle()->close();
  EXPECT_FALSE(s.Frame().isVisible());
  EXPECT_TRUE(s.Driver().messages.empty());
}

TEST_F(EditedImage, AFailedOpenKeepsEverything) {
  struct Case {
    const char* name;
    QString path;
    QByteArray bytes;  // written to `path` first unless empty
    bool dialog;       // through File > Open, answering Discard
  };
  const Case cases[] = {
      {"a file that does not exist", s.Path("missing.rom"), {}, false},
      {"random bytes", s.Path("random.rom"), RandomBytes(1 << 20), false},
      {"random bytes, through File > Open", s.Path("random.rom"), {}, true},
      {"text", s.Path("notes.rom"), QByteArray(70000, 'x'), false},
      {"the sample cut in half", s.Path("half.rom"), m_image.left(m_image.size() / 2), false},
      {"an EDK2 image", QStringLiteral("/usr/share/ovmf/OVMF.fd"), {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.bytes.isEmpty()) ASSERT_TRUE(WriteFile(c.path, c.bytes));
    if (c.path.startsWith("/usr") && !QFileInfo::exists(c.path)) {
      std::cout << "not tried (package ovmf absent): " << c.path.toStdString() << '\n';
      continue;
    }
    s.Driver().ClearRecords();
    if (c.dialog) {
      s.Driver().ExpectKey(Qt::Key_D);
      s.Driver().ExpectFile(c.path);
      s.Frame().Action("actionFileOpen")->trigger();
      EXPECT_TRUE(s.Driver().AllHandled());
      ASSERT_GE(s.Driver().messages.size(), 2u);
      ExpectTheQuestion();
    } else {
      EXPECT_FALSE(s.View().OpenRomImagePath(c.path.toStdString()));
      EXPECT_FALSE(s.Driver().messages.empty());
    }
    ExpectEverythingKept();
  }
}

// Save Track Log proposes NAME.log, and never writes the image file.
TEST_F(EditedImage, SaveTrackLogProposesALogNameAndRefusesTheImage) {
  const QByteArray log = ListedLog();
  ASSERT_TRUE(log.contains("    Visibility changed\n"));
  EXPECT_EQ(SaveTrackLog(s.Path("sample")), "sample.log");
  EXPECT_EQ(FileBytes(s.Path("sample.log")), log);
  EXPECT_TRUE(s.Driver().messages.empty());

  SaveTrackLog(s.SamplePath());
  ASSERT_EQ(s.Driver().messages.size(), 1u);
  EXPECT_EQ(s.Driver().messages[0].text,
            "Error: The track log cannot be written over the open image.");
  EXPECT_EQ(s.Driver().messages[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(s.Driver().unexpected.empty());
  ExpectEverythingKept();
}

TEST_F(EditedImage, SaveTrackLogReplacesAFileOnlyAfterYes) {
  const QString path = s.Path("sample.log");
  ASSERT_TRUE(WriteFile(path, "kept\n"));
  const std::tuple<const char*, Qt::Key, bool> cases[] = {
      {"Return: the default, No", Qt::Key_Return, false},
      {"Escape", Qt::Key_Escape, false},
      {"Y: Yes", Qt::Key_Y, true}};
  for (const auto& [name, key, replaced] : cases) {
    SCOPED_TRACE(name);
    s.Driver().ClearRecords();
    SaveTrackLog(path, key);
    ASSERT_EQ(s.Driver().messages.size(), 1u);
    const ShownMessage& asked = s.Driver().messages[0];
    EXPECT_EQ(asked.caption, "Confirm Save Track Log");
    EXPECT_EQ(asked.text, "sample.log already exists. Do you want to replace it?");
    EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(FileBytes(path), replaced ? ListedLog() : QByteArray("kept\n"));
  }
  EXPECT_EQ(FileBytes(s.SamplePath()), m_image);
}

}  // namespace
}  // namespace kalvire::ui::test
