// Where the main view's child controls sit, in client pixels (left, top, right, bottom), and
// their texts. The access-level label and combo share the place of the optimal-option label
// and combo; only the latter pair is shown.
#pragma once

#include <QRect>

namespace kalvire::ui::layout {

constexpr QRect FromEdges(int left, int top, int right, int bottom) {
  return QRect(left, top, right - left, bottom - top);
}

inline constexpr QRect kSetupTree = FromEdges(20, 25, 400, 650);
inline constexpr QRect kDmiTree = FromEdges(430, 200, 900, 400);
inline constexpr QRect kTrackLog = FromEdges(430, 440, 900, 620);
inline constexpr QRect kDmiTablesLabel = FromEdges(430, 170, 550, 190);
inline constexpr QRect kHideRadio = FromEdges(660, 58, 720, 70);
inline constexpr QRect kShowRadio = FromEdges(740, 58, 800, 70);
inline constexpr QRect kTrackLogLabel = FromEdges(430, 410, 550, 430);
inline constexpr QRect kFullTrackLogButton = FromEdges(600, 625, 720, 650);
inline constexpr QRect kSaveTrackLogButton = FromEdges(740, 625, 850, 650);
inline constexpr QRect kImportButton = FromEdges(470, 625, 580, 650);
inline constexpr QRect kBiosMenuLabel = FromEdges(20, 3, 110, 20);
inline constexpr QRect kVisibilityLabel = FromEdges(660, 25, 820, 43);
inline constexpr QRect kAccessLevelLabel = FromEdges(470, 25, 620, 43);
inline constexpr QRect kDeleteButton = FromEdges(830, 133, 887, 158);
// A drop-down list's rectangle includes its open list; the closed box takes the top of it.
inline constexpr QRect kAccessLevelCombo = FromEdges(470, 58, 620, 158);
inline constexpr QRect kDeleteOptionCombo = FromEdges(660, 133, 820, 222);
inline constexpr QRect kOptimalOptionLabel = FromEdges(470, 25, 620, 43);
inline constexpr QRect kOptimalOptionCombo = FromEdges(470, 58, 620, 158);

// The part of the view in which a right-click opens the setup tree's "Edit" menu.
inline constexpr QRect kContextMenuArea = FromEdges(20, 25, 600, 600);
// Where the menu opens when it is asked for from the keyboard.
inline constexpr QPoint kKeyboardMenuPoint{5, 5};

inline constexpr int kTrackLogExtent = 5000;

}  // namespace kalvire::ui::layout
