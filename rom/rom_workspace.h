// The state of one opened ROM image: the image bytes, the three located modules, the setup
// string table, the modified flags, and the volume and file tables of the last walk.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rom/known_guids.h"

namespace kalvire::rom {

inline constexpr size_t kVolumeCapacity = 40;
inline constexpr size_t kFileCapacity = 1024;
inline constexpr size_t kStringCapacity = 12288;
inline constexpr size_t kStringTextSize = 200;  // NUL included
inline constexpr uint32_t kFormatMarkerOpened = 4;

// Buffer 0 is the working image; buffer n > 0 is decoded volume buffer n - 1.
inline constexpr uint32_t kWorkingImageBuffer = 0;

// A position in one of the workspace's buffers. Offsets rather than pointers, so that a
// position survives the buffer being resized by an edit.
struct BufferPos {
  uint32_t buffer = kWorkingImageBuffer;
  uint64_t offset = 0;
};

// "image offset 0x..." or "offset 0x... of decoded volume N", for messages.
std::string PositionText(BufferPos pos);

struct VolumeRecord {
  BufferPos start;          // the volume header
  uint32_t fv_length = 0;   // low 32 bits
  uint64_t first_file = 0;  // offset of the first file header, in the same buffer
  uint32_t file_count = 0;  // file records made for this volume
};

struct FileRecord {
  BufferPos file;  // the FFS header
  Guid name{};
  uint32_t size = 0;  // 24-bit Size, or the measured size of an unset one
  uint32_t volume_index = 0;
};

// The volume found compressed inside a firmware-volume-image file, remembered so that it can be
// compressed again and written back. file_index 0 stands for none.
struct NestedVolume {
  uint32_t buffer = kWorkingImageBuffer;
  uint32_t decoded_size = 0;
  uint32_t file_index = 0;
  uint32_t section_offset = 0;
  uint32_t volume_index = 0;
};

// A located module: its flattened FFS file and where the module's data lies in it.
struct ModuleSlot {
  std::vector<uint8_t> file;  // empty: no module
  uint32_t data_offset = 0;
  uint32_t data_size = 0;
  // 0 stored, else the Tiano decoder version (1 EFI, 2 Tiano); LZMA leaves it as it was.
  uint32_t compression_version = 0;

  bool Present() const { return !file.empty(); }
  std::span<uint8_t> Data() { return Bounded(std::span<uint8_t>(file)); }
  std::span<const uint8_t> Data() const { return Bounded(std::span<const uint8_t>(file)); }
  void Clear() { *this = ModuleSlot{}; }

 private:
  template <typename Span>
  Span Bounded(Span all) const {
    if (data_offset > all.size()) return {};
    return all.subspan(data_offset, std::min<size_t>(data_size, all.size() - data_offset));
  }
};

struct StringRecord {
  uint16_t id = 0;
  std::array<char, kStringTextSize> text{};
  uint32_t length = 0;  // bytes before the NUL
};

// Offsets inside the Setup module data of the HII package list and its packages.
struct SetupPackages {
  uint64_t package_list_offset = 0;
  // 0: the list was found by the Setup module's GUID; 1: by the alternative GUID.
  uint8_t package_list_guid_flag = 0;
  std::optional<uint64_t> forms_package;
  std::optional<uint64_t> strings_package;  // en-US
  uint64_t string_data_offset = 0;
};

struct RomWorkspace {
  RomWorkspace();

  // The working image (buffer 0) or a decoded volume buffer; empty for an unknown id.
  std::span<uint8_t> Buffer(uint32_t id);
  std::span<const uint8_t> Buffer(uint32_t id) const;

  std::vector<uint8_t> m_working_image;
  std::vector<uint8_t> m_pristine_image;  // the file as read, or as last saved
  std::string m_path;

  bool m_image_loaded = false;
  uint32_t m_format_marker = 0;

  bool m_setup_form_modified = false;
  bool m_setup_string_modified = false;
  bool m_dmi_modified = false;

  ModuleSlot m_dmi_module;
  ModuleSlot m_setup_module;
  ModuleSlot m_amitse_module;
  Guid m_amitse_name{};  // the file name under which the AmiTse SPF module was found

  SetupPackages m_setup_packages;
  std::vector<StringRecord> m_strings;  // kStringCapacity records
  uint16_t m_string_count = 0;

  std::vector<VolumeRecord> m_volumes;  // kVolumeCapacity records
  uint32_t m_volume_count = 0;
  std::vector<FileRecord> m_files;  // kFileCapacity records
  uint32_t m_file_count = 0;
  NestedVolume m_nested;
  // Every volume decoded by the last walk; the file records of their volumes point into them.
  std::vector<std::vector<uint8_t>> m_decoded_volumes;

  // Any of the three modified flags: edits that no save has written yet.
  bool HasUnsavedEdits() const {
    return m_setup_form_modified || m_setup_string_modified || m_dmi_modified;
  }

  // What the opened image holds that the person must know about before they flash a save (a
  // signed capsule); the desktop shows it in the status bar, the command-line tool in `info`.
  std::vector<std::string> m_notices;

  // What the last Open and walk found wrong with the image, for the command-line tool.
  std::vector<std::string> m_diagnostics;
};

}  // namespace kalvire::rom
