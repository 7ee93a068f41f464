// Save Track Log in the window: the name it proposes, the question before a file is replaced,
// and the image file, which it never writes.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTest>

#include "qt_printers.h"
#include "ui/qt_controls.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SaveTrackLogWindow : public testing::Test {
 protected:
  void SetUp() override {
    m_image_path = WriteSampleImage(m_session.Path(""), "h61-bios-region.bin");
    ASSERT_TRUE(m_session.Start(m_image_path));
    m_image = FileBytes(m_image_path);
    // A modified title too: the proposed name comes from it.
    ASSERT_NE(m_session.HideAQuestion(), ~0u);
    ASSERT_EQ(m_session.ShownTitle(), "KALVIRE 0.1 - [h61-bios-region.bin]*");
    for (const std::string& line : m_session.TrackLogLines()) {
      m_log += QByteArray::fromStdString(line) + '\n';
    }
    ASSERT_TRUE(m_log.contains("    Visibility changed\n"));
  }

  // The Save dialog the next Alt+L opens: its proposed file name goes to `proposed`, then
  // `chosen` is accepted.
  void ExpectSaveDialog(const QString& chosen, QString* proposed = nullptr) {
    m_session.Driver().Expect("QFileDialog", [=](QWidget* widget) {
      auto* dialog = static_cast<QFileDialog*>(widget);
      if (proposed) *proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
      dialog->selectFile(chosen);
      static_cast<QDialog*>(dialog)->accept();
    });
  }
  void SaveTrackLog() {
    m_session.PressAlt(Qt::Key_L);
    EXPECT_TRUE(m_session.Driver().AllHandled());
  }

  AppSession m_session;
  QString m_image_path;
  QByteArray m_image;
  QByteArray m_log;  // what the track log list shows after the edit
};

TEST_F(SaveTrackLogWindow, ProposesALogNameAndNeverWritesTheImage) {
  QString proposed;
  ExpectSaveDialog(m_session.Path("h61-bios-region"), &proposed);
  SaveTrackLog();
  EXPECT_EQ(proposed, "h61-bios-region.log");
  EXPECT_EQ(FileBytes(m_session.Path("h61-bios-region.log")), m_log);
  EXPECT_TRUE(m_session.Driver().Messages().empty());
  EXPECT_EQ(FileBytes(m_image_path), m_image);

  SCOPED_TRACE("the image itself chosen");
  ExpectSaveDialog(m_image_path);
  SaveTrackLog();
  ASSERT_EQ(m_session.Driver().Messages().size(), 1u);
  EXPECT_EQ(m_session.Driver().Messages()[0].text,
            "Error: The track log cannot be written over the open image.");
  EXPECT_EQ(m_session.Driver().Messages()[0].icon, QMessageBox::Critical);
  EXPECT_EQ(FileBytes(m_image_path), m_image);
  EXPECT_TRUE(m_session.Driver().Unexpected().empty());
}

TEST_F(SaveTrackLogWindow, ReplacesAnExistingLogOnlyAfterYes) {
  const QString log_path = m_session.Path("h61-bios-region.log");
  QFile existing(log_path);
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("kept\n");
  existing.close();
  struct Case {
    const char* name;
    Qt::Key key;
    bool replaced;
  };
  const Case cases[] = {{"Return: the default, No", Qt::Key_Return, false},
                        {"Escape", Qt::Key_Escape, false},
                        {"Y: Yes", Qt::Key_Y, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_session.Driver().ClearRecords();
    ExpectSaveDialog(log_path);
    m_session.Driver().ExpectKey(c.key);
    SaveTrackLog();
    ASSERT_EQ(m_session.Driver().Messages().size(), 1u);
    const ShownMessage& asked = m_session.Driver().Messages()[0];
    EXPECT_EQ(asked.caption, "Confirm Save Track Log");
    EXPECT_EQ(asked.text, "h61-bios-region.log already exists. Do you want to replace it?");
    EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(FileBytes(log_path), c.replaced ? m_log : QByteArray("kept\n"));
  }
  EXPECT_EQ(FileBytes(m_image_path), m_image);
}

}  // namespace
}  // namespace kalvire::ui::test
