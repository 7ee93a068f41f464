// The differences of two images as one line each, as `diff` prints them and the Compare With
// dialog lists them. Texts are Latin-1, as the images hold them.
#pragma once

#include <string>
#include <vector>

#include "editor/image_diff.h"

namespace kalvire::editor {

// The forms above the node, "Main > Advanced", or "BIOS" at the top.
std::string NodeDifferencePlace(const NodeDifference& node);
// `ONE_OF "SATA Mode" (node 2b -> 2d): value 0x1 -> 0x0; help "a" -> "b"`, or
// `TEXT "Serial" (node 5): only in A`.
std::string NodeDifferenceText(const NodeDifference& node);
// `System Information (type 1) #0 string 4 Product Name: "A" -> "B"`.
std::string DmiDifferenceText(const DmiDifference& string);
// `GUID #1: changed, type 0x07, 1024 bytes, 1f2e... -> type 0x07, 1032 bytes, 9a8b...`.
std::string FileDifferenceText(const FileDifference& file);

// The nodes in the order of their places, the image's order within one place.
std::vector<const NodeDifference*> NodesByPlace(const ImageDiff& diff);

}  // namespace kalvire::editor
