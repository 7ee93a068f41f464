// The AmiTse "$SPF" setup data that matches a set of forms: the header with the AmitsePkgGuid,
// the page table, one page record per form and one control record per item.
//
// Layout (offsets from the "$SPF" header S):
//   S+0 "$SPF", S+20 AmitsePkgGuid, S+44 page table offset, S+48 control area offset,
//   S+52 control area size; the header is 64 bytes.
//   Page table: 32-bit page count, then 32-bit page offsets from S. Page 0 stands for no form;
//   the form at parse index k (forms of all packages in list order) is page k + 1.
//   Page record: +16 page id, +18 parent page, +28 control count, +32 the 32-bit control
//   offsets from the control area, one per item in item order (at least one slot).
//   Control record (80 bytes): +20 control type, +22 page, +24 destination page (REF; 0x3000
//   none), +28 flags (bit 0 visible, bits 1-2 access level, bit 4 read-write for questions),
//   +36 control index, +56 ControlDataLength, +58 data width, +60 question id, and the
//   optimal default by width: 1 byte at +65, 2 at +66, 4 at +68, 8 at +72.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/hii_builder.h"

namespace kalvire::tools {

// AmiTse control types.
enum class SpfControlType : uint16_t {
  kSubmenu = 1,
  kLabel = 2,
  kText = 3,
  kDate = 4,
  kTime = 5,
  kPopupSel = 6,
  kMemo = 8,
  kNumeric = 11,
  kEdit = 12,
  kPassword = 13,
  kOrderedList = 15,
  kAction = 19,
};

inline constexpr uint32_t kSpfHeaderSize = 64;
inline constexpr uint32_t kSpfControlSize = 80;
inline constexpr uint16_t kSpfNoPage = 0x3000;

SpfControlType ControlTypeOf(IfrItemKind kind);

// The SPF data for `forms` in parse order. Items whose REF target is not among the forms get
// destination page 0x3000.
Bytes BuildSpfData(const std::vector<const IfrForm*>& forms);

}  // namespace kalvire::tools
