// The "DMI Table" and "Update Data" dialogs, the limited line edit and the file dialog filters.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>

#include "ui/dmi_dialog.h"
#include "ui/edit_bios_string.h"
#include "ui/file_filters.h"
#include "ui/limited_line_edit.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

platform::DmiDialogData BiosInformation() {
  platform::DmiDialogData data;
  data.title = "BIOS Information (Type 0)";
  data.formatted_text = " 00 18 00 00 01 02 00 f0";
  data.labels = {"BIOS Vendor:", "Version:", "Release Date:", "", "", "", "", ""};
  data.values = {"Vendor Inc.", "1.02", "12/07/2026", "", "", "", "", ""};
  return data;
}

TEST(DmiDialog, ShowsTheStringsItHasAndHidesTheEmptySlots) {
  CDmiDialog1 dialog;
  platform::DmiDialogData data = BiosInformation();
  dialog.Load(data);
  EXPECT_EQ(dialog.windowTitle(), "BIOS Information (Type 0)");
  EXPECT_EQ(dialog.FormattedArea().text(), " 00 18 00 00 01 02 00 F0");
  EXPECT_TRUE(dialog.FormattedArea().isReadOnly());
  for (int k = 0; k < CDmiDialog1::kSlots; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(dialog.ValueField(k).isHidden(), k >= 3);
    EXPECT_EQ(dialog.LabelField(k).isHidden(), k >= 3);
    EXPECT_EQ(dialog.LabelField(k).text().toStdString(), data.labels[size_t(k)]);
  }
  // A picture of the dialog to look at, beside the main window's.
  ASSERT_TRUE(QDir().mkpath(KALVIRE_UI_ARTIFACTS_DIR));
  EXPECT_TRUE(dialog.grab().save(QStringLiteral(KALVIRE_UI_ARTIFACTS_DIR "/dmi_dialog.png")));
  dialog.ValueField(1).setText("2.00");
  dialog.ValueField(2).clear();
  dialog.Store(data);
  EXPECT_EQ(data.values,
            (std::array<std::string, 8>{"Vendor Inc.", "2.00", "", "", "", "", "", ""}));
  EXPECT_EQ(data.formatted_text, " 00 18 00 00 01 02 00 f0");  // only the field shows capitals
}

TEST(DmiDialog, TypingStopsAtTheLimitAndALongerLoadedStringIsRefusedOnOk) {
  ModalDriver driver;
  CDmiDialog1 dialog;
  platform::DmiDialogData data = BiosInformation();
  data.values = {std::string(70, 'v'), "", "", "", "", "", "", ""};
  dialog.Load(data);
  LimitedLineEdit& field = dialog.ValueField(0);
  field.end(false);
  QTest::keyClicks(&field, "xyz");
  EXPECT_EQ(field.text().size(), 70);  // shown whole, and no growth past the limit
  dialog.show();
  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  ASSERT_EQ(driver.messages.size(), 1u);
  EXPECT_EQ(driver.messages[0].text, "Please enter no more than 64 characters.");
  field.setText(QString(64, QLatin1Char('w')));
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(driver.messages.size(), 1u);
}

TEST(LimitedLineEdit, TypingAndPastingAreCutToTheRoomLeft) {
  LimitedLineEdit field(10);
  field.setText("abcdef");
  field.setCursorPosition(3);
  field.insert("0123456789");
  EXPECT_EQ(field.text(), "abc0123def");
  LimitedLineEdit fresh(64);
  QTest::keyClicks(&fresh, QString(70, QLatin1Char('a')));
  EXPECT_EQ(fresh.text().size(), 64);
}

TEST(EditBiosString, PresetLimitAndLatin1) {
  CEditBIOSString dialog("Update Data", 100, nullptr);
  EXPECT_EQ(dialog.windowTitle(), "Update Data");
  dialog.SetText(QString::fromLatin1("Caf\xe9 Mode"));
  dialog.Field().end(false);
  // e-acute, euro, "!": key presses QTest cannot type (it knows ASCII keys only).
  for (const QChar c : QString::fromUtf8("\xc3\xa9\xe2\x82\xac!")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(&dialog.Field(), &press);
  }
  EXPECT_EQ(dialog.Text(), QString::fromLatin1("Caf\xe9 Mode\xe9!"));
  dialog.Field().clear();
  QTest::keyClicks(&dialog.Field(), QString(120, QLatin1Char('n')));
  EXPECT_EQ(dialog.Text().size(), 100);
}

TEST(FileFilters, ClassicFiltersBecomeQtNameFilters) {
  const std::pair<const char*, QStringList> cases[] = {
      {"ROM Files (*.rom)|*.rom|All Files (*.*)|*.*||", {"ROM Files (*.rom)", "All Files (*)"}},
      {"Log Files (*.log)|*.log|All Files (*.*)|*.*||", {"Log Files (*.log)", "All Files (*)"}},
      {"Images|*.rom;*.bin||", {"Images (*.rom *.bin)"}},
      {"", {}},
      {"Broken|", {}},
  };
  for (const auto& [classic, qt] : cases)
    EXPECT_EQ(ToQtNameFilters(QString::fromLatin1(classic)), qt) << classic;
  EXPECT_EQ(ToQtDefaultSuffix(".rom"), "rom");
  EXPECT_EQ(ToQtDefaultSuffix("log"), "log");
}

}  // namespace
}  // namespace kalvire::ui::test
