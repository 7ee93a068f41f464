#include "platform/headless_controls.h"
#include "platform/headless_tree.h"

#include "platform/control_contract.h"

namespace kalvire::platform::contract {
namespace {

std::unique_ptr<TreeControl> MakeHeadlessTree() {
  return std::make_unique<HeadlessTree>();
}
std::unique_ptr<ListControl> MakeHeadlessList() {
  return std::make_unique<HeadlessList>();
}
std::unique_ptr<ComboControl> MakeHeadlessCombo() {
  return std::make_unique<HeadlessCombo>();
}
std::unique_ptr<ButtonControl> MakeHeadlessButton() {
  return std::make_unique<HeadlessButton>();
}

INSTANTIATE_TEST_SUITE_P(Headless, TreeControlContract, testing::Values(&MakeHeadlessTree));
INSTANTIATE_TEST_SUITE_P(Headless, ListControlContract, testing::Values(&MakeHeadlessList));
INSTANTIATE_TEST_SUITE_P(Headless, ComboControlContract, testing::Values(&MakeHeadlessCombo));
INSTANTIATE_TEST_SUITE_P(Headless, ButtonControlContract, testing::Values(&MakeHeadlessButton));

}  // namespace
}  // namespace kalvire::platform::contract
