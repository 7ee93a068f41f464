// The colour pass of the coloured tree, checked on the pixels it paints.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "ui/tree_ctrl_x.h"

namespace kalvire::ui::test {
namespace {

bool IsRed(QRgb pixel) {
  return qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

class TreePaint : public testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&m_window);
    m_tree = new CTreeCtrlX(&m_window);
    m_elsewhere = new QLineEdit(&m_window);
    layout->addWidget(m_tree);
    layout->addWidget(m_elsewhere);
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
        if (image.valid(x, y) && IsRed(image.pixel(x, y))) ++red;
      }
    }
    return red;
  }

  QWidget m_window;
  CTreeCtrlX* m_tree = nullptr;
  QLineEdit* m_elsewhere = nullptr;
  platform::TreeItem m_plain = platform::kNoItem;
  platform::TreeItem m_changed = platform::kNoItem;
  platform::TreeItem m_reverted = platform::kNoItem;
};

TEST_F(TreePaint, EntriesPaintTheirColourAndItemsWithoutOneStayPlain) {
  m_elsewhere->setFocus();
  EXPECT_GT(RedPixels(m_changed), 10);
  EXPECT_EQ(RedPixels(m_plain), 0);
  // Red and then black: drawn black, and the entry stays.
  EXPECT_EQ(RedPixels(m_reverted), 0);
  EXPECT_TRUE(m_tree->FindColorEntry(m_reverted).has_value());
}

TEST_F(TreePaint, SelectedItemKeepsTheSelectionLookOnlyWhileFocused) {
  m_tree->SelectItem(m_changed);
  m_tree->setFocus();
  ASSERT_TRUE(m_tree->hasFocus());
  EXPECT_EQ(RedPixels(m_changed), 0);
  m_elsewhere->setFocus();
  ASSERT_FALSE(m_tree->hasFocus());
  EXPECT_GT(RedPixels(m_changed), 10);
  // The selection rule concerns the selected item only.
  m_tree->setFocus();
  m_tree->SelectItem(m_plain);
  EXPECT_GT(RedPixels(m_changed), 10);
}

TEST_F(TreePaint, PersonsClickNotifiesOnceAndOpensOneBranchAtATime) {
  const platform::TreeItem first = m_tree->InsertItem(m_plain, "First Child");
  const platform::TreeItem second = m_tree->InsertItem(m_changed, "Second Child");
  ASSERT_NE(first, platform::kNoItem);
  ASSERT_NE(second, platform::kNoItem);
  std::vector<platform::TreeItem> notified;
  m_tree->SetSelectionHandler([&](platform::TreeItem item) { notified.push_back(item); });

  auto click = [&](platform::TreeItem item) {
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
