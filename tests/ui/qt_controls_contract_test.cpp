// The Qt controls keep the same contract as the headless ones the core is tested with.
#include "platform/control_contract.h"
#include "ui/qt_controls.h"
#include "ui/tree_ctrl_x.h"

namespace kalvire::platform::contract {
namespace {

std::unique_ptr<TreeControl> MakeQtTree() {
  return std::make_unique<ui::CTreeCtrlX>();
}
std::unique_ptr<ListControl> MakeQtList() {
  return std::make_unique<ui::QtListBox>();
}
std::unique_ptr<ComboControl> MakeQtCombo() {
  return std::make_unique<ui::QtComboBox>();
}
std::unique_ptr<ButtonControl> MakeQtRadio() {
  return std::make_unique<ui::QtRadioButton>("&Show");
}
std::unique_ptr<ButtonControl> MakeQtPushButton() {
  return std::make_unique<ui::QtPushButton>("&Delete");
}

INSTANTIATE_TEST_SUITE_P(Qt, TreeControlContract, testing::Values(&MakeQtTree));
INSTANTIATE_TEST_SUITE_P(Qt, ListControlContract, testing::Values(&MakeQtList));
INSTANTIATE_TEST_SUITE_P(Qt, ComboControlContract, testing::Values(&MakeQtCombo));
INSTANTIATE_TEST_SUITE_P(Qt, ButtonControlContract,
                         testing::Values(&MakeQtRadio, &MakeQtPushButton));

}  // namespace
}  // namespace kalvire::platform::contract
