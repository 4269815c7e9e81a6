#pragma once
// The files of a station sign: the sign's 256-colour palette, the Windows
// bitmap file of the picture, the base file name made from the station name
// and the B3D object that carries the picture on two posts.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The sign picture's size in pixels.
inline constexpr int SignWidth = 256;
inline constexpr int SignHeight = 32;

// Colours as 0xRRGGBB.
using TSignPalette = std::array<std::uint32_t, 256>;

// The 216 colours whose levels are each 0x00, 0x33, 0x66, 0x99, 0xCC or
// 0xFF (red slowest), 14 further greys and darker tones, then black.
const TSignPalette& SignPalette();

// The index of the palette colour nearest to rgb (smallest squared distance
// in red, green and blue; the lowest index among equals).
int NearestSignColour(std::uint32_t rgb);

// An 8-bit Windows bitmap file of SignWidth by SignHeight pixels with the
// sign palette: indices holds the rows top to bottom, SignWidth bytes each.
// 14 + 40 + 1024 + 8192 bytes.
std::string SignBitmapFile(const std::vector<std::uint8_t>& indices);

// "stationsign_" + the station name (UTF-8) in portable letters: ASCII
// letters, digits, "_" and "-" only, lower-cased. Blanks become "_", the
// European letters are spelled out (ä ae, ö oe, ü ue, ß ss, å aa, é e, ł l
// ...), anything else becomes "_". The simulator's loader, every file
// system and the texture line then agree on the name byte for byte.
std::string SignBaseName(const std::string& stationNameUtf8);

// The station name (UTF-8) for the object's description line, in ANSI;
// letters ANSI lacks become "_".
std::string SignDescriptionName(const std::string& stationNameUtf8);

// The object file: the template with every "$s" replaced by the description
// name and every "$n" by the base name, in one pass over the template (a
// "$n" inside the station name stays as typed); lines joined with CR LF.
std::string SignObjectFile(const std::string& descriptionName, const std::string& baseName);

// The object template, one line per entry.
const std::vector<std::string>& SignObjectTemplate();
