// CKALVIRE_1Doc: the document of the single-document shell. Every piece of editing state lives
// in the view's workspace, so the document stores and loads nothing; it only remembers the
// name of the file the view last opened, for the recent-file list.
#pragma once

#include <QObject>
#include <QString>

namespace kalvire::app {

class CKALVIRE_1Doc final : public QObject {
  Q_OBJECT

 public:
  explicit CKALVIRE_1Doc(QObject* parent = nullptr) : QObject(parent) {}

  void SetPathName(const QString& path) { m_path = path; }
  const QString& PathName() const { return m_path; }

 private:
  QString m_path;
};

}  // namespace kalvire::app
