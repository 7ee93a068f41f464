// The main window with the sample loaded: where each child control sits, its style at
// creation, the context menu area, and a screenshot to look at.
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QTest>

#include "qt_printers.h"
#include "ui/qt_controls.h"
#include "ui/tree_ctrl_x.h"
#include "ui/view_layout.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

struct Expected {
  const char* name;
  int id;
  QRect rect;
  bool visible;
  const char* text;  // "" for controls without one
};

const Expected kControls[] = {
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

QString TextOf(const QWidget& widget) {
  if (auto* label = qobject_cast<const QLabel*>(&widget)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(&widget)) return button->text();
  return {};
}

class ViewLayout : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_session.Start(m_session.SamplePath())); }
  AppSession m_session;
};

TEST_F(ViewLayout, ControlsSitAtTheirRectanglesInCreationState) {
  CKALVIRE_1View& view = m_session.View();
  for (const Expected& e : kControls) {
    SCOPED_TRACE(e.name);
    QWidget* widget = view.findChild<QWidget*>(e.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->property("controlId").toInt(), e.id);
    EXPECT_EQ(HasVisibleStyle(*widget), e.visible);
    const QString text = QLatin1String(e.text);
    EXPECT_EQ(TextOf(*widget), qobject_cast<QLabel*>(widget) ? UnderlinedMnemonic(text) : text);
    if (qobject_cast<QComboBox*>(widget)) {
      // The closed box is the top of the rectangle; the rest is room for the open list.
      EXPECT_EQ(widget->pos(), e.rect.topLeft());
      EXPECT_EQ(widget->width(), e.rect.width());
      EXPECT_LE(widget->height(), e.rect.height());
    } else {
      EXPECT_EQ(widget->geometry(), e.rect);
    }
  }
  EXPECT_EQ(m_session.Controls().size(), qsizetype(std::size(kControls)));
  EXPECT_EQ(m_session.TrackLog()->HorizontalExtent(), 5000);
  // The DMI tree's root item, and the access levels in their order.
  CTreeCtrlX& dmi = *m_session.DmiTree();
  const platform::TreeItem root = dmi.GetChildItem(platform::kRootItem);
  EXPECT_EQ(dmi.GetItemText(root), "DMI");
  EXPECT_EQ(dmi.GetItemData(root), 0u);
  EXPECT_GT(dmi.GetCount(), 1);
  QtComboBox& access = *m_session.Combo("accessLevelCombo");
  ASSERT_EQ(access.GetCount(), 4);
  EXPECT_EQ(access.GetText(0), "Default");
  EXPECT_EQ(access.GetText(1), "Extended User");
  EXPECT_EQ(access.GetText(2), "User");
  EXPECT_EQ(access.GetText(3), "Supervisor");
}

TEST_F(ViewLayout, ShownControlsDoNotOverlap) {
  CKALVIRE_1View& view = m_session.View();
  std::vector<QWidget*> shown;
  for (const Expected& e : kControls) {
    QWidget* widget = view.findChild<QWidget*>(e.name);
    ASSERT_NE(widget, nullptr);
    if (widget->isVisible()) shown.push_back(widget);
  }
  EXPECT_EQ(shown.size(), 14u);
  for (size_t i = 0; i < shown.size(); ++i) {
    for (size_t j = i + 1; j < shown.size(); ++j) {
      SCOPED_TRACE((shown[i]->objectName() + " / " + shown[j]->objectName()).toStdString());
      EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()));
    }
  }
  // Every control fits the view of a 950 x 800 frame.
  for (QWidget* widget : shown) {
    SCOPED_TRACE(widget->objectName().toStdString());
    EXPECT_TRUE(view.rect().contains(widget->geometry()));
  }
}

TEST_F(ViewLayout, FrameGeometryAndScreenshot) {
  app::CMainFrame& frame = m_session.Frame();
  EXPECT_EQ(frame.geometry(), QRect(100, 100, 950, 800));
  QTest::qWait(50);
  const QImage image = frame.grab().toImage();
  ASSERT_FALSE(image.isNull());
  ASSERT_TRUE(QDir().mkpath(KALVIRE_UI_ARTIFACTS_DIR));
  const QString path = QStringLiteral(KALVIRE_UI_ARTIFACTS_DIR "/main_window.png");
  EXPECT_TRUE(image.save(path));
  // The view is not blank: the setup tree shows its "BIOS" item.
  const QRect tree =
      m_session.SetupTree()->geometry().translated(m_session.View().mapTo(&frame, QPoint(0, 0)));
  int dark = 0;
  for (int y = tree.top(); y < tree.bottom(); y += 2) {
    for (int x = tree.left(); x < tree.right(); x += 2) {
      if (qGray(image.pixel(x, y)) < 100) ++dark;
    }
  }
  EXPECT_GT(dark, 5);
}

