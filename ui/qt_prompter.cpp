#include "ui/qt_prompter.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>

#include "ui/dmi_dialog.h"
#include "ui/edit_bios_string.h"
#include "ui/file_filters.h"
#include "ui/qt_text.h"

namespace kalvire::ui {

namespace {

QMessageBox::Icon ToQtIcon(platform::MessageIcon icon) {
  switch (icon) {
    case platform::MessageIcon::kError:
      return QMessageBox::Critical;
    case platform::MessageIcon::kQuestion:
      return QMessageBox::Question;
    case platform::MessageIcon::kWarning:
      return QMessageBox::Warning;
    case platform::MessageIcon::kInformation:
      return QMessageBox::Information;
    case platform::MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

// A message box shown during a long operation gets the normal cursor back while it is open.
class ArrowWhileOpen {
 public:
  explicit ArrowWhileOpen(bool busy) : m_busy(busy) {
    if (m_busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowWhileOpen() {
    if (m_busy) QApplication::restoreOverrideCursor();
  }
  ArrowWhileOpen(const ArrowWhileOpen&) = delete;
  ArrowWhileOpen& operator=(const ArrowWhileOpen&) = delete;

 private:
  bool m_busy;
};

}  // namespace

QtPrompter::QtPrompter(QWidget* owner) : m_owner(owner) {}

QtPrompter::~QtPrompter() {
  while (m_busy_depth > 0) SetBusy(false);
}

QWidget* QtPrompter::DialogParent() const {
  return m_owner ? m_owner->window() : nullptr;
}

platform::MessageAnswer QtPrompter::ShowMessage(const platform::MessageBoxRequest& request) {
  const bool question = request.buttons == platform::MessageButtons::kYesNo;
  if (!m_interactive) {
    std::fprintf(stderr, "%s\n", request.text.c_str());
    return question ? platform::MessageAnswer::kNo : platform::MessageAnswer::kOk;
  }
  const QString caption = request.caption.empty() ? QGuiApplication::applicationDisplayName()
                                                  : FromUtf8(request.caption);
  QMessageBox box(ToQtIcon(request.icon), caption, FromLatin1(request.text),
                  question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, DialogParent());
  box.setObjectName("messageBox");
  const ArrowWhileOpen arrow(IsBusy());
  const int answer = box.exec();
  if (!question) return platform::MessageAnswer::kOk;
  return answer == QMessageBox::Yes ? platform::MessageAnswer::kYes : platform::MessageAnswer::kNo;
}

std::optional<std::string> QtPrompter::AskFilePath(const platform::FileDialogRequest& request) {
  if (!m_interactive) return std::nullopt;
  QFileDialog dialog(DialogParent());
  dialog.setObjectName("fileDialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(ToQtNameFilters(FromLatin1(request.filter)));
  dialog.setDefaultSuffix(ToQtDefaultSuffix(FromLatin1(request.default_extension)));
  if (request.save && !request.overwrite_prompt) {
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  }
  if (!request.initial_name.empty()) dialog.selectFile(FromUtf8(request.initial_name));
  const ArrowWhileOpen arrow(IsBusy());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QByteArray path = QFile::encodeName(dialog.selectedFiles().front());
  return std::string(path.constData(), size_t(path.size()));
}

std::optional<std::string> QtPrompter::AskText(const platform::TextDialogRequest& request) {
  if (!m_interactive) return std::nullopt;
  CEditBIOSString dialog(FromLatin1(request.title), request.max_length, DialogParent());
  dialog.SetText(FromLatin1(request.initial_text));
  const ArrowWhileOpen arrow(IsBusy());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return ToLatin1(dialog.Text());
}

bool QtPrompter::EditDmiStrings(platform::DmiDialogData& data) {
  if (!m_interactive) return false;
  CDmiDialog1 dialog(DialogParent());
  dialog.Load(data);
  const ArrowWhileOpen arrow(IsBusy());
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.Store(data);
  return true;
}

std::string QtPrompter::WindowTitle() const {
  QWidget* window = DialogParent();
  return window ? ToUtf8(window->windowTitle()) : std::string();
}

void QtPrompter::SetWindowTitle(const std::string& title) {
  QWidget* window = DialogParent();
  if (!window) return;
  window->setWindowTitle(FromUtf8(title));
  // The wait texts must reach the screen before the work they announce blocks the loop.
  if (m_interactive) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtPrompter::SetBusy(bool busy) {
  if (busy) {
    if (m_busy_depth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (m_busy_depth > 0) {
    if (--m_busy_depth == 0) QApplication::restoreOverrideCursor();
  }
}

}  // namespace kalvire::ui
