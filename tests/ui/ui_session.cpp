#include "ui_session.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTest>
#include <QWindow>

#include "setup/ifr_layout.h"
#include "setup/node_lookup.h"
#include "tools/sample_image.h"
#include "ui/qt_controls.h"
#include "ui/tree_ctrl_x.h"

namespace kalvire::ui::test {

namespace {

const tools::Bytes& SampleBytes() {
  static const tools::Bytes bytes = tools::BuildSampleImage();
  return bytes;
}

}  // namespace

QString WriteSampleImage(const QString& dir, const QString& name) {
  const QString path = dir + QLatin1Char('/') + name;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  const tools::Bytes& bytes = SampleBytes();
  file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
  return path;
}

AppSession::AppSession() : m_sample(WriteSampleImage(m_dir.path())) {
  auto settings = std::make_unique<QSettings>(m_dir.filePath("settings.ini"), QSettings::IniFormat);
  m_app = std::make_unique<app::CKALVIRE_1App>(std::move(settings));
}

AppSession::~AppSession() = default;

bool AppSession::Start(const QString& file) {
  app::CommandLine command_line;
  command_line.file = file;
  int exit_code = 0;
  if (!m_app->InitInstance(command_line, exit_code)) return false;
  Frame().activateWindow();
  return QTest::qWaitForWindowActive(&Frame());
}

QList<QWidget*> AppSession::Controls() {
  QList<QWidget*> controls;
  for (QWidget* page : View().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    controls += page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  }
  return controls;
}

CTreeCtrlX* AppSession::SetupTree() {
  return View().findChild<CTreeCtrlX*>("setupTree");
}
CTreeCtrlX* AppSession::DmiTree() {
  return View().findChild<CTreeCtrlX*>("dmiTree");
}
QtListBox* AppSession::TrackLog() {
  return View().findChild<QtListBox*>("trackLogList");
}
QtRadioButton* AppSession::Radio(const char* name) {
  return View().findChild<QtRadioButton*>(name);
}
QtPushButton* AppSession::Button(const char* name) {
  return View().findChild<QtPushButton*>(name);
}
QtComboBox* AppSession::Combo(const char* name) {
  return View().findChild<QtComboBox*>(name);
}

QString AppSession::ShownTitle() {
  const QWindow* window = Frame().windowHandle();
  return window ? window->title() : QString();
}

uint32_t AppSession::HideAQuestion() {
  const platform::TreeItem item = FindSetupItem(setup::kOpOneOf, [this] {
    return Radio("hideRadio")->IsEnabled() && Radio("showRadio")->IsChecked();
  });
  if (item == platform::kNoItem) return ~0u;
  SetupTree()->SelectItem(platform::kNoItem);
  ClickSetupItem(item);
  QTest::mouseClick(Radio("hideRadio"), Qt::LeftButton);
  const setup::SetupModel& model = Editor().setup;
  for (uint32_t node = 0; node < model.node_count; ++node) {
    if (model.nodes[node].item == item) return node;
  }
  return ~0u;
}

std::vector<std::string> AppSession::TrackLogLines() {
  std::vector<std::string> lines;
  QtListBox* list = TrackLog();
  for (int i = 0; list && i < list->GetCount(); ++i) lines.push_back(list->GetText(i));
  return lines;
}

void AppSession::ClickSetupItem(platform::TreeItem item) {
  CTreeCtrlX& tree = *SetupTree();
  QTreeWidgetItem* widget = tree.WidgetItem(item);
  tree.scrollToItem(widget);
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(widget).center());
}

void AppSession::DoubleClickItem(CTreeCtrlX& tree, platform::TreeItem item) {
  QTreeWidgetItem* widget = tree.WidgetItem(item);
  tree.scrollToItem(widget);
  const QPoint at = tree.visualItemRect(widget).center();
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, at);
}

void AppSession::PressAlt(Qt::Key key) {
  // Closing a dialog gives the activation back to the frame on a desktop; the offscreen
  // platform has no window manager that would.
  if (!Frame().isActiveWindow()) {
    Frame().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&Frame()));
  }
  QTest::keyClick(&Frame(), key, Qt::AltModifier);
}

platform::TreeItem AppSession::DmiItem(const std::string& text) {
  CTreeCtrlX& tree = *DmiTree();
  const platform::TreeItem root = tree.GetChildItem(platform::kRootItem);
  for (platform::TreeItem item = tree.GetChildItem(root); item != platform::kNoItem;
       item = tree.GetNextSiblingItem(item)) {
    if (tree.GetItemText(item) == text) return item;
  }
  return platform::kNoItem;
}

platform::TreeItem AppSession::FindSetupItem(uint8_t opcode, const std::function<bool()>& accept) {
  const setup::SetupModel& model = Editor().setup;
  CTreeCtrlX& tree = *SetupTree();
  for (uint32_t node = 0; node < model.node_count; ++node) {
    const platform::TreeItem item = model.nodes[node].item;
    if (item == platform::kNoItem || setup::ItemOpcode(tree.GetItemData(item)) != opcode) {
      continue;
    }
    tree.SelectItem(item);
    if (accept()) return item;
  }
  return platform::kNoItem;
}

}  // namespace kalvire::ui::test
