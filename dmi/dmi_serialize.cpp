#include "dmi/dmi_serialize.h"

#include <new>

#include "dmi/dmi_parse.h"
#include "dmi/messages.h"
#include "rom/messages.h"
#include "util/le.h"

namespace kalvire::dmi {

namespace {

void AppendStructure(const DmiStructure& record, std::vector<uint8_t>& out) {
  out.insert(out.end(), record.formatted.begin(), record.formatted.end());
  if (record.strings.empty()) {
    out.insert(out.end(), 2, 0);
    return;
  }
  for (const std::string& text : record.strings) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
  }
  out.push_back(0);
}

// Where the 0xFF filler ends: at the end of the freeform section that holds the table. Bytes of
// the module data behind that section (the alignment padding of a stored compression section)
// belong to the enclosing section and are carried over as they are. A section size that does
// not cover the table or overruns the data cannot be trusted; the filler then runs to the end.
uint64_t FillerEnd(std::span<const uint8_t> data, uint64_t table_offset) {
  const uint64_t header = table_offset - kDmiSectionHeaderSize;
  const auto size = util::ReadLe24(data, header);
  if (!size || *size < kDmiSectionHeaderSize || !util::Fits(data, header, *size))
    return data.size();
  return header + *size;
}

}  // namespace

bool BuildDmiModuleData(std::span<const uint8_t> data, const DmiTables& tables,
                        std::vector<uint8_t>& out) {
  out.clear();
  const auto start = DmiTableOffset(data);
  const uint32_t count = tables.structure_count;
  if (!start || !util::Fits(data, 0, *start)) return false;
  if (count >= tables.current.size() || !tables.current[count].InUse()) return false;
  const uint64_t filler_end = FillerEnd(data, *start);
  out.reserve(data.size());
  out.assign(data.begin(), data.begin() + *start);
  for (uint32_t i = 0; i <= count; ++i) {
    AppendStructure(tables.current[i], out);
    // Stop as soon as the table has outgrown its place: the filler would be negative.
    if (out.size() > filler_end) {
      out.clear();
      return false;
    }
  }
  out.resize(filler_end, 0xFF);
  out.insert(out.end(), data.begin() + filler_end, data.end());
  return true;
}

int SerializeDmiModule(DmiContext editor) {
  if (!editor.workspace.m_dmi_modified) return 1;
  std::vector<uint8_t>& buffer = editor.dmi.rebuild_buffer;
  try {
    if (BuildDmiModuleData(editor.workspace.m_dmi_module.Data(), editor.dmi, buffer)) return 1;
    std::vector<uint8_t>().swap(buffer);
    rom::ShowPlainMessage(editor, kMsgTableTooLong);
  } catch (const std::bad_alloc&) {
    std::vector<uint8_t>().swap(buffer);
    rom::ShowPlainMessage(editor, rom::kMsgFailedToAllocateMemory);
  }
  return 0;
}

}  // namespace kalvire::dmi
