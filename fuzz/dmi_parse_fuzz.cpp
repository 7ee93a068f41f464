// Arbitrary bytes as DMI module data: the parse reads only inside them, and a table it takes is
// written back to exactly the module's size, with the leading bytes unchanged, and reads back
// as the same structures, which write back as the same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dmi/dmi_parse.h"
#include "dmi/dmi_serialize.h"

namespace {

bool SameStructures(const kalvire::dmi::DmiTables& a, const kalvire::dmi::DmiTables& b) {
  if (a.structure_count != b.structure_count) return false;
  for (uint32_t i = 0; i <= a.structure_count; ++i) {
    const auto& x = a.current[i];
    const auto& y = b.current[i];
    if (x.type != y.type || x.length != y.length || x.formatted != y.formatted ||
        x.strings != y.strings) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kalvire::dmi;
  const std::span<const uint8_t> module(data, size);
  DmiTables tables;
  if (ParseDmiData(module, tables) != DmiParseStatus::kOk) {
    if (tables.structure_count != 0 || tables.current[0].InUse()) __builtin_trap();
    return 0;
  }
  std::vector<uint8_t> written;
  if (!BuildDmiModuleData(module, tables, written)) return 0;
  if (written.size() != size) __builtin_trap();
  const uint64_t start = *DmiTableOffset(module);
  if (!std::equal(module.begin(), module.begin() + start, written.begin())) __builtin_trap();

  DmiTables again;
  if (ParseDmiData(written, again) != DmiParseStatus::kOk) __builtin_trap();
  if (!SameStructures(tables, again)) __builtin_trap();
  std::vector<uint8_t> rewritten;
  if (!BuildDmiModuleData(written, again, rewritten) || rewritten != written) __builtin_trap();
  return 0;
}
