#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "app/app_strings.h"
#include "ui/kalvire_view.h"
#include "ui/qt_text.h"

namespace kalvire::app {

namespace {

QAction* MakeAction(QObject* owner, const char* name, const QString& text, const QString& tip) {
  auto* action = new QAction(text, owner);
  action->setObjectName(QLatin1String(name));
  action->setStatusTip(tip);
  return action;
}

// The indicator panes show their key's name; the platform gives no portable way to read the
// lock states, so they stay greyed like an inactive indicator.
QLabel* MakeIndicator(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setEnabled(false);
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  return label;
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
  setObjectName("CMainFrame");
  setWindowTitle(QLatin1String(kApplicationTitle));
  setGeometry(kInitialGeometry);
  m_view = new ui::CKALVIRE_1View(this);
  setCentralWidget(m_view);
  setAcceptDrops(true);
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (m_view->SettleUnsavedEdits()) {
    event->accept();
  } else {
    event->ignore();
  }
}

namespace {

// The one local file a drag carries, or empty.
QString DraggedFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl& url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const QString path = DraggedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // The drag source waits for the drop to end: the questions and the Open come after it.
  QTimer::singleShot(0, this, [this, path] { emit openRequested(path); });
}

void CMainFrame::ShowRecentFiles(const QStringList& files) {
  m_recent_menu->clear();
  for (qsizetype i = 0; i < files.size(); ++i) {
    const QString path = files[i];
    QAction* entry = m_recent_menu->addAction(
        QStringLiteral("&%1 %2").arg(i + 1).arg(QString(path).replace('&', "&&")));
    entry->setObjectName(QStringLiteral("actionRecentFile%1").arg(i + 1));
    entry->setStatusTip(tr("Open this document"));
    connect(entry, &QAction::triggered, this, [this, path] { emit openRequested(path); });
  }
  m_recent_menu->setEnabled(!files.isEmpty());
}

QAction* CMainFrame::Action(const char* name) const {
  return findChild<QAction*>(QLatin1String(name));
}

void CMainFrame::CreateActions() {
  QAction* open =
      MakeAction(this, "actionFileOpen", tr("&Open..."), tr("Open an existing document"));
  open->setShortcut(QKeySequence::Open);
  connect(open, &QAction::triggered, m_view, &ui::CKALVIRE_1View::OpenRomImage);

  QAction* save = MakeAction(this, "actionFileSave", tr("&Save"), tr("Save the active document"));
  save->setShortcut(QKeySequence::Save);
  save->setEnabled(false);  // until an image is open
  connect(save, &QAction::triggered, m_view, &ui::CKALVIRE_1View::SaveRomImage);
  connect(m_view, &ui::CKALVIRE_1View::imageOpened, save, [save] { save->setEnabled(true); });

  QAction* save_as = MakeAction(this, "actionFileSaveAs", tr("Save &As..."),
                                tr("Save the active document with a new name"));
  connect(save_as, &QAction::triggered, m_view, &ui::CKALVIRE_1View::SaveRomImageAs);

  QAction* compare = MakeAction(this, "actionFileCompareWith", tr("Compa&re With..."),
                                tr("List what differs between the open image and another one"));
  compare->setEnabled(false);  // until an image is open
  connect(compare, &QAction::triggered, m_view, [this] { m_view->CompareWithImage(); });
  connect(m_view, &ui::CKALVIRE_1View::imageOpened, compare,
          [compare] { compare->setEnabled(true); });

  QAction* exit = MakeAction(this, "actionFileExit", tr("E&xit"),
                             tr("Quit the application; asks whether to save unsaved edits"));
  connect(exit, &QAction::triggered, this, &QWidget::close);

  m_toolbar = new QToolBar(this);
  QAction* toolbar =
      MakeAction(this, "actionViewToolbar", tr("&Toolbar"), tr("Show or hide the toolbar"));
  toolbar->setCheckable(true);
  toolbar->setChecked(true);
  connect(toolbar, &QAction::toggled, m_toolbar, &QWidget::setVisible);
  connect(m_toolbar, &QToolBar::visibilityChanged, toolbar, &QAction::setChecked);

  QAction* status =
      MakeAction(this, "actionViewStatusBar", tr("&Status Bar"), tr("Show or hide the status bar"));
  status->setCheckable(true);
  status->setChecked(true);
  connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

  QAction* about =
      MakeAction(this, "actionHelpAbout", tr("&About ") + QLatin1String(kApplicationTitle),
                 tr("Display program information, version number and copyright"));
  connect(about, &QAction::triggered, this, &CMainFrame::aboutRequested);

  QStyle* style = QApplication::style();
  QAction* toolbar_open =
      MakeAction(this, "actionToolbarOpen", tr("Open"), tr("Open an existing document"));
  toolbar_open->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));
  connect(toolbar_open, &QAction::triggered, m_view, &ui::CKALVIRE_1View::OpenRomImage);
  QAction* toolbar_save =
      MakeAction(this, "actionToolbarSave", tr("Save"), tr("Save the active document"));
  toolbar_save->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));
  connect(toolbar_save, &QAction::triggered, m_view, &ui::CKALVIRE_1View::SaveRomImage);
}

void CMainFrame::CreateMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->setObjectName("menuFile");
  // The shortcut column of the menu shows Ctrl+O from the action itself.
  file->addAction(Action("actionFileOpen"));
  file->addAction(Action("actionFileSave"));
  file->addAction(Action("actionFileSaveAs"));
  file->addSeparator();
  file->addAction(Action("actionFileCompareWith"));
  file->addSeparator();
  m_recent_menu = file->addMenu(tr("Recent &Files"));
  m_recent_menu->setObjectName("menuRecentFiles");
  ShowRecentFiles({});
  file->addSeparator();
  file->addAction(Action("actionFileExit"));
  QMenu* view = menuBar()->addMenu(tr("&View"));
  view->setObjectName("menuView");
  view->addAction(Action("actionViewToolbar"));
  view->addAction(Action("actionViewStatusBar"));
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->setObjectName("menuHelp");
  help->addAction(Action("actionHelpAbout"));
}

void CMainFrame::CreateToolBar() {
  m_toolbar->setObjectName("mainToolBar");
  m_toolbar->setWindowTitle(tr("Standard"));
  m_toolbar->setMovable(true);
  m_toolbar->setFloatable(true);
  m_toolbar->setIconSize(QSize(16, 15));
  m_toolbar->addAction(Action("actionToolbarOpen"));
  m_toolbar->addAction(Action("actionToolbarSave"));
  addToolBar(Qt::TopToolBarArea, m_toolbar);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("statusBar");
  // The message pane: "Ready" whenever no command prompt is shown over it.
  auto* message = new QLabel(QLatin1String(kReadyMessage), bar);
  message->setObjectName("messagePane");
  bar->addWidget(message, 1);
  // What the opened image calls for before it is flashed (a signed capsule) stays in the pane
  // until another image opens.
  connect(m_view, &ui::CKALVIRE_1View::imageOpened, message, [this, message] {
    const std::vector<std::string>& notices = m_view->Editor().workspace.m_notices;
    message->setText(notices.empty() ? QLatin1String(kReadyMessage)
                                     : ui::FromLatin1(notices.front()));
  });
  bar->addPermanentWidget(MakeIndicator(bar, "indicatorCaps", tr("CAP")));
  bar->addPermanentWidget(MakeIndicator(bar, "indicatorNum", tr("NUM")));
  bar->addPermanentWidget(MakeIndicator(bar, "indicatorScroll", tr("SCRL")));
}

}  // namespace kalvire::app
