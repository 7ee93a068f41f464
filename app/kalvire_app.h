// CKALVIRE_1App: the application object. Start-up creates the profile settings, the document,
// the frame with its view, opens a file named on the command line and shows the window.
//
// The app/ folder: the desktop application around ui/, which it uses with the folders below.
#pragma once

#include <QSettings>
#include <QStringList>
#include <memory>

#include "app/kalvire_doc.h"
#include "app/main_frame.h"
#include "app/recent_files.h"

namespace kalvire::app {

// What the command line asks for: `kalvire [--offscreen] [FILE]`.
struct CommandLine {
  bool offscreen = false;  // no person in front: load, report, end
  QString file;            // empty: start with a blank view
  QString error;           // not empty: the command line could not be understood
};

// Reads the arguments after the program name.
CommandLine ParseCommandLine(const QStringList& arguments);

class CKALVIRE_1App {
 public:
  // The settings default to the user's profile under the settings key; tests pass their own.
  explicit CKALVIRE_1App(std::unique_ptr<QSettings> settings = nullptr);
  ~CKALVIRE_1App();

  // The start-up sequence. Returns false when the application is to end at once (a command
  // line that cannot be understood, or a headless run that has done its work; `exit_code`
  // then holds the program's result).
  bool InitInstance(const CommandLine& command_line, int& exit_code);

  CMainFrame& MainFrame() { return *m_frame; }
  CKALVIRE_1Doc& Document() { return m_document; }
  RecentFileList& RecentFiles() { return m_recent; }
  QSettings& Settings() { return *m_settings; }

  void OnAppAbout();

 private:
  void NoteOpenedImage();
  void OpenRequested(const QString& path);

  std::unique_ptr<QSettings> m_settings;
  RecentFileList m_recent;
  CKALVIRE_1Doc m_document;
  std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace kalvire::app
