// Setup menus built opcode by opcode for the setup tests and benchmarks: the IFR forms
// package, the setup string table, the matching AmiTse "$SPF" page and control tables, and an
// NVRAM store with "StdDefaults", installed straight into an editor's workspace.
//
// Control records follow the program's numbering: form k (in parse order) owns page k + 1, and
// every node other than a FORM, and every ACTION, STRING, ORDERED_LIST and VARSTORE after a
// FORM, takes the next control slot of its form's page.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "rom/editor.h"
#include "rom/known_guids.h"
#include "util/le.h"

namespace kalvire::setup::test {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint16_t v) {
  b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, uint16_t(v));
  Put16(b, uint16_t(v >> 16));
}
inline void PutValue(Bytes& b, uint64_t v, int width) {
  for (int i = 0; i < width; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// What the AmiTse control record of a node holds.
struct ControlSpec {
  uint16_t type = 3;  // text
  bool visible = true;
  uint8_t access = 0;
  uint16_t data_length = 0;
  uint64_t value = 0;
  uint16_t destination_page = 0x3000;
};

inline ControlSpec PopupControl(uint16_t width, uint64_t value) {
  return {6, true, 0, width, value};
}
inline ControlSpec NumericControl(uint16_t width, uint64_t value) {
  return {11, true, 0, width, value};
}
// Vendor setup data gives a CHECKBOX question a pop-up control, as it does a ONE_OF.
inline ControlSpec CheckboxControl(uint64_t value) {
  return {6, true, 0, 1, value};
}

struct Option {
  std::string text;
  uint64_t value = 0;
};

inline constexpr uint32_t kControlRecordBytes = 80;

class MenuBuilder {
 public:
  MenuBuilder() { m_strings.push_back(""); }

  // The string id of `text`; equal texts share one id, as compiled forms do.
  uint16_t Str(const std::string& text) {
    for (size_t i = 1; i < m_strings.size(); ++i) {
      if (m_strings[i] == text) return uint16_t(i);
    }
    m_strings.push_back(text);
    return uint16_t(m_strings.size() - 1);
  }
  // A string id of its own, even when another string has the same text.
  uint16_t NewStr(const std::string& text) {
    m_strings.push_back(text);
    return uint16_t(m_strings.size() - 1);
  }

  void FormSet(uint16_t title) {
    Bytes body(16, 0xA5);  // formset GUID
    Put16(body, title);
    Put16(body, 0);  // help
    body.push_back(0);
    Emit(0x0E, body, true);
  }
  // A FORM; returns its node number.
  uint32_t Form(uint16_t form_id, uint16_t title) {
    Bytes body;
    Put16(body, form_id);
    Put16(body, title);
    m_pages.emplace_back();
    return Node(0x01, body, true, std::nullopt);
  }
  // Starts a new forms package; the opcodes after it go into that package.
  void NewPackage() { m_packages.emplace_back(); }

  uint32_t Subtitle(uint16_t prompt, ControlSpec control = {}) {
    return Node(0x02, PromptBody(prompt, 5), true, control);
  }
  uint32_t Text(uint16_t prompt, ControlSpec control = {}) {
    return Node(0x03, PromptBody(prompt, 6), false, control);
  }
  uint32_t Ref(uint16_t prompt, uint16_t form_id, ControlSpec control = {}) {
    Bytes body = QuestionHeader(prompt, 0, 0);
    Put16(body, form_id);
    return Node(0x0F, body, false, control);
  }
  // PASSWORD, DATE or TIME: a question without options.
  uint32_t Question(uint8_t opcode, uint16_t prompt, ControlSpec control = {}) {
    Bytes body = QuestionHeader(prompt, 1, 0);
    body.resize(body.size() + 4);
    return Node(opcode, body, false, control);
  }
  uint32_t OneOf(uint16_t prompt, uint16_t var_store, uint16_t var_offset, int width,
                 const std::vector<Option>& options, ControlSpec control, bool scoped = true) {
    Bytes body = QuestionHeader(prompt, var_store, var_offset);
    body.push_back(WidthFlags(width));
    body.resize(body.size() + 3 * width);  // min, max, step
    const uint32_t node = Node(0x05, body, scoped, control);
    for (const Option& option : options) {
      Bytes o;
      Put16(o, Str(option.text));
      o.push_back(0);
      o.push_back(WidthType(width));
      PutValue(o, option.value, width);
      Emit(0x09, o, false);
    }
    if (scoped) End();
    return node;
  }
  uint32_t Checkbox(uint16_t prompt, uint16_t var_store, uint16_t var_offset, ControlSpec control,
                    uint8_t flags = 1) {
    Bytes body = QuestionHeader(prompt, var_store, var_offset);
    body.push_back(flags);
    return Node(0x06, body, false, control);
  }
  uint32_t Numeric(uint16_t prompt, uint16_t var_store, uint16_t var_offset, int width,
                   uint64_t minimum, uint64_t maximum, ControlSpec control) {
    Bytes body = QuestionHeader(prompt, var_store, var_offset);
    body.push_back(WidthFlags(width));
    PutValue(body, minimum, width);
    PutValue(body, maximum, width);
    PutValue(body, 1, width);
    const uint32_t node = Node(0x07, body, true, control);
    End();
    return node;
  }
  // ACTION, STRING or ORDERED_LIST: no node, but a control slot.
  void Control(uint8_t opcode, ControlSpec control = {}) {
    Emit(opcode, QuestionHeader(0, 0, 0), false);
    Slot(control);
  }
  void VarStore(uint16_t id, const std::string& name) {
    Bytes body(16, 0x5A);
    Put16(body, id);
    Put16(body, 16);  // size
    body.insert(body.end(), name.begin(), name.end());
    body.push_back(0);
    Emit(0x24, body, false);
    Slot({});
  }
  void End() { Emit(0x29, {}, false); }
  // Raw opcode bytes, for malformed streams.
  void Raw(const Bytes& bytes) { Package().insert(Package().end(), bytes.begin(), bytes.end()); }

  uint32_t NodeCount() const { return uint32_t(m_node_offsets.size()); }
  // Offset of node n's opcode in the Setup data.
  uint32_t NodeOffset(uint32_t node) const { return m_node_offsets[node]; }
  const std::vector<std::string>& Strings() const { return m_strings; }

  // The Setup module data: the package list GUID, the forms packages, an end package.
  Bytes SetupData() const {
    Bytes data(kListHeader, 0);
    std::memcpy(data.data(), rom::kSetupModuleGuid.data(), 16);
    for (const Bytes& package : m_packages) {
      Put32(data, uint32_t(package.size() + 4) | 0x02000000);
      data.insert(data.end(), package.begin(), package.end());
    }
    Put32(data, 4 | 0xDF000000);
    util::StoreLe32(data.data() + 16, uint32_t(data.size()));
    return data;
  }

  // The AmiTse data: `lead` filler bytes, then the "$SPF" header and its tables.
  Bytes SpfData(size_t lead = 24) const {
    Bytes spf(lead, 0x11);
    const size_t s = spf.size();
    spf.resize(s + 64, 0);
    std::memcpy(spf.data() + s, "$SPF", 4);
    std::memcpy(spf.data() + s + 20, rom::kAmiTsePkgGuid.data(), 16);
    // Page table (page 0 stands for no form), page records, control area.
    const size_t page_count = m_pages.size() + 1;
    const size_t table = 64;
    size_t page_pos = table + 4 + 4 * page_count;
    std::vector<size_t> page_offsets;
    for (size_t p = 0; p < page_count; ++p) {
      page_offsets.push_back(page_pos);
      const size_t slots = p == 0 ? 1 : std::max<size_t>(1, m_pages[p - 1].size());
      page_pos += 32 + 4 * slots;
    }
    const size_t area = page_pos;
    util::StoreLe32(spf.data() + s + 44, uint32_t(table));
    util::StoreLe32(spf.data() + s + 48, uint32_t(area));
    Put32(spf, uint32_t(page_count));
    for (const size_t offset : page_offsets) Put32(spf, uint32_t(offset));
    uint32_t control_offset = 0;
    for (size_t p = 0; p < page_count; ++p) {
      Bytes record(32, 0);
      const auto* controls = p == 0 ? nullptr : &m_pages[p - 1];
      util::StoreLe16(record.data() + 16, uint16_t(p));
      util::StoreLe32(record.data() + 28, controls ? uint32_t(controls->size()) : 0);
      const size_t slots = controls ? std::max<size_t>(1, controls->size()) : 1;
      for (size_t i = 0; i < slots; ++i) {
        const bool real = controls && i < controls->size();
        Put32(record, real ? control_offset : 0);
        if (real) control_offset += kControlRecordBytes;
      }
      spf.insert(spf.end(), record.begin(), record.end());
    }
    for (const auto& page : m_pages) {
      for (const ControlSpec& c : page) {
        Bytes record(kControlRecordBytes, 0);
        util::StoreLe16(record.data() + 20, c.type);
        util::StoreLe16(record.data() + 24, c.destination_page);
        util::StoreLe32(record.data() + 28,
                        (c.visible ? 1u : 0u) | uint32_t(c.access & 3) << 1 | 0x10);
        util::StoreLe16(record.data() + 56, c.data_length);
        const uint32_t place = c.data_length == 2   ? 66
                               : c.data_length == 4 ? 68
                               : c.data_length == 8 ? 72
                                                    : 65;
        const int width =
            c.data_length == 2 || c.data_length == 4 || c.data_length == 8 ? c.data_length : 1;
        for (int i = 0; i < width; ++i) record[place + i] = uint8_t(c.value >> (8 * i));
        spf.insert(spf.end(), record.begin(), record.end());
      }
    }
    spf.resize(spf.size() + 16, 0);
    return spf;
  }

  // Offset in SpfData(lead) of the control record of node `node` (not a FORM).
  size_t ControlRecordOffset(uint32_t node, size_t lead = 24) const {
    const auto [page, slot] = m_node_slots[node];
    size_t area = 64 + 4 + 4 * (m_pages.size() + 1) + 36;  // past page 0
    size_t before = 0;
    for (size_t p = 0; p < m_pages.size(); ++p) {
      area += 32 + 4 * std::max<size_t>(1, m_pages[p].size());
      if (p + 1 < page) before += m_pages[p].size();
    }
    return lead + area + (before + slot) * kControlRecordBytes;
  }

 private:
  static constexpr size_t kListHeader = 20;

  Bytes& Package() {
    if (m_packages.empty()) m_packages.emplace_back();
    return m_packages.back();
  }
  uint32_t PackageStart() const {
    uint32_t offset = kListHeader;
    for (size_t i = 0; i + 1 < m_packages.size(); ++i) offset += uint32_t(m_packages[i].size() + 4);
    return offset + 4;
  }
  // Appends an opcode; returns its offset in the Setup data.
  uint32_t Emit(uint8_t opcode, const Bytes& body, bool scope) {
    Bytes& package = Package();
    const uint32_t offset = PackageStart() + uint32_t(package.size());
    package.push_back(opcode);
    package.push_back(uint8_t((body.size() + 2) | (scope ? 0x80 : 0)));
    package.insert(package.end(), body.begin(), body.end());
    return offset;
  }
  uint32_t Node(uint8_t opcode, const Bytes& body, bool scope,
                const std::optional<ControlSpec>& control) {
    m_node_offsets.push_back(Emit(opcode, body, scope));
    m_node_slots.emplace_back(m_pages.size(), m_pages.empty() ? 0 : m_pages.back().size());
    if (control) Slot(*control);
    return uint32_t(m_node_offsets.size() - 1);
  }
  void Slot(const ControlSpec& control) {
    if (!m_pages.empty()) m_pages.back().push_back(control);
  }
  static Bytes PromptBody(uint16_t prompt, size_t size) {
    Bytes body;
    Put16(body, prompt);
    body.resize(size, 0);
    return body;
  }
  static Bytes QuestionHeader(uint16_t prompt, uint16_t var_store, uint16_t var_offset) {
    Bytes body;
    Put16(body, prompt);
    Put16(body, 0);       // help
    Put16(body, 0x1234);  // question id
    Put16(body, var_store);
    Put16(body, var_offset);
    body.push_back(0);  // question flags
    return body;
  }
  static uint8_t WidthType(int width) {
    return width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3;
  }
  static uint8_t WidthFlags(int width) { return WidthType(width); }

  std::vector<std::string> m_strings;
  std::vector<Bytes> m_packages;
  std::vector<std::vector<ControlSpec>> m_pages;
  std::vector<uint32_t> m_node_offsets;
  std::vector<std::pair<size_t, size_t>> m_node_slots;  // page number, slot
};

// A working image holding an NVRAM store whose first entry is "StdDefaults" with the given
// variables nested in it. `data_offsets` receives the image offset of each variable's data.
inline Bytes NvramImage(const std::vector<std::pair<std::string, size_t>>& variables,
                        std::vector<size_t>* data_offsets = nullptr) {
  Bytes image(40, 0xFF);
  image.insert(image.end(), rom::kNvramStoreGuid.begin(), rom::kNvramStoreGuid.end());
  image.resize(image.size() + 8, 0);
  const auto header = [](Bytes& b, const std::string& name, size_t size) {
    b.insert(b.end(), {'N', 'V', 'A', 'R'});
    Put16(b, uint16_t(size));
    b.insert(b.end(), {0xFF, 0xFF, 0xFF, 0x83, 0});
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
  };
  Bytes nested;
  std::vector<size_t> nested_offsets;
  for (const auto& [name, size] : variables) {
    header(nested, name, 12 + name.size() + size);
    nested_offsets.push_back(nested.size());
    nested.resize(nested.size() + size, 0);
  }
  header(image, "StdDefaults", 12 + 11 + nested.size());
  const size_t nested_start = image.size();
  image.insert(image.end(), nested.begin(), nested.end());
  image.resize(image.size() + 64, 0xFF);
  if (data_offsets) {
    data_offsets->clear();
    for (const size_t offset : nested_offsets) data_offsets->push_back(nested_start + offset);
  }
  return image;
}

// Puts `menu` into the workspace as the Setup and AmiTse modules of an opened image.
inline void InstallMenu(rom::Editor& editor, const MenuBuilder& menu, size_t spf_lead = 24) {
  rom::RomWorkspace& ws = editor.workspace;
  ws.m_setup_module.file = menu.SetupData();
  ws.m_setup_module.data_offset = 0;
  ws.m_setup_module.data_size = uint32_t(ws.m_setup_module.file.size());
  ws.m_amitse_module.file = menu.SpfData(spf_lead);
  ws.m_amitse_module.data_offset = 0;
  ws.m_amitse_module.data_size = uint32_t(ws.m_amitse_module.file.size());
  ws.m_setup_packages = {};
  ws.m_setup_packages.forms_package = 20;
  std::fill(ws.m_strings.begin(), ws.m_strings.end(), rom::StringRecord{});
  const auto& texts = menu.Strings();
  for (size_t i = 0; i < texts.size() && i < ws.m_strings.size(); ++i) {
    rom::StringRecord& record = ws.m_strings[i];
    record.id = uint16_t(i);
    const size_t length = std::min(texts[i].size(), record.text.size() - 1);
    std::memcpy(record.text.data(), texts[i].data(), length);
    record.length = uint32_t(length);
  }
  ws.m_string_count = uint16_t(std::min(texts.size(), ws.m_strings.size()));
  ws.m_format_marker = rom::kFormatMarkerOpened;
  ws.m_spf_control_header_offset = 0;
  ws.m_spf_state_header_offset = 0;
}

}  // namespace kalvire::setup::test
