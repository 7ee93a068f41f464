// The controls on their own: the Qt controls keep the contract of the headless ones the core is
// tested with; the dialogs, the limited line edit and the coloured tree.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/control_contract.h"
#include "ui/dmi_dialog.h"
#include "ui/limited_line_edit.h"
#include "ui_session.h"

namespace kalvire::platform::contract {
INSTANTIATE_TEST_SUITE_P(Qt, TreeControlContract, testing::Values(+[] {
                           return std::unique_ptr<TreeControl>(new ui::CTreeCtrlX);
                         }));
INSTANTIATE_TEST_SUITE_P(Qt, ListControlContract, testing::Values(+[] {
                           return std::unique_ptr<ListControl>(new ui::QtListBox);
                         }));
INSTANTIATE_TEST_SUITE_P(Qt, ComboControlContract, testing::Values(+[] {
                           return std::unique_ptr<ComboControl>(new ui::QtComboBox);
                         }));
INSTANTIATE_TEST_SUITE_P(
    Qt, ButtonControlContract,
    testing::Values(
        +[] { return std::unique_ptr<ButtonControl>(new ui::QtRadioButton("&Show")); },
        +[] { return std::unique_ptr<ButtonControl>(new ui::QtPushButton("&Show")); }));
}  // namespace kalvire::platform::contract

namespace kalvire::ui::test {
namespace {

// The "DMI Table" dialog shows the strings it has and hides the empty slots; typing stops at
// the limit, and a longer loaded string is refused on OK.
TEST(DmiDialog, ShowsTheStringsItHasAndKeepsThemWithinTheLimit) {
  ModalDriver driver;
  CDmiDialog1 dialog;
  platform::DmiDialogData data;
  data.title = "BIOS Information (Type 0)";
  data.formatted_text = " 00 18 00 00 01 02 00 f0";
  data.labels = {"BIOS Vendor:", "Version:", "Release Date:", "", "", "", "", ""};
  data.values = {"Vendor Inc.", "1.02", "12/07/2026", "", "", "", "", ""};
  dialog.Load(data);
  EXPECT_EQ(dialog.windowTitle(), "BIOS Information (Type 0)");
  EXPECT_EQ(dialog.FormattedArea().text(), " 00 18 00 00 01 02 00 F0");
  EXPECT_TRUE(dialog.FormattedArea().isReadOnly());
  for (int k = 0; k < CDmiDialog1::kSlots; ++k) {
    EXPECT_EQ(dialog.ValueField(k).isHidden(), k >= 3) << k;
    EXPECT_EQ(dialog.LabelField(k).isHidden(), k >= 3) << k;
    EXPECT_EQ(dialog.LabelField(k).text().toStdString(), data.labels[size_t(k)]);
  }
  dialog.ValueField(1).setText("2.00");
  dialog.ValueField(2).clear();
  dialog.Store(data);
  EXPECT_EQ(data.values,
            (std::array<std::string, 8>{"Vendor Inc.", "2.00", "", "", "", "", "", ""}));
  EXPECT_EQ(data.formatted_text, " 00 18 00 00 01 02 00 f0");  // only the field shows capitals

  data.values[0] = std::string(70, 'v');
  dialog.Load(data);
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
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(driver.messages.size(), 1u);
}

// Typing and pasting are cut to the room left.
TEST(LimitedLineEdit, CutsToTheRoomLeft) {
  LimitedLineEdit field(10);
  field.setText("abcdef");
  field.setCursorPosition(3);
  field.insert("0123456789");
  EXPECT_EQ(field.text(), "abc0123def");
  QTest::keyClicks(&field, "xyz");
  EXPECT_EQ(field.text(), "abc0123def");
}

// Red, then black: drawn black. The selected item keeps the selection look only while the tree
// has the focus, and that rule concerns the selected item only.
TEST(TreePaint, ColoursItemsAndTheSelectionOnlyWhileFocused) {
  QWidget window;
  CTreeCtrlX& tree = *new CTreeCtrlX(&window);
  QLineEdit& elsewhere = *new QLineEdit(&window);
  (new QVBoxLayout(&window))->addWidget(&tree);
  window.layout()->addWidget(&elsewhere);
  window.resize(300, 300);
  const platform::TreeItem plain = tree.InsertItem(platform::kRootItem, "Plain Item");
  const platform::TreeItem changed = tree.InsertItem(platform::kRootItem, "Changed Item");
  const platform::TreeItem reverted = tree.InsertItem(platform::kRootItem, "Reverted Item");
  tree.SetItemColor(changed, platform::kColorRed);
  tree.SetItemColor(reverted, platform::kColorRed);
  tree.SetItemColor(reverted, platform::kColorBlack);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const auto red = [&](platform::TreeItem item) {
    const QImage image = tree.viewport()->grab().toImage();
    const QRect rect = tree.visualItemRect(tree.WidgetItem(item));
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      for (int x = rect.left(); x <= rect.right(); ++x) {
        const QRgb pixel = image.valid(x, y) ? image.pixel(x, y) : 0;
        count += qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
      }
    }
    return count > 10;
  };
  elsewhere.setFocus();
  EXPECT_EQ((std::vector<bool>{red(plain), red(changed), red(reverted)}),
            (std::vector<bool>{false, true, false}));
  tree.SelectItem(changed);
  tree.setFocus();
  EXPECT_FALSE(red(changed));
  elsewhere.setFocus();
  EXPECT_TRUE(red(changed));
  tree.setFocus();
  tree.SelectItem(platform::kNoItem);
  EXPECT_TRUE(red(changed));
}

}  // namespace
}  // namespace kalvire::ui::test
