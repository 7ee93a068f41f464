#include "app/recent_files.h"

#include <QFileInfo>

namespace kalvire::app {

namespace {

QString EntryKey(int index) {
  return QStringLiteral("Recent File List/File%1").arg(index + 1);
}

}  // namespace

RecentFileList::RecentFileList(QSettings& settings) : m_settings(settings) {}

QStringList RecentFileList::Files() const {
  QStringList files;
  for (int i = 0; i < kSize; ++i) {
    const QString file = m_settings.value(EntryKey(i)).toString();
    if (!file.isEmpty() && !files.contains(file)) files << file;
  }
  return files;
}

void RecentFileList::Store(const QStringList& files) {
  for (int i = 0; i < kSize; ++i) {
    if (i < files.size()) {
      m_settings.setValue(EntryKey(i), files[i]);
    } else {
      m_settings.remove(EntryKey(i));
    }
  }
}

void RecentFileList::Add(const QString& path) {
  if (path.isEmpty()) return;
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList files = Files();
  files.removeAll(absolute);
  files.prepend(absolute);
  Store(files.mid(0, kSize));
}

void RecentFileList::Remove(const QString& path) {
  QStringList files = Files();
  if (files.removeAll(QFileInfo(path).absoluteFilePath()) > 0) Store(files);
}

QString RecentFileList::MostRecent() const {
  const QStringList files = Files();
  return files.isEmpty() ? QString() : files.front();
}

}  // namespace kalvire::app
