// The controls on their own: the Qt controls keep the contract of the headless ones the core is
// tested with; the DMI dialog and the coloured tree.
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/control_contract.h"
#include "ui/dmi_dialog.h"
#include "ui/limited_line_edit.h"
#include "ui_session.h"

namespace kalvire::platform::contract {
INSTANTIATE_TEST_SUITE_P(Qt, TreeControlContract,
                         testing::Values(&Make<TreeControl, ui::CTreeCtrlX>));
INSTANTIATE_TEST_SUITE_P(Qt, ComboControlContract,
                         testing::Values(&Make<ComboControl, ui::QtComboBox>));
}  // namespace kalvire::platform::contract

namespace kalvire::ui::test {
namespace {

// The "DMI Table" dialog shows the strings it has and hides the empty slots; typing stops at
// the limit, and a longer loaded string is refused on OK.
TEST(DmiDialog, ShowsTheStringsItHasAndKeepsThemWithinTheLimit) {
  ModalDriver driver;
  CDmiDialog1 dialog;
  platform::DmiDialogData data;
  data.formatted_text = " 00 18 00 00 01 02 00 f0";
  data.labels = {"BIOS Vendor:", "Version:", "Release Date:", "", "", "", "", ""};
  data.values = {std::string(70, 'v'), "1.02", "12/07/2026", "", "", "", "", ""};
  dialog.Load(data);
  EXPECT_EQ(dialog.FormattedArea().text(), " 00 18 00 00 01 02 00 F0");
  EXPECT_TRUE(dialog.FormattedArea().isReadOnly());
  for (int k = 0; k < CDmiDialog1::kSlots; ++k) {
    EXPECT_EQ(dialog.ValueField(k).isHidden() + dialog.LabelField(k).isHidden(), k >= 3 ? 2 : 0);
  }
  LimitedLineEdit& field = dialog.ValueField(0);
  field.end(false);
  QTest::keyClicks(&field, "xyz");
  EXPECT_EQ(field.text().size(), 70);  // shown whole, and no growth past the limit
  dialog.show();
  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(driver.messages.size(), 1u);
  EXPECT_EQ(driver.messages[0].text, "Please enter no more than 64 characters.");
  field.setText(QString(64, QLatin1Char('w')));
  dialog.ValueField(1).clear();
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  dialog.Store(data);
  EXPECT_EQ(data.values[0] + "|" + data.values[1], std::string(64, 'w') + "|");
  EXPECT_EQ(data.formatted_text, " 00 18 00 00 01 02 00 f0");  // only the field shows capitals
}

// Red, then black: drawn black. The selected item keeps the selection look only while the tree
// has the focus.
TEST(TreePaint, ColoursItemsAndTheSelectionOnlyWhileFocused) {
  QWidget window;
  CTreeCtrlX& tree = *new CTreeCtrlX(&window);
  QLineEdit& elsewhere = *new QLineEdit(&window);
  (new QVBoxLayout(&window))->addWidget(&tree);
  window.layout()->addWidget(&elsewhere);
  std::vector<platform::TreeItem> items;
  for (const char* text : {"Plain Item", "Changed Item", "Reverted Item"})
    items.push_back(tree.InsertItem(platform::kRootItem, text));
  tree.SetItemColor(items[1], platform::kColorRed);
  tree.SetItemColor(items[2], platform::kColorRed);
  tree.SetItemColor(items[2], platform::kColorBlack);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const auto red = [&] {  // per item: drawn red
    const QImage image = tree.viewport()->grab().toImage();
    std::string drawn;
    for (const platform::TreeItem item : items) {
      const QRect rect = tree.visualItemRect(tree.WidgetItem(item)) & image.rect();
      int count = 0;
      for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
          const QRgb pixel = image.pixel(x, y);
          count += qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
        }
      }
      drawn += count > 10 ? 'r' : '-';
    }
    return drawn;
  };
  elsewhere.setFocus();
  EXPECT_EQ(red(), "-r-");
  tree.SelectItem(items[1]);
  tree.setFocus();
  EXPECT_EQ(red(), "---");
  elsewhere.setFocus();
  EXPECT_EQ(red(), "-r-");
}

}  // namespace
}  // namespace kalvire::ui::test
