// An Open that fails leaves the window as it was: the open image, its edits, its controls and
// its title, whatever the file was.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QTest>
#include <algorithm>
#include <iostream>
#include <random>

#include "qt_printers.h"
#include "ui/tree_ctrl_x.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray RandomBytes(qsizetype size) {
  std::mt19937 generator(20240611);
  QByteArray bytes(size, '\0');
  for (char& byte : bytes) byte = char(generator() & 0xFF);
  return bytes;
}

class FailedOpen : public testing::Test {
 protected:
  void SetUp() override {
    AppSession& s = m_session;
    ASSERT_TRUE(s.Start(s.SamplePath()));
    m_node = s.HideAQuestion();
    ASSERT_NE(m_node, ~0u);
    ASSERT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]*");
    m_tree = s.SetupTree();
  }

  void ExpectTheImageAsItWas() {
    AppSession& s = m_session;
    EXPECT_FALSE(s.Driver().Messages().empty());
    EXPECT_EQ(s.ShownTitle(), "KALVIRE 0.1 - [sample.rom]*");
    EXPECT_EQ(s.Editor().workspace.m_path, s.SamplePath().toStdString());
    EXPECT_TRUE(s.Editor().workspace.HasUnsavedEdits());
    ASSERT_FALSE(m_tree.isNull());
    EXPECT_EQ(s.SetupTree(), m_tree.data());
    EXPECT_TRUE(m_tree->isVisible());
    EXPECT_EQ(m_tree->GetItemColor(s.Editor().setup.nodes[m_node].item), platform::kColorRed);
    // The edit is still there to be listed and saved.
    s.PressAlt(Qt::Key_T);
    const std::vector<std::string> lines = s.TrackLogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "    Visibility changed to Hide"), lines.end());
  }

  AppSession m_session;
  uint32_t m_node = ~0u;
  QPointer<CTreeCtrlX> m_tree;
};

TEST_F(FailedOpen, KeepsTheOpenImageItsEditsAndItsTitle) {
  AppSession& s = m_session;
  QFile sample(s.SamplePath());
  ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
  const QByteArray image = sample.readAll();
  struct Case {
    const char* name;
    QString path;
    QByteArray bytes;  // written to `path` first unless empty
  };
  const Case cases[] = {
      {"a file that does not exist", s.Path("missing.rom"), {}},
      {"random bytes", s.Path("random.rom"), RandomBytes(1 << 20)},
      {"text", s.Path("notes.rom"), QByteArray(70000, 'x')},
      {"the sample cut in half", s.Path("truncated.rom"), image.left(image.size() / 2)},
      {"an EDK2 image", QStringLiteral("/usr/share/ovmf/OVMF.fd"), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.bytes.isEmpty()) {
      ASSERT_TRUE(WriteFile(c.path, c.bytes));
    }
    if (c.path.startsWith("/usr") && !QFile::exists(c.path)) {
      std::cout << "not tried (package ovmf absent): " << c.path.toStdString() << '\n';
      continue;
    }
    s.Driver().ClearRecords();
    EXPECT_FALSE(s.View().OpenRomImagePath(c.path.toStdString()));
    ExpectTheImageAsItWas();
  }
}

TEST_F(FailedOpen, ThroughTheOpenDialogAfterDiscard) {
  AppSession& s = m_session;
  const QString random = s.Path("random.rom");
  ASSERT_TRUE(WriteFile(random, RandomBytes(1 << 20)));
  s.Driver().ExpectKey(Qt::Key_D);
  s.Driver().Expect("QFileDialog", [&](QWidget* widget) {
    auto* dialog = static_cast<QFileDialog*>(widget);
    dialog->selectFile(random);
    static_cast<QDialog*>(dialog)->accept();
  });
  s.Frame().Action("actionFileOpen")->trigger();
  EXPECT_TRUE(s.Driver().AllHandled());
  ASSERT_GE(s.Driver().Messages().size(), 2u);
  EXPECT_EQ(s.Driver().Messages()[0].text, "Save changes to sample.rom?");
  ExpectTheImageAsItWas();
}

}  // namespace
}  // namespace kalvire::ui::test
