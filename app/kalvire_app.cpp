#include "app/kalvire_app.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <cstdio>

#include "app/about_dlg.h"
#include "app/app_strings.h"
#include "ui/kalvire_view.h"

namespace kalvire::app {

namespace {

std::unique_ptr<QSettings> DefaultSettings(std::unique_ptr<QSettings> settings) {
  if (settings) return settings;
  return std::make_unique<QSettings>(QLatin1String(kSettingsKey), QLatin1String(kApplicationName));
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine result;
  for (const QString& argument : arguments) {
    if (argument == QLatin1String("--offscreen")) {
      result.offscreen = true;
    } else if (argument.startsWith(QLatin1Char('-'))) {
      result.error = QStringLiteral("unknown option %1").arg(argument);
    } else if (result.file.isEmpty()) {
      result.file = argument;
    } else {
      result.error = QStringLiteral("more than one file named: %1").arg(argument);
    }
  }
  if (result.offscreen && result.file.isEmpty() && result.error.isEmpty()) {
    result.error = QStringLiteral("--offscreen needs a file to load");
  }
  return result;
}

CKALVIRE_1App::CKALVIRE_1App(std::unique_ptr<QSettings> settings)
    : m_settings(DefaultSettings(std::move(settings))), m_recent(*m_settings) {}

CKALVIRE_1App::~CKALVIRE_1App() = default;

bool CKALVIRE_1App::InitInstance(const CommandLine& command_line, int& exit_code) {
  exit_code = 0;
  if (!command_line.error.isEmpty()) {
    std::fprintf(stderr, "kalvire: %s\nusage: kalvire [--offscreen] [FILE]\n",
                 command_line.error.toLocal8Bit().constData());
    exit_code = 2;
    return false;
  }
  // The name, not a display name: Qt would add a display name to every window title, and the
  // title already starts with it.
  QCoreApplication::setApplicationName(QLatin1String(kApplicationTitle));
  // No icon resource of its own: the style's drive icon stands for a firmware image.
  QApplication::setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon));

  m_frame = std::make_unique<CMainFrame>();
  ui::CKALVIRE_1View& view = m_frame->View();
  view.Prompter().SetInteractive(!command_line.offscreen);
  QObject::connect(m_frame.get(), &CMainFrame::aboutRequested, [this] { OnAppAbout(); });
  QObject::connect(&view, &ui::CKALVIRE_1View::imageOpened, [this] { NoteOpenedImage(); });
  QObject::connect(m_frame.get(), &CMainFrame::openRequested,
                   [this](const QString& path) { OpenRequested(path); });
  m_frame->ShowRecentFiles(m_recent.Files());

  if (!command_line.file.isEmpty()) {
    const QByteArray path = QFile::encodeName(command_line.file);
    const bool opened = view.OpenRomImagePath(std::string(path.constData(), size_t(path.size())));
    if (command_line.offscreen) {
      const editor::Editor& editor = view.Editor();
      std::printf("%s\nnodes: %u\n", view.Prompter().WindowTitle().c_str(),
                  unsigned(opened ? editor.setup.node_count : 0));
      std::fflush(stdout);
      exit_code = opened ? 0 : 1;
      return false;
    }
  }
  m_frame->show();
  return true;
}

void CKALVIRE_1App::NoteOpenedImage() {
  const QString path = QFile::decodeName(m_frame->View().Editor().workspace.m_path.c_str());
  m_document.SetPathName(path);
  m_recent.Add(path);
  m_frame->ShowRecentFiles(m_recent.Files());
}

void CKALVIRE_1App::OpenRequested(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  if (m_frame->View().OpenRomImageFile(std::string(name.constData(), size_t(name.size())))) return;
  // A recent file that is gone leaves the list, as the shell's list does.
  if (!QFile::exists(path)) {
    m_recent.Remove(path);
    m_frame->ShowRecentFiles(m_recent.Files());
  }
}

void CKALVIRE_1App::OnAppAbout() {
  CAboutDlg about(m_frame.get());
  about.exec();
}

}  // namespace kalvire::app
