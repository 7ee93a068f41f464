// The recent-file list kept in the profile settings: up to eight entries, "Recent File List/File1"
// (the most recent) to "File8", as the application shell's standard profile keeps them.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

namespace kalvire::app {

class RecentFileList {
 public:
  static constexpr int kSize = 8;

  // Reads the list from `settings`, which must outlive the object.
  explicit RecentFileList(QSettings& settings);

  // Puts the absolute form of `path` first; an entry for the same file moves up, and the
  // oldest falls off a full list.
  void Add(const QString& path);
  // Drops the entry for `path` (a file that could not be opened).
  void Remove(const QString& path);
  QStringList Files() const;  // the most recent first
  QString MostRecent() const;

 private:
  void Store(const QStringList& files);

  QSettings& m_settings;
};

}  // namespace kalvire::app
