#include "dmi/smbios_fields.h"

#include <optional>

namespace kalvire::dmi {

namespace {

// A byte of the formatted area that holds a string number. Offsets count from the structure's
// first byte. A System Enclosure's SKU Number follows its contained element records, so its
// offset counts from the end of those instead.
struct StringField {
  uint8_t offset;
  const char* name;
  bool after_contained_elements = false;
};

constexpr StringField kBiosInformation[] = {
    {0x04, "Vendor"}, {0x05, "BIOS Version"}, {0x08, "BIOS Release Date"}};
constexpr StringField kSystemInformation[] = {{0x04, "Manufacturer"}, {0x05, "Product Name"},
                                              {0x06, "Version"},      {0x07, "Serial Number"},
                                              {0x19, "SKU Number"},   {0x1A, "Family"}};
constexpr StringField kBaseboardInformation[] = {
    {0x04, "Manufacturer"},  {0x05, "Product"},   {0x06, "Version"},
    {0x07, "Serial Number"}, {0x08, "Asset Tag"}, {0x0A, "Location in Chassis"}};
constexpr StringField kSystemEnclosure[] = {{0x04, "Manufacturer"},
                                            {0x06, "Version"},
                                            {0x07, "Serial Number"},
                                            {0x08, "Asset Tag Number"},
                                            {0x00, "SKU Number", true}};
constexpr StringField kProcessorInformation[] = {
    {0x04, "Socket Designation"}, {0x07, "Processor Manufacturer"},
    {0x10, "Processor Version"},  {0x20, "Serial Number"},
    {0x21, "Asset Tag"},          {0x22, "Part Number"}};
constexpr StringField kPortConnectorInformation[] = {{0x04, "Internal Reference Designator"},
                                                     {0x06, "External Reference Designator"}};
constexpr StringField kSystemSlots[] = {{0x04, "Slot Designation"}};
constexpr StringField kMemoryDevice[] = {{0x10, "Device Locator"},  {0x11, "Bank Locator"},
                                         {0x17, "Manufacturer"},    {0x18, "Serial Number"},
                                         {0x19, "Asset Tag"},       {0x1A, "Part Number"},
                                         {0x2B, "Firmware Version"}};
constexpr StringField kPortableBattery[] = {{0x04, "Location"},
                                            {0x05, "Manufacturer"},
                                            {0x06, "Manufacture Date"},
                                            {0x07, "Serial Number"},
                                            {0x08, "Device Name"},
                                            {0x0E, "SBDS Version Number"},
                                            {0x14, "SBDS Device Chemistry"}};
// Voltage, temperature and electrical current probes.
constexpr StringField kProbe[] = {{0x04, "Description"}};
constexpr StringField kCoolingDevice[] = {{0x0E, "Description"}};
constexpr StringField kSystemPowerSupply[] = {
    {0x05, "Location"},      {0x06, "Device Name"},      {0x07, "Manufacturer"},
    {0x08, "Serial Number"}, {0x09, "Asset Tag Number"}, {0x0A, "Model Part Number"},
    {0x0B, "Revision Level"}};
constexpr StringField kOnboardDevicesExtended[] = {{0x04, "Reference Designation"}};

struct TypeFields {
  uint8_t type;
  std::span<const StringField> fields;
};

// Types not listed (OEM Strings and System Configuration Options among them) have no string
// fields.
constexpr TypeFields kStringFields[] = {
    {0, kBiosInformation}, {1, kSystemInformation},    {2, kBaseboardInformation},
    {3, kSystemEnclosure}, {4, kProcessorInformation}, {8, kPortConnectorInformation},
    {9, kSystemSlots},     {17, kMemoryDevice},        {22, kPortableBattery},
    {26, kProbe},          {27, kCoolingDevice},       {28, kProbe},
    {29, kProbe},          {39, kSystemPowerSupply},   {41, kOnboardDevicesExtended},
};

// System Enclosure: the count and the size of the contained element records, then the records.
constexpr size_t kElementCountOffset = 0x13;
constexpr size_t kElementSizeOffset = 0x14;
constexpr size_t kElementsOffset = 0x15;

std::optional<size_t> FieldByteOffset(std::span<const uint8_t> formatted,
                                      const StringField& field) {
  if (!field.after_contained_elements) return field.offset;
  if (formatted.size() <= kElementSizeOffset) return std::nullopt;
  return kElementsOffset + size_t(formatted[kElementCountOffset]) * formatted[kElementSizeOffset] +
         field.offset;
}

std::span<const StringField> FieldsOf(std::span<const uint8_t> formatted) {
  if (formatted.empty()) return {};
  for (const TypeFields& row : kStringFields) {
    if (row.type == formatted[0]) return row.fields;
  }
  return {};
}

}  // namespace

std::string DmiStringLabel(std::span<const uint8_t> formatted, size_t number) {
  std::string label;
  for (const StringField& field : FieldsOf(formatted)) {
    const std::optional<size_t> at = FieldByteOffset(formatted, field);
    // A field beyond the formatted length belongs to a later version of the structure.
    if (number == 0 || !at || *at >= formatted.size() || formatted[*at] != number) continue;
    if (!label.empty()) label += " / ";
    label += field.name;
  }
  if (label.empty()) label = "String " + std::to_string(number);
  return label + ":";
}

}  // namespace kalvire::dmi
