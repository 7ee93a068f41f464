#include <QApplication>
#include <cstring>

#include "app/kalvire_app.h"

int main(int argc, char** argv) {
  // A headless run needs no display: the platform must be chosen before the application exists.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--offscreen") == 0) qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  // Qt has taken its own options (-platform, -style, ...) out of the arguments by now.
  const kalvire::app::CommandLine command_line =
      kalvire::app::ParseCommandLine(QCoreApplication::arguments().mid(1));
  kalvire::app::CKALVIRE_1App app;
  int exit_code = 0;
  if (!app.InitInstance(command_line, exit_code)) return exit_code;
  return application.exec();
}
