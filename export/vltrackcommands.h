#pragma once
// The track commands of a BVE route file, one text line each, and the list
// that collects them while the main and secondary tracks are written.
//
// Every line begins with its position in metres (dot-decimal form) and
// ", ."; the command follows. Rail R is the BVE rail number, 0 for the main
// track. Whole numbers are plain decimal, the others dot-decimal.

#include "platform/textlines.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace TrackCommands {

std::string Curve(double p, double radius, double cant);
std::string FogOn(double p, int fog);
std::string FogOff(double p);
std::string Adhesion(double p, int adhesion);
std::string Limit(double p, int speedLimit);
std::string Back(double p, int index);
std::string Ground(double p, int index);
std::string Announce(double p, std::string_view subDir, std::string_view waveFile);
// Doors: -1 open on the left, 1 on the right, 0 on both sides.
std::string Station(double p, std::string_view name, std::string_view arrival, std::string_view departure,
                    int doors = -1);
std::string Stop(double p, int n);
std::string FreeObj(double p, int rail, int index, double x, double y, double yaw);
std::string RailType(double p, int rail, int index, double height);
std::string Form(double p, int rail, char side, int roofIndex, int platformIndex);
// A track position in metres as the route file writes it: the short
// five-digit form below 100 km, plain decimal (no exponent) from there on.
std::string Position(double p);
std::string Pole(double p, int rail, int location, int poleIndex);
std::string PoleEnd(double p, int rail);
std::string Wall(double p, int rail, int direction, int index);
std::string WallEnd(double p, int rail);
std::string Dike(double p, int rail, int direction, int index);
std::string DikeEnd(double p, int rail);
// X is written as given; the caller zeroes a starting rail's small offset.
// The id of the project's track follows as a comment.
std::string Rail(double p, int rail, double x, double y, int index, int id);
// X below 1.5 in absolute value is written as 0.
std::string RailEnd(double p, int rail, double x);
// The start of every rail command of a rail at a position: P ", .rail " R ";".
std::string RailPrefix(double p, int rail);

// A station time: hour of the day plus minutes / 100 ("9.05000" for 9:05).
std::string StationTime(long long secondsOfDay);

} // namespace TrackCommands

// The position of a command line: its first comma-separated field, trimmed,
// read as a dot-decimal number.
double TrackCommandPosition(std::string_view line);

// -1, 0 or +1 by the positions of two command lines; equal positions compare
// equal.
int CompareTrackCommands(std::string_view a, std::string_view b);

// Sorts command lines by position. Lines of one position keep the order in
// which they were produced, so a rail is always laid before the objects and
// ends that name it at the same position.
void SortTrackCommands(TStrings& lines);

// The track commands in the order produced. Lines can be looked up and taken
// out again by their exact text, and rail commands by their rail prefix,
// without scanning the whole list: a long route holds tens of thousands.
class TTrackCommandList {
public:
    void Add(std::string line);
    // Takes out the first line equal to Line; false when there is none.
    bool Remove(const std::string& line);
    bool Contains(const std::string& line) const;
    // The first rail command of a rail at a position, or nullptr.
    const std::string* FindRail(double p, int rail) const;
    // The lines still held, in the order produced.
    TStrings Lines() const;
    std::size_t Count() const { return count_; }

private:
    std::vector<std::string> lines_;
    std::vector<bool> alive_;
    std::unordered_map<std::string, std::vector<std::size_t>> byText_;
    std::unordered_map<std::string, std::size_t> railByPrefix_;
    std::size_t count_ = 0;
};
