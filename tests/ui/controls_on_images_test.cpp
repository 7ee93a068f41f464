// The edit controls through the keyboard, the details pane and the find bar, on the sample and
// on both real images.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "setup/node_info.h"
#include "tests/support/test_data.h"
#include "ui/edit_bios_string.h"
#include "ui/limited_line_edit.h"
#include "ui_session.h"
#include "util/le.h"

namespace kalvire::ui::test {
namespace {

class DetailsAndFind : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    QString path = s.WriteSample("sample.rom");
    if (*GetParam()) {
      const auto dir = kalvire::test::SharedImagesDir();
      if (!dir) GTEST_SKIP() << "no real images: set KALVIRE_SHARED_DIR to the shared folder";
      path = QString::fromStdString((*dir / GetParam()).string());
    }
    ASSERT_TRUE(s.Start(path));
  }

  QString Pane() { return s.View().findChild<QPlainTextEdit*>("detailsPane")->toPlainText(); }

  AppSession s;
};

// The keyboard reaches every edit control: Alt+C and an arrow key change the access level, Alt+O
// picks an option and Alt+D deletes it, Alt+P and Enter on a NUMERIC question's one entry ask
// "Update Data" for its new value. Each edit marks the title.
TEST_P(DetailsAndFind, EveryEditControlTakesTheKeyboard) {
  const auto edit = [&](const std::function<void()>& keys) {
    s.Frame().setWindowModified(false);
    keys();
    EXPECT_TRUE(s.Driver().AllHandled());
    EXPECT_TRUE(s.ShownTitle().endsWith("]*"));
  };
  ASSERT_NE(s.Question(), platform::kNoItem);
  QtComboBox& access = s.Combo("accessLevelCombo");
  s.PressAlt(Qt::Key_C);
  ASSERT_TRUE(access.hasFocus());
  const int level = access.GetCurSel();
  edit([&] { QTest::keyClick(&access, level > 0 ? Qt::Key_Up : Qt::Key_Down); });
  EXPECT_NE(access.GetCurSel(), level);
  QtComboBox& options = s.Combo("deleteOptionCombo");
  s.PressAlt(Qt::Key_O);
  ASSERT_TRUE(options.hasFocus());
  QTest::keyClick(&options, Qt::Key_End);
  const std::string doomed = options.GetText(options.GetCurSel());
  EXPECT_TRUE(s.Button("deleteButton")->IsEnabled());
  edit([&] { s.PressAlt(Qt::Key_D); });
  EXPECT_EQ(options.FindString(doomed), -1);

  std::optional<setup::NodeInfo> numeric;
  for (uint32_t node = 0; node < s.Editor().setup.node_count && !numeric; ++node) {
    setup::NodeInfo info = setup::DescribeNode(s.Editor(), node);
    if (info.kind == "NUMERIC" && info.minimum < info.maximum && info.optimal_value) numeric = info;
  }
  ASSERT_TRUE(numeric);
  s.ClickItem(s.SetupTree(), s.ItemOf(numeric->node));
  QtComboBox& optimal = s.Combo("optimalOptionCombo");
  s.PressAlt(Qt::Key_P);
  ASSERT_TRUE(optimal.hasFocus());
  const QString old_value = QString::fromStdString(optimal.GetText(0));
  const uint64_t other =
      *numeric->optimal_value == *numeric->minimum ? *numeric->maximum : *numeric->minimum;
  QStringList asked;
  s.Driver().Expect<CEditBIOSString>("kalvire::ui::CEditBIOSString", [&](auto& dialog) {
    asked << dialog.windowTitle() << dialog.Text();
    dialog.Field().selectAll();
    QTest::keyClicks(&dialog.Field(), QString::number(other));
    dialog.accept();
  });
  edit([&] { QTest::keyClick(&optimal, Qt::Key_Return); });
  EXPECT_EQ(asked, (QStringList{"Update Data", old_value}));
  EXPECT_EQ(optimal.GetText(0), std::to_string(other));
}

