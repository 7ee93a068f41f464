// The recent-file list kept in the profile settings: one entry, "Recent File List/File1", as
// the application shell's standard profile keeps it.
#pragma once

#include <QSettings>
#include <QString>

namespace kalvire::app {

class RecentFileList {
 public:
  static constexpr int kSize = 1;

  // Reads the list from `settings`, which must outlive the object.
  explicit RecentFileList(QSettings& settings);

  // Puts `path` first; with one entry it simply replaces the previous one.
  void Add(const QString& path);
  QString MostRecent() const;

 private:
  QSettings& m_settings;
};

}  // namespace kalvire::app
