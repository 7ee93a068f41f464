// Where the fields the editor reads lie in IFR opcodes and in the AmiTse "$SPF" tables.
#pragma once

#include <cstdint>

namespace kalvire::setup {

// IFR opcodes: byte 0 the opcode, byte 1 bits 0-6 the length, bit 7 the scope bit.
inline constexpr uint8_t kOpForm = 0x01;
inline constexpr uint8_t kOpSubtitle = 0x02;
inline constexpr uint8_t kOpText = 0x03;
inline constexpr uint8_t kOpOneOf = 0x05;
inline constexpr uint8_t kOpCheckbox = 0x06;
inline constexpr uint8_t kOpNumeric = 0x07;
inline constexpr uint8_t kOpPassword = 0x08;
inline constexpr uint8_t kOpOneOfOption = 0x09;
inline constexpr uint8_t kOpAction = 0x0C;
inline constexpr uint8_t kOpFormSet = 0x0E;
inline constexpr uint8_t kOpRef = 0x0F;
inline constexpr uint8_t kOpDate = 0x1A;
inline constexpr uint8_t kOpTime = 0x1B;
inline constexpr uint8_t kOpString = 0x1C;
inline constexpr uint8_t kOpOrderedList = 0x23;
inline constexpr uint8_t kOpVarStore = 0x24;
inline constexpr uint8_t kOpEnd = 0x29;

inline constexpr uint8_t kOpcodeLengthMask = 0x7F;
inline constexpr uint8_t kOpcodeScopeBit = 0x80;

inline constexpr uint64_t kIfrPrompt = 2;  // also FORM's FormId and ONE_OF_OPTION's Option
inline constexpr uint64_t kIfrFormId = 2;
inline constexpr uint64_t kIfrFormTitle = 4;
inline constexpr uint64_t kIfrRefFormId = 13;
inline constexpr uint64_t kIfrFormSetTitle = 18;
inline constexpr uint64_t kIfrVarStoreId = 18;  // of the VARSTORE opcode
inline constexpr uint64_t kIfrVarStoreName = 22;
inline constexpr uint64_t kIfrQuestionVarStoreId = 8;  // question header
inline constexpr uint64_t kIfrQuestionVarOffset = 10;
inline constexpr uint64_t kIfrQuestionFlags = 12;
inline constexpr uint64_t kIfrCheckboxFlags = 13;
inline constexpr uint64_t kIfrNumericRange = 14;  // minimum, then maximum, each of the width
inline constexpr uint64_t kIfrOptionText = 2;
inline constexpr uint64_t kIfrOptionValue = 6;

// HII package header: bits 0-23 the length, byte 3 the type.
inline constexpr uint8_t kPackageForms = 0x02;
inline constexpr uint64_t kPackageHeaderSize = 4;

// "$SPF" header and tables, offsets from the header.
inline constexpr char kSpfSignature[] = "$SPF";
inline constexpr uint64_t kSpfGuidOffset = 20;
inline constexpr uint64_t kSpfPageTableOffset = 44;
inline constexpr uint64_t kSpfControlAreaOffset = 48;
inline constexpr uint64_t kSpfPageControlOffsets = 32;  // in a page record

// Control record.
inline constexpr uint64_t kControlType = 20;
inline constexpr uint64_t kControlDestinationPage = 24;
inline constexpr uint64_t kControlFlags = 28;
inline constexpr uint64_t kControlDataLength = 56;
inline constexpr uint64_t kControlValue8 = 65;
inline constexpr uint64_t kControlValue16 = 66;
inline constexpr uint64_t kControlValue32 = 68;
inline constexpr uint64_t kControlValue64 = 72;
inline constexpr uint64_t kControlRecordSize = 80;  // what the fields above need
// Where the optimal default of `width` bytes lies in a control record; 0 for another width.
inline constexpr uint64_t ControlValueOffset(int32_t width) {
  switch (width) {
    case 1:
      return kControlValue8;
    case 2:
      return kControlValue16;
    case 4:
      return kControlValue32;
    case 8:
      return kControlValue64;
    default:
      return 0;
  }
}
inline constexpr uint16_t kNoDestinationPage = 0x3000;
inline constexpr uint32_t kFlagVisible = 0x1;
inline constexpr uint32_t kFlagAccessShift = 1;
inline constexpr uint32_t kFlagAccessMask = 0x6;
// Control types whose value the baseline reads. CHECKBOX questions have pop-up controls too.
inline constexpr uint16_t kControlTypePopupSel = 6;
inline constexpr uint16_t kControlTypeNumeric = 11;

// NVRAM variable entry.
inline constexpr char kNvarSignature[] = "NVAR";
inline constexpr uint64_t kNvarSize = 4;
inline constexpr uint64_t kNvarName = 11;
inline constexpr uint64_t kNvramFirstEntryGap = 8;  // from the end of the store GUID
inline constexpr char kStdDefaultsName[] = "StdDefaults";

}  // namespace kalvire::setup
