// The coloured tree: its colour pass, checked on the pixels it paints, and a person's clicks.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "ui/tree_ctrl_x.h"

namespace kalvire::ui::test {
namespace {

class TreePaint : public testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&m_window);
    layout->addWidget(m_tree = new CTreeCtrlX(&m_window));
    layout->addWidget(m_elsewhere = new QLineEdit(&m_window));
    m_window.resize(300, 300);
    m_plain = m_tree->InsertItem(platform::kRootItem, "Plain Item");
    m_changed = m_tree->InsertItem(platform::kRootItem, "Changed Item");
    m_reverted = m_tree->InsertItem(platform::kRootItem, "Reverted Item");
    m_tree->SetItemColor(m_changed, platform::kColorRed);
    m_tree->SetItemColor(m_reverted, platform::kColorRed);
    m_tree->SetItemColor(m_reverted, platform::kColorBlack);
    m_window.show();
    m_window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
  }

  int RedPixels(platform::TreeItem item) {
    const QImage image = m_tree->viewport()->grab().toImage();
    const QRect rect = m_tree->visualItemRect(m_tree->WidgetItem(item));
    int red = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      for (int x = rect.left(); x <= rect.right(); ++x) {
        const QRgb pixel = image.valid(x, y) ? image.pixel(x, y) : 0;
        red += qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
      }
    }
    return red;
  }

  QWidget m_window;
  CTreeCtrlX* m_tree = nullptr;
  QLineEdit* m_elsewhere = nullptr;
  platform::TreeItem m_plain = 0, m_changed = 0, m_reverted = 0;
};

// Red, then black: drawn black, and the entry stays. The selected item keeps the selection look
// only while the tree has the focus, and that rule concerns the selected item only.
TEST_F(TreePaint, EntriesPaintTheirColourAndTheSelectionOnlyWhileFocused) {
  m_elsewhere->setFocus();
  EXPECT_GT(RedPixels(m_changed), 10);
  EXPECT_EQ(RedPixels(m_plain), 0);
  EXPECT_EQ(RedPixels(m_reverted), 0);
  EXPECT_TRUE(m_tree->FindColorEntry(m_reverted).has_value());
  m_tree->SelectItem(m_changed);
  m_tree->setFocus();
  ASSERT_TRUE(m_tree->hasFocus());
  EXPECT_EQ(RedPixels(m_changed), 0);
  m_elsewhere->setFocus();
  EXPECT_GT(RedPixels(m_changed), 10);
  m_tree->setFocus();
  m_tree->SelectItem(m_plain);
  EXPECT_GT(RedPixels(m_changed), 10);
}

TEST_F(TreePaint, PersonsClickNotifiesOnceAndOpensOneBranchAtATime) {
  m_tree->InsertItem(m_plain, "First Child");
  const platform::TreeItem second = m_tree->InsertItem(m_changed, "Second Child");
  std::vector<platform::TreeItem> notified;
  m_tree->SetSelectionHandler([&](platform::TreeItem item) { notified.push_back(item); });
  const auto click = [&](platform::TreeItem item) {
    QTest::mouseClick(m_tree->viewport(), Qt::LeftButton, {},
                      m_tree->visualItemRect(m_tree->WidgetItem(item)).center());
  };
  click(m_plain);
  EXPECT_TRUE(m_tree->WidgetItem(m_plain)->isExpanded());
  click(m_changed);
  EXPECT_TRUE(m_tree->WidgetItem(m_changed)->isExpanded());
  EXPECT_FALSE(m_tree->WidgetItem(m_plain)->isExpanded());
  click(second);  // inside the open branch: it stays open
  EXPECT_TRUE(m_tree->WidgetItem(m_changed)->isExpanded());
  EXPECT_EQ(notified, (std::vector<platform::TreeItem>{m_plain, m_changed, second}));
  EXPECT_EQ(m_tree->GetSelectedItem(), second);
}

}  // namespace
}  // namespace kalvire::ui::test
