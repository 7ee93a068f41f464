#include "ui/compare_dialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dmi/dmi_parse.h"
#include "editor/diff_text.h"
#include "ui/qt_text.h"

namespace kalvire::ui {

namespace {

QTreeWidgetItem* AddGroup(QTreeWidget& rows, const QString& title, size_t count) {
  auto* group = new QTreeWidgetItem(&rows, {QStringLiteral("%1 (%2)").arg(title).arg(count)});
  group->setFirstColumnSpanned(true);
  group->setExpanded(true);
  return group;
}

void AddRow(QTreeWidgetItem* group, const std::string& place, const std::string& text) {
  auto* row = new QTreeWidgetItem(group, {FromLatin1(place), FromLatin1(text)});
  row->setToolTip(1, FromLatin1(text));
}

QString Counted(size_t count, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString FileName(const std::string& path) {
  return QFileInfo(FromLatin1(path)).fileName();
}

}  // namespace

CompareDialog::CompareDialog(const editor::Comparison& comparison, const std::string& open_path,
                             QWidget* parent)
    : QDialog(parent) {
  setObjectName("compareDialog");
  setWindowTitle(QGuiApplication::applicationDisplayName() + tr(" - Compare With"));
  setAttribute(Qt::WA_DeleteOnClose);
  const editor::ImageDiff& diff = comparison.diff;

  auto* summary = new QLabel(this);
  summary->setObjectName("compareSummary");
  summary->setWordWrap(true);
  const QString a = FileName(open_path), b = FileName(comparison.path);
  summary->setText(
      diff.Empty()
          ? tr("A: %1 and B: %2 do not differ.").arg(a, b)
          : tr("A: %1 (open, with its edits)\nB: %2\nDiffering: %3, %4 and %5. Double-click a "
               "setup node, or press Enter on it, to select it in the tree.")
                .arg(a, b)
                .arg(Counted(diff.nodes.size(), "setup node", "setup nodes"),
                     Counted(diff.dmi.size(), "DMI string", "DMI strings"),
                     Counted(diff.files.size(), "firmware file", "firmware files")));

  m_rows = new QTreeWidget(this);
  m_rows->setObjectName("compareRows");
  m_rows->setColumnCount(2);
  m_rows->setHeaderLabels({tr("Where"), tr("Difference")});
  m_rows->setRootIsDecorated(true);
  m_rows->setUniformRowHeights(true);
  m_rows->header()->setStretchLastSection(true);

  QTreeWidgetItem* nodes = AddGroup(*m_rows, tr("Setup nodes"), diff.nodes.size());
  for (const editor::NodeDifference* node : editor::NodesByPlace(diff)) {
    AddRow(nodes, editor::NodeDifferencePlace(*node), editor::NodeDifferenceText(*node));
    if (!node->a) continue;
    QTreeWidgetItem* row = nodes->child(nodes->childCount() - 1);
    row->setData(0, kNodeRole, quint32(node->a->info.node));
    row->setToolTip(0, tr("Double-click to select this node in the setup tree"));
  }
  QTreeWidgetItem* strings = AddGroup(*m_rows, tr("DMI strings"), diff.dmi.size());
  for (const editor::DmiDifference& string : diff.dmi)
    AddRow(strings, dmi::DmiTypeName(string.type), editor::DmiDifferenceText(string));
  QTreeWidgetItem* files = AddGroup(*m_rows, tr("Firmware files"), diff.files.size());
  for (const editor::FileDifference& file : diff.files)
    AddRow(files, file.name, editor::FileDifferenceText(file));
  if (nodes->childCount() > 0) m_rows->setCurrentItem(nodes->child(0));
  m_rows->resizeColumnToContents(0);
  m_rows->setColumnWidth(0, qMin(m_rows->columnWidth(0), 320));

  // A double-click or Enter.
  connect(m_rows, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* row, int) {
    const QVariant node = row->data(0, kNodeRole);
    if (node.isValid()) emit nodeChosen(node.toUInt());
  });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  // Enter belongs to the rows: it selects a node, and must not press Close.
  buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary);
  layout->addWidget(m_rows, 1);
  layout->addWidget(buttons);
  resize(900, 500);
}

}  // namespace kalvire::ui
