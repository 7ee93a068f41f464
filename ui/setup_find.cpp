#include "ui/setup_find.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

#include "setup/node_lookup.h"
#include "ui/qt_controls.h"
#include "ui/qt_text.h"
#include "ui/setup_item_look.h"
#include "ui/tree_ctrl_x.h"

namespace kalvire::ui {

SetupFinder::SetupFinder(editor::Editor& editor, ControlPage& page)
    : QObject(page.find_bar), m_editor(editor), m_page(page) {
  // Typing on keeps the selected node while it still matches.
  connect(page.find_field, &QLineEdit::textChanged, this, [this] {
    Search();
    Step(true, true);
  });
  connect(page.find_field, &QLineEdit::returnPressed, this, [this] { Step(true); });
  connect(page.find_next, &QToolButton::clicked, this, [this] { Step(true); });
  connect(page.find_previous, &QToolButton::clicked, this, [this] { Step(false); });
  connect(page.find_close, &QToolButton::clicked, this, &SetupFinder::HideBar);
  connect(page.find_filter, &QComboBox::activated, this,
          [this](int index) { SetFilter(Filter(index)); });
}

void SetupFinder::ShowBar() {
  m_page.find_bar->show();
  m_page.find_field->setFocus(Qt::ShortcutFocusReason);
  m_page.find_field->selectAll();
}

void SetupFinder::HideBar() {
  SetFilter(Filter::kAll);
  m_page.find_bar->hide();
  m_page.setup_tree->setFocus(Qt::OtherFocusReason);
}

void SetupFinder::Search() {
  if (!m_index) m_index.emplace(m_editor);
  m_matches = m_index->Find(ToLatin1(m_page.find_field->text()));
  std::erase_if(m_matches, [this](uint32_t node) { return !Passes(node); });
  ShowStatus(-1);
}

void SetupFinder::ShowStatus(int position) {
  const QString text = m_page.find_field->text();
  if (text.isEmpty()) {
    m_page.find_status->clear();
  } else if (m_matches.empty()) {
    m_page.find_status->setText(tr("No match"));
  } else {
    m_page.find_status->setText(
        tr("%1 of %2")
            .arg(position < 0 ? QStringLiteral("-") : QString::number(position + 1))
            .arg(m_matches.size()));
  }
}

bool SetupFinder::Step(bool forward, bool from_selected) {
  if (m_matches.empty()) {
    ShowStatus(-1);
    return false;
  }
  CTreeCtrlX& tree = *m_page.setup_tree;
  const auto selected = setup::NodeOfItem(m_editor.setup, tree.GetSelectedItem());
  size_t position = 0;
  if (forward) {
    const auto next = !selected ? m_matches.begin()
                      : from_selected
                          ? std::lower_bound(m_matches.begin(), m_matches.end(), *selected)
                          : std::upper_bound(m_matches.begin(), m_matches.end(), *selected);
    position = next == m_matches.end() ? 0 : size_t(next - m_matches.begin());
  } else {
    const auto at = selected ? std::lower_bound(m_matches.begin(), m_matches.end(), *selected)
                             : m_matches.end();
    position = at == m_matches.begin() ? m_matches.size() - 1 : size_t(at - m_matches.begin()) - 1;
  }
  const platform::TreeItem item = setup::ItemOfNode(m_editor.setup, m_matches[position]);
  tree.SelectItem(item);
  if (QTreeWidgetItem* widget = tree.WidgetItem(item)) tree.scrollToItem(widget);
  ShowStatus(int(position));
  return true;
}

bool SetupFinder::Passes(uint32_t node) const {
  switch (m_filter) {
    case Filter::kChanged:
      return m_page.setup_tree->GetItemColor(setup::ItemOfNode(m_editor.setup, node)) ==
             platform::kColorRed;
    case Filter::kHidden:
      return NodeHidden(m_editor, node);
    default:
      return true;
  }
}

void SetupFinder::SetFilter(Filter filter) {
  m_filter = filter;
  m_page.find_filter->setCurrentIndex(int(filter));
  CTreeCtrlX& tree = *m_page.setup_tree;
  const setup::SetupModel& model = m_editor.setup;
  // An item stays when it passes or holds an item that does; the others are hidden.
  std::vector<QTreeWidgetItem*> kept;
  for (uint32_t node = 0; node < model.node_count; ++node) {
    QTreeWidgetItem* item = tree.WidgetItem(model.nodes[node].item);
    if (!item) continue;
    item->setHidden(filter != Filter::kAll);
    if (filter != Filter::kAll && Passes(node)) kept.push_back(item);
  }
  for (QTreeWidgetItem* item : kept) {
    for (QTreeWidgetItem* up = item; up && up->isHidden(); up = up->parent()) up->setHidden(false);
    for (QTreeWidgetItem* up = item->parent(); up && !up->isExpanded(); up = up->parent())
      up->setExpanded(true);
  }
  if (!m_page.find_field->text().isEmpty()) Search();
}

}  // namespace kalvire::ui
