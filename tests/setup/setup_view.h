// An editor with headless controls, as the command-line tool wires one, for the setup tests.
#pragma once

#include <memory>
#include <string>

#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "platform/scripted_prompter.h"
#include "rom/editor.h"
#include "setup_builder.h"

namespace kalvire::setup::test {

struct SetupView {
  SetupView();

  platform::HeadlessTree tree;
  platform::HeadlessList track_log;
  platform::HeadlessCombo access_combo;
  platform::HeadlessCombo delete_combo;
  platform::HeadlessCombo optimal_combo;
  platform::HeadlessButton hide;
  platform::HeadlessButton show;
  platform::HeadlessButton delete_button;
  platform::ScriptedPrompter prompter;
  rom::Editor editor;
};

std::unique_ptr<SetupView> MakeView();

// Installs `menu`, parses it, captures the baseline and connects the tree's selection to the
// node display. Returns the parse result; the baseline's result goes to `baseline`.
int32_t LoadMenu(SetupView& view, const MenuBuilder& menu, int* baseline = nullptr);

// The tree as indented lines of item texts, two blanks per level, "BIOS" included.
std::string TreeOutline(const platform::TreeControl& tree);

// The lines of the track log list.
std::vector<std::string> LogLines(const platform::ListControl& list);

// Selects node `node`'s item (which runs the node display).
void SelectNode(SetupView& view, uint32_t node);

}  // namespace kalvire::setup::test
