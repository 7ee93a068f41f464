#include "ui_session.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QStandardPaths>

#include "setup/ifr_layout.h"
#include "setup/node_lookup.h"
#include "support/shown_texts.h"
#include "tools/sample_image.h"

// The GUI tests need one QApplication for the whole program, on a platform without a display.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Settings and other per-user files go to a test location, never to the person's profile.
  QStandardPaths::setTestModeEnabled(true);
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

namespace kalvire::ui::test {

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

ModalDriver::ModalDriver() {
  QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
  m_timer.start(5);
}

void ModalDriver::Expect(const char* class_name, Handler handler) {
  m_handlers.emplace_back(class_name, std::move(handler));
}

void ModalDriver::ExpectReject(const char* class_name, QString* title) {
  Expect(class_name, [title](QWidget* widget) {
    if (title) *title = widget->windowTitle();
    static_cast<QDialog*>(widget)->reject();
  });
}

void ModalDriver::ExpectKey(Qt::Key key) {
  Expect("QMessageBox", [this, key](QWidget* widget) {
    Record(*static_cast<QMessageBox*>(widget));
    QTest::keyClick(widget, key);
  });
}

void ModalDriver::ExpectFile(const QString& path) {
  Expect("QFileDialog", [path](QWidget* widget) {
    static_cast<QFileDialog*>(widget)->selectFile(path);
    static_cast<QDialog*>(widget)->accept();  // QFileDialog's own accept() is protected
  });
}

void ModalDriver::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  // The progress dialog of a long command is no question: it goes away by itself.
  if (!modal || modal == m_last_handled || !modal->isVisible() ||
      modal->objectName() == "progressDialog")
    return;
  m_last_handled = modal;
  const std::string class_name = modal->metaObject()->className();
  if (!m_handlers.empty() && m_handlers.front().first == class_name) {
    const Handler handler = std::move(m_handlers.front().second);
    m_handlers.pop_front();
    return handler(modal);
  }
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    Record(*box);
    QAbstractButton* button = box->button(QMessageBox::Yes);
    if (!button) button = box->button(QMessageBox::Ok);
    return button ? button->click() : box->reject();
  }
  unexpected.push_back(class_name);
  if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
}

void ModalDriver::Record(const QMessageBox& box) {
  messages.push_back({box.windowTitle(), box.text(), box.standardButtons(),
                      box.standardButton(box.defaultButton())});
}

AppSession::AppSession() {
  WriteSample("sample.rom");
  m_app = std::make_unique<app::CKALVIRE_1App>(
      std::make_unique<QSettings>(m_dir.filePath("settings.ini"), QSettings::IniFormat));
}

QString AppSession::WriteSample(const QString& name) {
  static const tools::Bytes bytes = tools::BuildSampleImage();
  WriteFile(Path(name),
            QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
  return Path(name);
}

bool AppSession::Start(const QString& file) {
  int exit_code = 0;
  if (!m_app->InitInstance(app::CommandLine{.file = file, .error = {}}, exit_code)) return false;
  Frame().activateWindow();
  return QTest::qWaitForWindowActive(&Frame());
}

QList<QWidget*> AppSession::Controls() {
  QList<QWidget*> controls;
  for (QWidget* page : View().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    for (QWidget* widget : page->findChildren<QWidget*>())
      if (widget->property("controlId").isValid()) controls << widget;
  }
  return controls;
}

std::vector<std::string> AppSession::TrackLogLines() {
  return kalvire::test::EntryTexts(*View().findChild<QtListBox*>("trackLogList"));
}

platform::TreeItem AppSession::Question(platform::TreeItem other) {
  for (uint32_t node = 0; node < Editor().setup.node_count; ++node) {
    const platform::TreeItem item = ItemOf(node);
    if (item == platform::kNoItem || item == other ||
        setup::ItemOpcode(SetupTree().GetItemData(item)) != setup::kOpOneOf) {
      continue;
    }
    SetupTree().SelectItem(item);
    if (Radio("hideRadio")->IsEnabled() && Radio("showRadio")->IsChecked() &&
        std::min(Combo("optimalOptionCombo").GetCount(), Combo("deleteOptionCombo").GetCount()) > 1)
      return item;
  }
  return platform::kNoItem;
}

uint32_t AppSession::NodeOf(platform::TreeItem item) {
  for (uint32_t node = 0; node < Editor().setup.node_count; ++node) {
    if (ItemOf(node) == item) return node;
  }
  return ~0u;
}

platform::TreeItem AppSession::DmiItem(const std::string& text) {
  CTreeCtrlX& tree = DmiTree();
  for (platform::TreeItem item = tree.GetChildItem(tree.GetChildItem(platform::kRootItem));
       item != platform::kNoItem; item = tree.GetNextSiblingItem(item)) {
    if (tree.GetItemText(item) == text) return item;
  }
  return platform::kNoItem;
}

void AppSession::ClickItem(CTreeCtrlX& tree, platform::TreeItem item, bool twice) {
  tree.scrollToItem(tree.WidgetItem(item));
  const QPoint at = tree.visualItemRect(tree.WidgetItem(item)).center();
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, at);
  if (twice) QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, at);
}

void AppSession::PressAlt(Qt::Key key) {
  // A desktop's window manager activates the frame again after a dialog; offscreen has none.
  if (!Frame().isActiveWindow()) {
    Frame().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&Frame()));
  }
  QTest::keyClick(&Frame(), key, Qt::AltModifier);
}

}  // namespace kalvire::ui::test
