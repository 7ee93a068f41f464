// The application shell: command line, start-up without a file, frame, menus, toolbar, status
// bar, settings and the about box.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "app/about_dlg.h"
#include "ui_session.h"

namespace kalvire::app {
namespace {

TEST(CommandLine, FileOffscreenRunAndErrors) {
  const struct {
    QStringList arguments;
    bool offscreen;
    QString file, error;
  } cases[] = {
      {{}, false, "", ""},
      {{"board.rom"}, false, "board.rom", ""},
      {{"--offscreen", "board.rom"}, true, "board.rom", ""},
      {{"board.rom", "--offscreen"}, true, "board.rom", ""},
      {{"--offscreen"}, true, "", "--offscreen needs a file to load"},
      {{"a.rom", "b.rom"}, false, "a.rom", "more than one file named: b.rom"},
      {{"--print", "a.rom"}, false, "a.rom", "unknown option --print"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const CommandLine parsed = ParseCommandLine(c.arguments);
    EXPECT_EQ(parsed.offscreen, c.offscreen);
    EXPECT_EQ(parsed.file, c.file);
    EXPECT_EQ(parsed.error, c.error);
  }
  CKALVIRE_1App app(
      std::make_unique<QSettings>(QStringLiteral("unused.ini"), QSettings::IniFormat));
  int exit_code = 0;
  EXPECT_FALSE(app.InitInstance(ParseCommandLine({"--bogus"}), exit_code));
  EXPECT_EQ(exit_code, 2);
}

TEST(Settings, LiveUnderTheApplicationShellKeyAndKeepOneRecentFile) {
  CKALVIRE_1App app;
  EXPECT_EQ(app.Settings().organizationName(), "Local AppWizard-Generated Applications");
  EXPECT_EQ(app.Settings().applicationName(), "KALVIRE");
  QTemporaryDir dir;
  QSettings settings(dir.filePath("recent.ini"), QSettings::IniFormat);
  RecentFileList recent(settings);
  EXPECT_TRUE(recent.MostRecent().isEmpty());
  recent.Add(dir.filePath("first.rom"));
  recent.Add(dir.filePath("second.rom"));
  EXPECT_EQ(recent.MostRecent(), dir.filePath("second.rom"));
  EXPECT_EQ(settings.value("Recent File List/File1").toString(), dir.filePath("second.rom"));
  EXPECT_FALSE(settings.contains("Recent File List/File2"));
}

class Shell : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(s.Start({})); }
  ui::test::AppSession s;
};

TEST_F(Shell, StartsBlankWithTheFrameAroundTheView) {
  CMainFrame& frame = s.Frame();
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1");
  EXPECT_EQ(frame.geometry(), QRect(100, 100, 950, 800));
  EXPECT_TRUE(s.View().findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());
  EXPECT_FALSE(s.View().HotKeysRegistered());
  QStringList menus;
  for (const QAction* menu : frame.menuBar()->actions()) {
    QStringList items;
    for (const QAction* action : menu->menu()->actions()) {
      items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    menus << menu->text() + ": " + items.join(", ");
  }
  EXPECT_EQ(menus, (QStringList{"&File: &Open..., Save &As..., -, E&xit",
                                "&View: &Toolbar, &Status Bar", "&Help: &About KALVIRE 0.1"}));
  EXPECT_EQ(frame.Action("actionFileOpen")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(frame.Action("actionFileExit")->statusTip(),
            "Quit the application; asks whether to save unsaved edits");
  auto* toolbar = frame.findChild<QToolBar*>("mainToolBar");
  QStringList tools;
  for (const QAction* action : toolbar->actions()) tools << action->objectName();
  EXPECT_EQ(tools, (QStringList{"actionToolbarOpen", "actionToolbarSave"}));
  QStringList panes;  // the message pane and the three key indicators
  for (const QLabel* label : frame.statusBar()->findChildren<QLabel*>()) panes << label->text();
  EXPECT_EQ(panes, (QStringList{"Ready", "CAP", "NUM", "SCRL"}));
  frame.Action("actionViewStatusBar")->trigger();
  EXPECT_FALSE(frame.statusBar()->isVisible());
  frame.Action("actionViewToolbar")->trigger();
  EXPECT_FALSE(toolbar->isVisible());
}

TEST_F(Shell, CtrlOAsksForARomFileAndCancelChangesNothing) {
  QStringList asked;
  s.Driver().Expect("QFileDialog", [&](QWidget* widget) {
    auto* dialog = static_cast<QFileDialog*>(widget);
    asked = dialog->nameFilters() << dialog->defaultSuffix();
    dialog->reject();
  });
  QTest::keyClick(&s.Frame(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_EQ(asked, (QStringList{"ROM Files (*.rom)", "All Files (*)", "rom"}));
  EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1");
  EXPECT_TRUE(s.View().findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());
}

TEST_F(Shell, AboutBox) {
  QString caption;
  s.Driver().Expect("kalvire::app::CAboutDlg", [&](QWidget* widget) {
    caption = widget->windowTitle();
    static_cast<QDialog*>(widget)->accept();
  });
  s.Frame().Action("actionHelpAbout")->trigger();
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_EQ(caption, "About KALVIRE 0.1");
}

// The status bar carries the signed-capsule notice of the image that is open.
TEST(StatusBar, ShowsTheNoticeOfASignedCapsuleUntilAPlainImageOpens) {
  ui::test::AppSession s;
  // The AMI Aptio signed capsule GUID, header size 0x400, then the image.
  QByteArray capsule = QByteArray::fromHex("8ba63c4a2377fb48803d578cc1fec44d00040000");
  capsule.resize(0x400, '\0');
  ASSERT_TRUE(
      ui::test::WriteFile(s.Path("board.cap"), capsule + ui::test::FileBytes(s.SamplePath())));
  ASSERT_TRUE(s.Start(s.Path("board.cap")));
  const QLabel& pane = *s.Frame().statusBar()->findChild<QLabel*>("messagePane");
  EXPECT_TRUE(pane.text().contains("signed AMI Aptio capsule")) << pane.text().toStdString();
  EXPECT_TRUE(pane.text().contains("signature will not match"));
  ASSERT_TRUE(s.View().OpenRomImagePath(s.SamplePath().toStdString()));
  EXPECT_EQ(pane.text(), "Ready");
}

}  // namespace
}  // namespace kalvire::app
