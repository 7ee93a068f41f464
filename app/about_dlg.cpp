#include "app/about_dlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/app_strings.h"

namespace kalvire::app {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CAboutDlg");
  setWindowTitle(QStringLiteral("About ") + QLatin1String(kApplicationTitle));
  setModal(true);

  auto* icon = new QLabel(this);
  icon->setPixmap(windowIcon().pixmap(32, 32));
  auto* version = new QLabel(QLatin1String(kAboutVersionLine), this);
  version->setObjectName("versionLine");
  auto* notice = new QLabel(QLatin1String(kAboutNoticeLine), this);
  notice->setObjectName("noticeLine");
  auto* ok = new QPushButton(tr("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* lines = new QVBoxLayout;
  lines->addWidget(version);
  lines->addWidget(notice);
  auto* row = new QHBoxLayout;
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addLayout(lines, 1);
  row->addWidget(ok, 0, Qt::AlignTop);
  setLayout(row);
}

}  // namespace kalvire::app
