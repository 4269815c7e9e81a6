#pragma once
// The route package: the installer program, then the ZIP archive, then the
// trailer. The trailer is the marker "$VLPKG$", the installer's length in
// ASCII decimal digits, one NUL byte and the tag "VlIntExt":
//
//   offset 0           L bytes   installer program, unchanged
//   L                  Z bytes   ZIP archive (offsets count from its own start)
//   L + Z              7         "$VLPKG$"
//   L + Z + 7          D         L in decimal, no sign, no leading zeros
//   L + Z + 7 + D      1         NUL
//   L + Z + 8 + D      8         "VlIntExt"
//
// The installer looks for the marker only among the last 30 bytes and reads
// at most 8 digits, so L must stay below 100000000.

#include <cstdint>
#include <string>

inline constexpr char PackageMarker[] = "$VLPKG$";
inline constexpr char PackageTag[] = "VlIntExt";
inline constexpr std::uint64_t PackageMaxInstallerSize = 99999999;

// The trailer bytes that follow the archive for an installer of the given
// size: "$VLPKG$" + decimal size + NUL + "VlIntExt".
std::string PackageTrailer(std::uint64_t installerSize);

// Appends to Target (which must exist): the whole of Source unless Source is
// "0"; then, when Tag is "0", "$VLPKG$" + Target's size before this call in
// decimal + NUL; otherwise the characters of Tag. Raises std::runtime_error
// when a file cannot be opened, read or written, or when the marker would
// carry more than 8 digits (the installer could not read it).
void JoinPackageFiles(const std::string& Target, const std::string& Source, const std::string& Tag);
