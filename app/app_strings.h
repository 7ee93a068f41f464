// The application's own texts: its title (the first part of the window title, of the about box
// caption and of every history text written into an image) and the about box lines.
#pragma once

namespace kalvire::app {

inline constexpr char kApplicationName[] = "KALVIRE";
inline constexpr char kApplicationTitle[] = "KALVIRE 0.1";
inline constexpr char kAboutVersionLine[] = "KALVIRE Version 0.1, released December 2026";
inline constexpr char kAboutNoticeLine[] = "Copyright (C) The KALVIRE developers";

// Where the profile settings live: the registry key the application shell has always used,
// and under it the application's name.
inline constexpr char kSettingsKey[] = "Local AppWizard-Generated Applications";

inline constexpr char kReadyMessage[] = "Ready";

}  // namespace kalvire::app
