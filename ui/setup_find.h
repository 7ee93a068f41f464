// The find bar over the setup tree: a search over every node (collapsed branches included) by
// prompt, help text, option names, node number, question id and VarStore offset, stepping to
// the next or previous match, and a filter that shows only the changed or the hidden items.
#pragma once

#include <QObject>
#include <optional>
#include <vector>

#include "editor/editor.h"
#include "setup/node_search.h"
#include "ui/control_page.h"

namespace kalvire::ui {

class SetupFinder final : public QObject {
  Q_OBJECT

 public:
  enum class Filter { kAll = 0, kChanged = 1, kHidden = 2 };

  // Works on `page`'s find bar and setup tree; the page must outlive the finder.
  SetupFinder(editor::Editor& editor, ControlPage& page);

  void ShowBar();  // shown, with the keyboard in its field
  void HideBar();  // hidden, the filter back to every item
  // Selects the next or previous match of the field's text, wrapping, and expands the tree to
  // it; false when nothing matches. `from_selected`: the selected node itself may be the next.
  bool Step(bool forward, bool from_selected = false);
  void SetFilter(Filter filter);
  // The texts the search reads have changed (an edit): the index is read again when needed.
  void Invalidate() { m_index.reset(); }
  const std::vector<uint32_t>& Matches() const { return m_matches; }

 private:
  void Search();
  void ShowStatus(int position);
  bool Passes(uint32_t node) const;

  editor::Editor& m_editor;
  ControlPage& m_page;
  std::optional<setup::NodeSearchIndex> m_index;
  std::vector<uint32_t> m_matches;
  Filter m_filter = Filter::kAll;
};

}  // namespace kalvire::ui
