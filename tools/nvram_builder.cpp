#include "tools/nvram_builder.h"

#include <algorithm>
#include <stdexcept>

#include "util/le.h"

namespace kalvire::tools {

Bytes BuildNvarEntry(const NvarVariable& variable) {
  Bytes out(11, 0);
  std::copy_n("NVAR", 4, out.begin());
  util::StoreLe24(out.data() + 6, 0xFFFFFF);
  out[9] = variable.attributes;
  out[10] = variable.guid_index;
  for (char c : variable.name) out.push_back(uint8_t(c));
  out.push_back(0);
  out.insert(out.end(), variable.data.begin(), variable.data.end());
  if (out.size() > 0xFFFF) {
    throw std::invalid_argument("NVAR entry " + variable.name + " exceeds 64 KiB");
  }
  util::StoreLe16(out.data() + 4, uint16_t(out.size()));
  return out;
}

Bytes BuildNvramStore(const std::vector<NvarVariable>& defaults,
                      const std::vector<NvarVariable>& variables, const std::vector<Guid>& guids,
                      uint32_t size) {
  NvarVariable std_defaults{"StdDefaults", {}};
  for (const NvarVariable& v : defaults) {
    const Bytes entry = BuildNvarEntry(v);
    AppendBytes(std_defaults.data, entry);
  }
  size_t nested_guids = 0;
  for (const NvarVariable& v : defaults) {
    nested_guids = std::max<size_t>(nested_guids, v.guid_index + 1u);
  }
  if (nested_guids > guids.size()) throw std::invalid_argument("GUID index past the GUID list");
  for (size_t i = nested_guids; i-- > 0;) AppendBytes(std_defaults.data, guids[i]);
  Bytes out = BuildNvarEntry(std_defaults);
  for (const NvarVariable& v : variables) {
    const Bytes entry = BuildNvarEntry(v);
    AppendBytes(out, entry);
  }
  const uint64_t guid_bytes = 16 * uint64_t(guids.size());
  if (out.size() + guid_bytes > size) {
    throw std::invalid_argument("NVRAM store of " + std::to_string(size) + " bytes is too small");
  }
  out.resize(size - guid_bytes, 0xFF);
  for (size_t i = guids.size(); i-- > 0;) AppendBytes(out, guids[i]);
  return out;
}

Bytes BuildVariableDefaults(const HiiPackageList& list, uint16_t varstore_id, uint16_t size) {
  Bytes out(size, 0);
  for (const IfrForm* form : FormsInParseOrder(list)) {
    for (const IfrItem& item : form->items) {
      if (!item.HasStoredValue() || item.varstore_id != varstore_id) continue;
      const uint8_t width = item.kind == IfrItemKind::kCheckbox ? 1 : item.width;
      if (item.var_offset + width > size) {
        throw std::invalid_argument("question at VarOffset " + std::to_string(item.var_offset) +
                                    " lies outside its variable");
      }
      for (uint8_t i = 0; i < width; ++i) {
        out[item.var_offset + i] = uint8_t(item.default_value >> (8 * i));
      }
    }
  }
  return out;
}

}  // namespace kalvire::tools
