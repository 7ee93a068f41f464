// The Qt controls keep the headless controls' contract; the DMI dialog on its own.
#include <QLabel>

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

// Each shown string counts its characters against the limit beside its label, as it is typed.
TEST(DmiDialog, CountsTheCharactersOfEachStringAgainstTheLimit) {
  CDmiDialog1 dialog;
  platform::DmiDialogData data;
  data.values = {"Vendor", std::string(70, 'v'), "", "", "", "", "", ""};
  dialog.Load(data);
  EXPECT_EQ(dialog.LengthField(0).text() + dialog.LengthField(1).text(), "6/6470/64");
  EXPECT_EQ(dialog.LengthField(1).isHidden() + dialog.LengthField(2).isHidden(), 1);
  QTest::keyClicks(&dialog.ValueField(0), "ab");
  EXPECT_EQ(dialog.LengthField(0).text(), "8/64");
  EXPECT_LT(dialog.LabelField(0).geometry().right(), dialog.LengthField(0).geometry().left());
}

}  // namespace
}  // namespace kalvire::ui::test
