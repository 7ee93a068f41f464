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

TEST(CommandLine, FileAndOffscreenRun) {
  struct Case {
    QStringList arguments;
    bool offscreen;
    QString file;
    bool error;
  };
  const Case cases[] = {
      {{}, false, "", false},
      {{"board.rom"}, false, "board.rom", false},
      {{"--offscreen", "board.rom"}, true, "board.rom", false},
      {{"board.rom", "--offscreen"}, true, "board.rom", false},
      {{"--offscreen"}, true, "", true},
      {{"a.rom", "b.rom"}, false, "a.rom", true},
      {{"--print", "a.rom"}, false, "a.rom", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const CommandLine parsed = ParseCommandLine(c.arguments);
    EXPECT_EQ(parsed.offscreen, c.offscreen);
    EXPECT_EQ(parsed.file, c.file);
    EXPECT_EQ(!parsed.error.isEmpty(), c.error);
  }
}

TEST(CommandLine, AnUnknownOptionEndsTheStart) {
  CKALVIRE_1App app(
      std::make_unique<QSettings>(QStringLiteral("unused.ini"), QSettings::IniFormat));
  int exit_code = 0;
  EXPECT_FALSE(app.InitInstance(ParseCommandLine({"--bogus"}), exit_code));
  EXPECT_EQ(exit_code, 2);
}

TEST(Settings, LiveUnderTheApplicationShellKey) {
  CKALVIRE_1App app;
  EXPECT_EQ(app.Settings().organizationName(), "Local AppWizard-Generated Applications");
  EXPECT_EQ(app.Settings().applicationName(), "KALVIRE");
}

TEST(RecentFiles, KeepsOneEntry) {
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
  void SetUp() override { ASSERT_TRUE(m_session.Start({})); }
  ui::test::AppSession m_session;
};

TEST_F(Shell, StartsBlankWithTheFrameAroundTheView) {
  CMainFrame& frame = m_session.Frame();
  EXPECT_EQ(m_session.ShownTitle(), "KALVIRE 0.1");
  EXPECT_EQ(frame.geometry(), QRect(100, 100, 950, 800));
  EXPECT_TRUE(m_session.View().findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());
  EXPECT_FALSE(m_session.View().HotKeysRegistered());

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
  ASSERT_NE(toolbar, nullptr);
  QStringList tools;
  for (const QAction* action : toolbar->actions()) tools << action->objectName();
  EXPECT_EQ(tools, (QStringList{"actionToolbarOpen", "actionToolbarSave"}));
  // The message pane and the three key indicators.
  QStringList panes;
  for (const QLabel* label : frame.statusBar()->findChildren<QLabel*>()) panes << label->text();
  EXPECT_EQ(panes, (QStringList{"Ready", "CAP", "NUM", "SCRL"}));

  frame.Action("actionViewStatusBar")->trigger();
  EXPECT_FALSE(frame.statusBar()->isVisible());
  frame.Action("actionViewToolbar")->trigger();
  EXPECT_FALSE(toolbar->isVisible());
}

TEST_F(Shell, CtrlOAsksForARomFileAndCancelChangesNothing) {
  QStringList filters;
  QString suffix;
  m_session.Driver().Expect("QFileDialog", [&](QWidget* widget) {
    auto* dialog = static_cast<QFileDialog*>(widget);
    filters = dialog->nameFilters();
    suffix = dialog->defaultSuffix();
    dialog->reject();
  });
  QTest::keyClick(&m_session.Frame(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_TRUE(m_session.Driver().AllHandled());
  EXPECT_EQ(filters, (QStringList{"ROM Files (*.rom)", "All Files (*)"}));
  EXPECT_EQ(suffix, "rom");
  EXPECT_EQ(m_session.ShownTitle(), "KALVIRE 0.1");
  EXPECT_TRUE(m_session.View().findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());
}

// The status bar carries the signed-capsule notice of the image that is open.
// The status bar carries the signed-capsule notice of the image that is open.
TEST(StatusBar, ShowsTheNoticeOfASignedCapsuleUntilAPlainImageOpens) {
  ui::test::AppSession session;
  // The AMI Aptio signed capsule GUID, header size 0x400, then the image.
  QByteArray capsule = QByteArray::fromHex("8ba63c4a2377fb48803d578cc1fec44d00040000");
  capsule.resize(0x400, '\0');
  capsule += ui::test::FileBytes(session.SamplePath());
  ASSERT_TRUE(ui::test::WriteFile(session.Path("board.cap"), capsule));
  ASSERT_TRUE(session.Start(session.Path("board.cap")));
  const auto* pane = session.Frame().statusBar()->findChild<QLabel*>("messagePane");
  ASSERT_NE(pane, nullptr);
  EXPECT_TRUE(pane->text().contains("signed AMI Aptio capsule")) << pane->text().toStdString();
  EXPECT_TRUE(pane->text().contains("signature will not match"));
  ASSERT_TRUE(session.View().OpenRomImagePath(session.SamplePath().toStdString()));
  EXPECT_EQ(pane->text(), "Ready");
}

TEST_F(Shell, AboutBox) {
  QString caption;
  m_session.Driver().Expect("kalvire::app::CAboutDlg", [&](QWidget* widget) {
    caption = widget->windowTitle();
    static_cast<QDialog*>(widget)->accept();
  });
  m_session.Frame().Action("actionHelpAbout")->trigger();
  EXPECT_TRUE(m_session.Driver().AllHandled());
  EXPECT_EQ(caption, "About KALVIRE 0.1");
}

}  // namespace
}  // namespace kalvire::app
