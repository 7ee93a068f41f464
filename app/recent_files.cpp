#include "app/recent_files.h"

#include <QFileInfo>

namespace kalvire::app {

namespace {

constexpr char kRecentFileKey[] = "Recent File List/File1";

}  // namespace

RecentFileList::RecentFileList(QSettings& settings) : m_settings(settings) {}

void RecentFileList::Add(const QString& path) {
  if (path.isEmpty()) return;
  m_settings.setValue(kRecentFileKey, QFileInfo(path).absoluteFilePath());
}

QString RecentFileList::MostRecent() const {
  return m_settings.value(kRecentFileKey).toString();
}

}  // namespace kalvire::app
