#pragma once
// Plakett, the station-sign add-on: its two entry points (declared in
// addons/vladdon.h) and what they keep.

#include "addons/vladdon.h"

// A copy of the host record received by VLAddonInit; zero until then.
extern TAddonHostInfo HostInfo;

// The texts of the information record.
namespace Plakett {
inline constexpr const char* Name = "Plakett";
inline constexpr const char* Author = "The Velkast developers";
inline constexpr const char* Version = "1.0Beta";
inline constexpr const char* Website = "https://velkast.example.org/addons/plakett";
inline constexpr const char* Email = "-";
inline constexpr const char* Description = "Create stations signs (Deutsche Bahnhofschilder)";
inline constexpr const char* Copyright = "Copyright (C) The Velkast developers";
} // namespace Plakett