// A right-click opens the "Edit" menu only inside the area of the setup tree and to its right.
TEST_F(ViewLayout, ContextMenuAreaOfTheSetupTree) {
  CKALVIRE_1View& view = m_session.View();
  struct Case {
    QPoint at;
    bool menu;
  };
  for (const Case c : {Case{{550, 100}, true}, Case{{30, 40}, true}, Case{{599, 599}, true},
                       Case{{200, 620}, false}, Case{{620, 100}, false}, Case{{10, 10}, false}}) {
    SCOPED_TRACE(testing::Message() << c.at.x() << "," << c.at.y());
    m_session.Driver().ClearRecords();
    if (c.menu) m_session.Driver().ExpectMenu({});
    QContextMenuEvent event(QContextMenuEvent::Mouse, c.at, view.mapToGlobal(c.at));
    QApplication::sendEvent(&view, &event);
    ASSERT_EQ(m_session.Driver().Menus().size(), c.menu ? 1u : 0u);
    if (c.menu) {
      EXPECT_EQ(m_session.Driver().Menus()[0], QStringList{"Edit"});
    }
  }
  // From inside the tree the request reaches the view at the view's coordinates.
  m_session.Driver().ClearRecords();
  m_session.Driver().ExpectMenu({});
  QWidget* viewport = m_session.SetupTree()->viewport();
  QContextMenuEvent from_tree(QContextMenuEvent::Mouse, QPoint(5, 5),
                              viewport->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(viewport, &from_tree);
  EXPECT_EQ(m_session.Driver().Menus().size(), 1u);
}

TEST_F(ViewLayout, ContextMenuEditRenamesTheSelectedNode) {
  CTreeCtrlX& tree = *m_session.SetupTree();
  const platform::TreeItem item = tree.GetChildItem(tree.GetChildItem(platform::kRootItem));
  ASSERT_NE(item, platform::kNoItem);
  tree.SelectItem(item);
  m_session.Driver().ExpectMenu("Edit");
  m_session.Driver().Expect("kalvire::ui::CEditBIOSString",
                            [](QWidget* widget) { static_cast<QDialog*>(widget)->reject(); });
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(300, 300),
                          m_session.View().mapToGlobal(QPoint(300, 300)));
  QApplication::sendEvent(&m_session.View(), &event);
  EXPECT_TRUE(m_session.Driver().AllHandled());
}

TEST_F(ViewLayout, DmiTreeRightClickEditsTheSelectedStructure) {
  CTreeCtrlX& dmi = *m_session.DmiTree();
  const platform::TreeItem root = dmi.GetChildItem(platform::kRootItem);
  const platform::TreeItem structure = dmi.GetChildItem(root);
  ASSERT_NE(structure, platform::kNoItem);
  dmi.SelectItem(structure);
  QString caption;
  m_session.Driver().ExpectMenu("Edit");
  m_session.Driver().Expect("kalvire::ui::CDmiDialog1", [&](QWidget* widget) {
    caption = widget->windowTitle();
    static_cast<QDialog*>(widget)->reject();
  });
  // The popup acts on the selection, not on the item under the cursor.
  QWidget* viewport = dmi.viewport();
  const QPoint below(5, viewport->height() - 5);
  QContextMenuEvent event(QContextMenuEvent::Mouse, below, viewport->mapToGlobal(below));
  QApplication::sendEvent(viewport, &event);
  EXPECT_TRUE(m_session.Driver().AllHandled());
  EXPECT_EQ(caption.toStdString(), dmi.GetItemText(structure));
  ASSERT_EQ(m_session.Driver().Menus().size(), 1u);
  EXPECT_EQ(m_session.Driver().Menus()[0], QStringList{"Edit"});

  // The "DMI" root item opens no dialog.
  dmi.SelectItem(root);
  m_session.Driver().ExpectMenu("Edit");
  QApplication::sendEvent(viewport, &event);
  EXPECT_TRUE(m_session.Driver().AllHandled());
  EXPECT_TRUE(m_session.Driver().Unexpected().empty());
}

}  // namespace
}  // namespace kalvire::ui::test
