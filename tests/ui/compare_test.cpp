// File > Compare With: a second image opened read-only, its differences listed in a dialog
// whose setup rows select their node in the tree.
#include <QTreeWidget>

#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "ui/compare_dialog.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

TEST_F(SampleTest, CompareWithListsTheDifferencesAndSelectsTheirNodes) {
  // An edited copy: one question hidden, saved under another name, then the sample reopened.
  const uint32_t hidden = s.NodeOf(s.Question());
  setup::ChangeNodeSetting(s.Editor(), setup::kChangeVisibility, 0, 0, hidden);
  s.Driver().ExpectFile(s.Path("edited.rom"));
  s.Trigger("actionFileSaveAs");
  ASSERT_TRUE(s.Open(s.SamplePath()));
  s.SetupTree().SelectItem(s.ItemOf(0));
  const QString title = s.ShownTitle();
  const QByteArray sample = FileBytes(s.SamplePath());

  s.Driver().ExpectFile(s.Path("edited.rom"));
  s.Trigger("actionFileCompareWith");
  CompareDialog* dialog = s.View().ComparisonShown();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  QTreeWidget& rows = dialog->Rows();
  ASSERT_EQ(rows.topLevelItemCount(), 3);
  QTreeWidgetItem* nodes = rows.topLevelItem(0);
  EXPECT_EQ(nodes->text(0), "Setup nodes (1)");
  EXPECT_EQ(rows.topLevelItem(1)->text(0), "DMI strings (0)");
  ASSERT_EQ(nodes->childCount(), 1);
  QTreeWidgetItem* row = nodes->child(0);
  EXPECT_TRUE(row->text(1).endsWith("visible 1 -> 0")) << row->text(1).toStdString();
  EXPECT_EQ(row->data(0, CompareDialog::kNodeRole).toUInt(), hidden);

  rows.scrollToItem(row);
  const QPoint at = rows.visualItemRect(row).center();
  QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(rows.viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(setup::NodeOfItem(s.Editor().setup, s.SetupTree().GetSelectedItem()), hidden);
  // The open image is untouched: its title, its file and no edit.
  EXPECT_EQ(s.ShownTitle(), title);
  EXPECT_FALSE(s.Editor().workspace.HasUnsavedEdits());
  EXPECT_EQ(s.Editor().workspace.m_path, s.SamplePath().toStdString());
  EXPECT_EQ(FileBytes(s.SamplePath()), sample);

  // A file that cannot be opened shows the Open's message and no dialog.
  dialog->close();
  QApplication::processEvents();
  ASSERT_TRUE(WriteFile(s.Path("junk.rom"), QByteArray(4096, 'x')));
  s.Driver().ClearRecords();
  s.View().CompareWithImage(s.Path("junk.rom").toStdString());
  EXPECT_EQ(s.View().ComparisonShown(), nullptr);
  ASSERT_FALSE(s.Driver().messages.empty());
  EXPECT_EQ(s.Driver().messages.front().text, "Error: Invalid Image type");
  EXPECT_EQ(s.ShownTitle(), title);

  // Another Open closes the comparison: its node numbers were the old image's.
  s.View().CompareWithImage(s.Path("edited.rom").toStdString());
  ASSERT_NE(s.View().ComparisonShown(), nullptr);
  ASSERT_TRUE(s.Open(s.Path("edited.rom")));
  QApplication::processEvents();
  EXPECT_EQ(s.View().ComparisonShown(), nullptr);
}

}  // namespace
}  // namespace kalvire::ui::test