// Selecting a node of each kind shows its opcode's name and, for a question, the id its IFR
// header stores; Ctrl+F finds the menu's last question with a prompt, its form collapsed, F3 wraps
// to the first match and Shift+F3 back; the hidden filter keeps only hidden items and their forms.
TEST_P(DetailsAndFind, ShowTheSelectedNodeAndFindAnyNode) {
  const std::map<uint8_t, QString> kinds = {
      {0x02, "SUBTITLE"}, {0x05, "ONE_OF"}, {0x06, "CHECKBOX"}, {0x07, "NUMERIC"}, {0x0F, "REF"}};
  const std::span<const uint8_t> ifr = s.Editor().workspace.m_setup_module.Data();
  std::map<uint8_t, int> shown;
  uint32_t last_question = 0;
  for (uint32_t node = 0; node < s.Editor().setup.node_count; ++node) {
    const uint32_t data = s.SetupTree().GetItemData(s.ItemOf(node));
    const uint8_t opcode = uint8_t(data >> 24);
    if (opcode >= 0x05 && opcode <= 0x07 && !s.SetupTree().GetItemText(s.ItemOf(node)).empty())
      last_question = node;
    if (!kinds.count(opcode) || shown[opcode]++ >= 3) continue;
    s.SetupTree().SelectItem(s.ItemOf(node));
    SCOPED_TRACE(node);
    EXPECT_TRUE(Pane().startsWith("Kind: " + kinds.at(opcode) +
                                  "\nNode: " + QString::number(node, 16) + "\n"));
    if (opcode != 0x02) {
      const uint16_t id = util::LoadLe16(ifr.data() + (data & 0xFFFFFF) + 6);  // header
      EXPECT_TRUE(Pane().contains("\nQuestion Id: 0x" + QString::number(id, 16).toUpper() + "\n"));
    }
  }
  EXPECT_EQ(shown.size(), kinds.size());

  s.SetupTree().collapseAll();
  s.SetupTree().SelectItem(s.ItemOf(0));
  QTest::keyClick(&s.Frame(), Qt::Key_F, Qt::ControlModifier);
  auto* field = s.View().findChild<QLineEdit*>("findField");
  ASSERT_TRUE(field->isVisible() && field->hasFocus());
  const std::string prompt = s.SetupTree().GetItemText(s.ItemOf(last_question));
  QTest::keyClicks(field, QString::fromLatin1(prompt.c_str()).left(40));
  EXPECT_LE(s.NodeOf(s.SetupTree().GetSelectedItem()), last_question);
  for (int k = 0; k < 40 && s.NodeOf(s.SetupTree().GetSelectedItem()) != last_question; ++k)
    QTest::keyClick(&s.Frame(), Qt::Key_F3);
  ASSERT_EQ(s.NodeOf(s.SetupTree().GetSelectedItem()), last_question);
  EXPECT_TRUE(s.SetupTree()
                  .visualItemRect(s.SetupTree().WidgetItem(s.ItemOf(last_question)))
                  .isValid());                // expanded to it
  for (const bool forward : {true, false}) {  // away and back, wrapping if need be
    QTest::keyClick(&s.Frame(), Qt::Key_F3, forward ? Qt::NoModifier : Qt::ShiftModifier);
    EXPECT_EQ(s.NodeOf(s.SetupTree().GetSelectedItem()) == last_question, !forward);
  }
  field->clear();
  QTest::keyClicks(field, "no prompt holds this text");
  EXPECT_EQ(s.View().findChild<QLabel*>("findStatus")->text(), "No match");

  QtComboBox& filter = s.Combo("findFilterCombo");
  s.Choose(filter, 2);  // hidden items
  for (uint32_t node = 0; node < s.Editor().setup.node_count; ++node) {
    const platform::TreeItem item = s.ItemOf(node);
    if (!s.SetupTree().WidgetItem(item)->isHidden() && s.SetupTree().GetItemData(item) >> 24 != 1)
      EXPECT_TRUE(s.SetupTree().GetItemColor(item) == platform::kColorRed ||
                  s.Editor().setup.node_states[node].baseline_visibility == 0)
          << node;
  }
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_FALSE(field->isVisible());
  EXPECT_FALSE(s.SetupTree().WidgetItem(s.ItemOf(last_question))->isHidden());
}

INSTANTIATE_TEST_SUITE_P(Images, DetailsAndFind,
                         testing::Values("", "h61-bios-region.bin", "p7xxdm-full-flash.rom"));

}  // namespace
}  // namespace kalvire::ui::test
