#include "ui/qt_prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>

#include "ui/dmi_dialog.h"
#include "ui/edit_bios_string.h"
#include "ui/file_filters.h"
#include "ui/gui_thread.h"
#include "ui/progress_dialog.h"
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

// A message box shown during a long operation gets the normal cursor back while it is open,
// and the progress dialog makes way for it.
class ArrowWhileOpen {
 public:
  ArrowWhileOpen(bool busy, ProgressDialog* progress) : m_busy(busy), m_progress(progress) {
    if (m_busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    if (m_progress) m_progress->MakeWay(true);
  }
  ~ArrowWhileOpen() {
    if (m_progress) m_progress->MakeWay(false);
    if (m_busy) QApplication::restoreOverrideCursor();
  }
  ArrowWhileOpen(const ArrowWhileOpen&) = delete;
  ArrowWhileOpen& operator=(const ArrowWhileOpen&) = delete;

 private:
  bool m_busy;
  QPointer<ProgressDialog> m_progress;
};

QMessageBox::StandardButtons ToQtButtons(platform::MessageButtons buttons) {
  switch (buttons) {
    case platform::MessageButtons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case platform::MessageButtons::kSaveDiscardCancel:
      return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    case platform::MessageButtons::kOk:
      break;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButton ToQtButton(platform::MessageAnswer answer) {
  switch (answer) {
    case platform::MessageAnswer::kOk:
      return QMessageBox::Ok;
    case platform::MessageAnswer::kYes:
      return QMessageBox::Yes;
    case platform::MessageAnswer::kNo:
      return QMessageBox::No;
    case platform::MessageAnswer::kCancel:
      return QMessageBox::Cancel;
    case platform::MessageAnswer::kSave:
      return QMessageBox::Save;
    case platform::MessageAnswer::kDiscard:
      return QMessageBox::Discard;
  }
  return QMessageBox::NoButton;
}

// A box closed without a button (Escape, the title bar's close) gives the answer that changes
// nothing: No to a question, Cancel to Save/Discard/Cancel.
platform::MessageAnswer FromQtButton(platform::MessageButtons buttons,
                                     QMessageBox::StandardButton clicked) {
  switch (buttons) {
    case platform::MessageButtons::kYesNo:
      return clicked == QMessageBox::Yes ? platform::MessageAnswer::kYes
                                         : platform::MessageAnswer::kNo;
    case platform::MessageButtons::kSaveDiscardCancel:
      if (clicked == QMessageBox::Save) return platform::MessageAnswer::kSave;
      if (clicked == QMessageBox::Discard) return platform::MessageAnswer::kDiscard;
      return platform::MessageAnswer::kCancel;
    case platform::MessageButtons::kOk:
      break;
  }
  return platform::MessageAnswer::kOk;
}

// Nobody there to answer: the answer that changes nothing.
platform::MessageAnswer UnattendedAnswer(platform::MessageButtons buttons) {
  return FromQtButton(buttons, QMessageBox::NoButton);
}

// Qt's placeholder for the modified marker: "*" in the title bar while the window is modified,
// nothing otherwise. The titles the editor sets and reads never contain it.
constexpr char kModifiedPlaceholder[] = "[*]";

}  // namespace

QtPrompter::QtPrompter(QWidget* owner) : m_owner(owner) {}

QtPrompter::~QtPrompter() {
  while (m_busy_depth > 0) SetBusy(false);
}

QWidget* QtPrompter::DialogParent() const {
  return m_owner ? m_owner->window() : nullptr;
}

platform::MessageAnswer QtPrompter::ShowMessage(const platform::MessageBoxRequest& request) {
  if (!m_interactive) {
    std::fprintf(stderr, "%s\n", request.text.c_str());
    return UnattendedAnswer(request.buttons);
  }
  const QString caption = request.caption.empty() ? QGuiApplication::applicationDisplayName()
                                                  : FromUtf8(request.caption);
  QMessageBox box(ToQtIcon(request.icon), caption, FromLatin1(request.text),
                  ToQtButtons(request.buttons), DialogParent());
  box.setObjectName("messageBox");
  if (request.buttons == platform::MessageButtons::kSaveDiscardCancel) {
    // Letters for the keyboard: a message box presses a button whose mnemonic is typed.
    box.button(QMessageBox::Save)->setText(QCoreApplication::translate("QtPrompter", "&Save"));
    box.button(QMessageBox::Discard)
        ->setText(QCoreApplication::translate("QtPrompter", "&Discard"));
  }
  if (request.default_button) box.setDefaultButton(ToQtButton(*request.default_button));
  const ArrowWhileOpen arrow(IsBusy(), m_progress);
  box.exec();
  return FromQtButton(request.buttons, box.standardButton(box.clickedButton()));
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
  const ArrowWhileOpen arrow(IsBusy(), m_progress);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QByteArray path = QFile::encodeName(dialog.selectedFiles().front());
  return std::string(path.constData(), size_t(path.size()));
}

std::optional<std::string> QtPrompter::AskText(const platform::TextDialogRequest& request) {
  if (!m_interactive) return std::nullopt;
  CEditBIOSString dialog(FromLatin1(request.title), request.max_length, DialogParent());
  dialog.SetText(FromLatin1(request.initial_text));
  const ArrowWhileOpen arrow(IsBusy(), m_progress);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return ToLatin1(dialog.Text());
}

bool QtPrompter::EditDmiStrings(platform::DmiDialogData& data) {
  if (!m_interactive) return false;
  CDmiDialog1 dialog(DialogParent());
  dialog.Load(data);
  const ArrowWhileOpen arrow(IsBusy(), m_progress);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.Store(data);
  return true;
}

std::string QtPrompter::WindowTitle() const {
  QWidget* window = DialogParent();
  if (!window) return {};
  QString title = window->windowTitle();
  if (title.endsWith(QLatin1String(kModifiedPlaceholder))) {
    title.chop(qsizetype(sizeof kModifiedPlaceholder - 1));
  }
  return ToUtf8(title);
}

void QtPrompter::SetWindowTitle(const std::string& title) {
  QWidget* window = DialogParent();
  if (!window) return;
  window->setWindowTitle(FromUtf8(title) + QLatin1String(kModifiedPlaceholder));
  // The wait texts must reach the screen before the work they announce blocks the loop.
  if (m_interactive) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtPrompter::ShowModified(bool modified) {
  if (QWidget* window = DialogParent()) window->setWindowModified(modified);
}

void QtPrompter::SetBusy(bool busy) {
  if (busy) {
    if (m_busy_depth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (m_busy_depth > 0) {
    if (--m_busy_depth == 0) QApplication::restoreOverrideCursor();
  }
}

void QtPrompter::ReportProgress(const std::string& step) {
  if (!m_owner) return;
  PostToGuiThread(m_owner, [this, text = FromUtf8(step)] {
    if (m_progress) m_progress->SetStep(text);
  });
}

void QtPrompter::SetProgressDialog(ProgressDialog* dialog) {
  m_progress = dialog;
}

}  // namespace kalvire::ui
