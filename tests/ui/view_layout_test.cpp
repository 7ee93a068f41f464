// The main window with the sample loaded: where each child control sits, its style at
// creation, the context menus, and a screenshot to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QTest>

#include "ui/view_layout.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

const std::vector<QStringList> kEditMenu{{"Edit"}};

class ViewLayout : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(s.Start(s.SamplePath())); }

  // A right-click at `at` of `widget`; returns the texts of the menus it opened.
  std::vector<QStringList> RightClick(QWidget& widget, QPoint at) {
    s.Driver().ClearRecords();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget.mapToGlobal(at));
    QApplication::sendEvent(&widget, &event);
    return s.Driver().menus;
  }

  AppSession s;
};

TEST_F(ViewLayout, ControlsSitAtTheirRectanglesInCreationState) {
  const struct {
    const char* name;
    int id;
    QRect rect;
    bool visible;
    const char* text;
  } controls[] = {
      {"setupTree", 4641, layout::kSetupTree, true, ""},
      {"dmiTree", 280, layout::kDmiTree, true, ""},
      {"trackLogList", 281, layout::kTrackLog, true, ""},
      {"dmiTablesLabel", 65535, layout::kDmiTablesLabel, true, "DMI Ta&bles:"},
      {"hideRadio", 4096, layout::kHideRadio, true, "Hid&e"},
      {"showRadio", 4097, layout::kShowRadio, true, "&Show"},
      {"trackLogLabel", 65535, layout::kTrackLogLabel, true, "Track Log Option:"},
      {"fullTrackLogButton", 4176, layout::kFullTrackLogButton, true, "Full &Track Log"},
      {"saveTrackLogButton", 4192, layout::kSaveTrackLogButton, true, "Save Track &Log"},
      {"importButton", 4208, layout::kImportButton, true, "&Import Settings"},
      {"biosMenuLabel", 65535, layout::kBiosMenuLabel, true, "BIOS &Menu:"},
      {"visibilityLabel", 65535, layout::kVisibilityLabel, true, "Chang&e Vi&sibility:"},
      {"accessLevelLabel", 65535, layout::kAccessLevelLabel, false, "&Change Access Level:"},
      {"deleteButton", 4099, layout::kDeleteButton, false, "&Delete"},
      {"accessLevelCombo", 5192, layout::kAccessLevelCombo, false, ""},
      {"deleteOptionCombo", 5376, layout::kDeleteOptionCombo, false, ""},
      {"optimalOptionLabel", 65535, layout::kOptimalOptionLabel, true, "O&ptimal BIOS Option:"},
      {"optimalOptionCombo", 5392, layout::kOptimalOptionCombo, true, ""},
  };
  for (const auto& e : controls) {
    SCOPED_TRACE(e.name);
    QWidget* widget = s.View().findChild<QWidget*>(e.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->property("controlId").toInt(), e.id);
    EXPECT_EQ(HasVisibleStyle(*widget), e.visible);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      EXPECT_EQ(label->text(), UnderlinedMnemonic(e.text));
    } else {
      auto* button = qobject_cast<QAbstractButton*>(widget);
      EXPECT_EQ(button ? button->text() : QString(), e.text);
    }
    // A closed combo box takes the top of its rectangle; the rest is room for the open list.
    const bool combo = qobject_cast<QComboBox*>(widget);
    EXPECT_EQ(widget->geometry(), combo ? QRect(e.rect.topLeft(), widget->size()) : e.rect);
    EXPECT_EQ(widget->width(), e.rect.width());
    EXPECT_LE(widget->height(), e.rect.height());
  }
  EXPECT_EQ(s.Controls().size(), qsizetype(std::size(controls)));
  EXPECT_EQ(s.View().findChild<QtListBox*>("trackLogList")->HorizontalExtent(), 5000);
  const platform::TreeItem root = s.DmiTree().GetChildItem(platform::kRootItem);
  EXPECT_EQ(s.DmiTree().GetItemText(root), "DMI");
  EXPECT_EQ(s.DmiTree().GetItemData(root), 0u);
  EXPECT_GT(s.DmiTree().GetCount(), 1);
  QStringList levels;
  for (int i = 0; i < s.Combo("accessLevelCombo").GetCount(); ++i) {
    levels << QString::fromStdString(s.Combo("accessLevelCombo").GetText(i));
  }
  EXPECT_EQ(levels, (QStringList{"Default", "Extended User", "User", "Supervisor"}));
}

