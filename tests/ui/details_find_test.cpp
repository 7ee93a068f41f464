// The details pane and the find bar, on the sample and on both real images.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "tests/support/test_data.h"
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
