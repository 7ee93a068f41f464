// The main window: command line, frame and menus; the view's controls and texts on the sample.
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

TEST(CommandLine, FileOffscreenRunAndErrors) {
  const std::tuple<QStringList, bool, QString, QString> cases[] = {
      // arguments, offscreen, file, error
      {{}, false, "", ""},
      {{"board.rom", "--offscreen"}, true, "board.rom", ""},
      {{"--offscreen"}, true, "", "--offscreen needs a file to load"},
      {{"a.rom", "b.rom"}, false, "a.rom", "more than one file named: b.rom"},
      {{"--print", "a.rom"}, false, "a.rom", "unknown option --print"}};
  for (const auto& [arguments, offscreen, file, error] : cases) {
    const app::CommandLine parsed = app::ParseCommandLine(arguments);
    EXPECT_EQ(std::tuple(parsed.offscreen, parsed.file, parsed.error),
              std::tuple(offscreen, file, error))
        << arguments.join(' ').toStdString();
  }
  AppSession s;
  int exit_code = 0;
  EXPECT_FALSE(s.App().InitInstance(app::ParseCommandLine({"--bogus"}), exit_code));
  EXPECT_EQ(exit_code, 2);
}

TEST(Shell, StartsBlankWithItsMenus) {
  AppSession s;
  ASSERT_TRUE(s.Start({}));
  app::CMainFrame& frame = s.Frame();
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1");
  EXPECT_FALSE(s.View().HotKeysRegistered());
  EXPECT_EQ(frame.Action("actionFileSave")->shortcut(), QKeySequence(QKeySequence::Save));
  EXPECT_FALSE(frame.Action("actionFileSave")->isEnabled());  // nothing to save yet
  EXPECT_FALSE(frame.Action("actionFileCompareWith")->isEnabled());
  QStringList menus;
  for (const QAction* menu : frame.menuBar()->actions()) {
    menus << menu->text() + ":";
    for (const QAction* item : menu->menu()->actions()) menus.back() += " " + item->text();
  }
  EXPECT_EQ(menus, (QStringList{
                       "&File: &Open... &Save Save &As...  Compa&re With...  Recent &Files  E&xit",
                       "&View: &Toolbar &Status Bar", "&Help: &About KALVIRE 0.1"}));
  QStringList asked;  // Ctrl+O asks for a ROM file; Cancel changes nothing
  s.Driver().Expect<QFileDialog>("QFileDialog", [&](auto& dialog) {
    asked = dialog.nameFilters() << dialog.defaultSuffix();
    dialog.reject();
  });
  QTest::keyClick(&frame, Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(asked,
            (QStringList{"Firmware images (*.rom *.bin *.fd *.cap)", "All files (*)", "rom"}));
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1");
  EXPECT_TRUE(s.View().findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());
  QString about;
  s.Driver().ExpectReject("kalvire::app::CAboutDlg", &about);
  s.Trigger("actionHelpAbout");
  EXPECT_EQ(about, "About KALVIRE 0.1");
}

// The recent-file list keeps eight files, the latest first, each once.
TEST(RecentFiles, KeepsTheLatestEightOnce) {
  QTemporaryDir dir;
  QSettings settings(dir.filePath("recent.ini"), QSettings::IniFormat);
  app::RecentFileList recent(settings);
  QStringList expected;
  for (int i = 1; i <= 10; ++i) {
    recent.Add(dir.filePath(QString("%1.rom").arg(i)));
    expected.prepend(dir.filePath(QString("%1.rom").arg(i)));
  }
  recent.Add(dir.filePath("5.rom"));
  expected.move(expected.indexOf(dir.filePath("5.rom")), 0);
  recent.Remove(dir.filePath("9.rom"));
  expected.removeAll(dir.filePath("9.rom"));
  EXPECT_EQ(recent.Files(), expected.mid(0, 7));
  EXPECT_EQ(settings.value("Recent File List/File1").toString(), dir.filePath("5.rom"));
}

// A file dropped on the window opens; File > Recent Files opens the others again, and one that
// is gone leaves the list after its message.
TEST_F(SampleTest, DroppedAndRecentFilesOpen) {
  const QString copy = s.WriteSample("copy.rom");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(copy)});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(&s.Frame(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(&s.Frame(), &drop);
  QApplication::processEvents();
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [copy.rom]");
  EXPECT_EQ(s.App().RecentFiles().Files(), (QStringList{copy, s.SamplePath()}));
  s.Trigger("actionRecentFile2");
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]");
  ASSERT_TRUE(QFile::remove(copy));
  s.Trigger("actionRecentFile2");
  EXPECT_FALSE(s.Driver().messages.empty());
  EXPECT_EQ(s.App().RecentFiles().Files(), QStringList{s.SamplePath()});
  EXPECT_EQ(s.Frame().Action("actionRecentFile2"), nullptr);
}

// Every control (name=text) is shown, inside the view and clear of the others, at the first
// size, enlarged and at the least size the window keeps.
TEST_F(SampleTest, ViewShowsItsControlsAndTheirTexts) {
  EXPECT_TRUE(s.Frame().Action("actionFileSave")->isEnabled());  // an image is open
  const QStringList shown =
      QString(
          "setupTree=|dmiTree=|trackLogList=|dmiTablesLabel=DMI Ta<u>b</u>les:|hideRadio=Hid&e|"
          "showRadio=&Show|trackLogLabel=Track Log Option:|fullTrackLogButton=Full &Track Log|"
          "saveTrackLogButton=Save Track &Log|importButton=&Import Settings|"
          "biosMenuLabel=BIOS <u>M</u>enu:|visibilityLabel=Chang<u>e</u> Vi<u>s</u>ibility:|"
          "accessLevelLabel=<u>C</u>hange Access Level:|deleteButton=&Delete|accessLevelCombo=|"
          "deleteOptionLabel=Delete <u>O</u>ption:|deleteOptionCombo=|detailsPane=|"
          "optimalOptionLabel=O<u>p</u>timal BIOS Option:|optimalOptionCombo=")
          .split('|');
  EXPECT_EQ(s.Controls().size(), shown.size() + 1);  // and the details label
  s.Frame().show();
  for (const QSize size : {QSize(950, 800), QSize(1400, 1000), QSize(1, 1)}) {
    s.Frame().resize(size);
    QApplication::processEvents();
    SCOPED_TRACE(s.Frame().size().width());
    EXPECT_GE(s.Frame().width(), std::min(size.width(), s.Frame().minimumSizeHint().width()));
    QList<QRect> taken;
    for (const QString& entry : shown) {
      const QString name = entry.section('=', 0, 0), text = entry.section('=', 1);
      SCOPED_TRACE(name.toStdString());
      QWidget* widget = s.View().findChild<QWidget*>(name);
      ASSERT_NE(widget, nullptr);
      EXPECT_TRUE(widget->isVisible());
      const auto* label = qobject_cast<QLabel*>(widget);
      const auto* button = qobject_cast<QAbstractButton*>(widget);
      EXPECT_EQ(label ? label->text() : button ? button->text() : QString(), text);
      const QRect place(widget->mapTo(&s.View(), QPoint(0, 0)), widget->size());
      EXPECT_TRUE(s.View().rect().contains(place));
      EXPECT_GE(std::min(place.width(), place.height()), 12);
      for (const QRect& other : taken) EXPECT_FALSE(other.intersects(place));
      taken << place;
    }
  }
}

}  // namespace
}  // namespace kalvire::ui::test