TEST_F(ViewLayout, FrameGeometryAndScreenshot) {
  app::CMainFrame& frame = s.Frame();
  EXPECT_EQ(frame.geometry(), QRect(100, 100, 950, 800));
  QTest::qWait(50);
  const QImage image = frame.grab().toImage();
  ASSERT_TRUE(QDir().mkpath(KALVIRE_UI_ARTIFACTS_DIR));
  EXPECT_TRUE(image.save(QStringLiteral(KALVIRE_UI_ARTIFACTS_DIR "/main_window.png")));
  // The view is not blank: the setup tree shows its "BIOS" item.
  const QRect tree = s.SetupTree().geometry().translated(s.View().mapTo(&frame, QPoint(0, 0)));
  int dark = 0;
  for (int y = tree.top(); y < tree.bottom(); y += 2) {
    for (int x = tree.left(); x < tree.right(); x += 2) dark += qGray(image.pixel(x, y)) < 100;
  }
  EXPECT_GT(dark, 5);
}

// A right-click opens the "Edit" menu only inside the area of the setup tree and to its right;
// its Edit renames the selected node.
TEST_F(ViewLayout, SetupTreeContextMenu) {
  for (const auto& [at, menu] : {std::pair{QPoint(550, 100), true},
                                 {QPoint(30, 40), true},
                                 {QPoint(599, 599), true},
                                 {QPoint(200, 620), false},
                                 {QPoint(620, 100), false},
                                 {QPoint(10, 10), false}}) {
    SCOPED_TRACE(testing::Message() << at.x() << "," << at.y());
    EXPECT_EQ(RightClick(s.View(), at), menu ? kEditMenu : std::vector<QStringList>{});
  }
  // From inside the tree the request reaches the view at the view's coordinates.
  EXPECT_EQ(RightClick(*s.SetupTree().viewport(), QPoint(5, 5)), kEditMenu);
  CTreeCtrlX& tree = s.SetupTree();
  tree.SelectItem(tree.GetChildItem(tree.GetChildItem(platform::kRootItem)));
  s.Driver().ExpectMenu("Edit");
  s.Driver().Expect("kalvire::ui::CEditBIOSString",
                    [](QWidget* widget) { static_cast<QDialog*>(widget)->reject(); });
  EXPECT_EQ(RightClick(s.View(), QPoint(300, 300)), kEditMenu);
  EXPECT_TRUE(s.Driver().AllHandled());
}

TEST_F(ViewLayout, DmiTreeRightClickEditsTheSelectedStructure) {
  CTreeCtrlX& dmi = s.DmiTree();
  const platform::TreeItem root = dmi.GetChildItem(platform::kRootItem);
  const platform::TreeItem structure = dmi.GetChildItem(root);
  ASSERT_NE(structure, platform::kNoItem);
  dmi.SelectItem(structure);
  QString caption;
  s.Driver().ExpectMenu("Edit");
  s.Driver().Expect("kalvire::ui::CDmiDialog1", [&](QWidget* widget) {
    caption = widget->windowTitle();
    static_cast<QDialog*>(widget)->reject();
  });
  // The popup acts on the selection, not on the item under the cursor.
  const QPoint below(5, dmi.viewport()->height() - 5);
  EXPECT_EQ(RightClick(*dmi.viewport(), below), kEditMenu);
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_EQ(caption.toStdString(), dmi.GetItemText(structure));
  // The "DMI" root item opens no dialog.
  dmi.SelectItem(root);
  s.Driver().ExpectMenu("Edit");
  EXPECT_EQ(RightClick(*dmi.viewport(), below), kEditMenu);
  EXPECT_TRUE(s.Driver().AllHandled());
  EXPECT_TRUE(s.Driver().unexpected.empty());
}

}  // namespace
}  // namespace kalvire::ui::test
