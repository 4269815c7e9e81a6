#pragma once
// Checks a written route file the way a BVE-compatible simulator reads it:
// every structure index used on the track is defined, every file named is in
// the file list and exists in the object library, secondary rails are 1..15
// and run from a rail command to their rail end, a pole end follows a pole, stops follow their station,
// times are valid h.mmss with at most four decimals, positions never negative nor out of order, and
// the track runs on past the last stop.
// As the simulator reads them, ";" begins a comment expression, $chr() is expanded
// before arguments split at ";", and a rail's fifth argument can only be "id=0".

#include "platform/textlines.h"

#include <string>
#include <vector>

// $chr() calls expanded; Unsupported receives the first other "$" call.
std::string ExpandRouteText(const std::string& text, std::string* unsupported = nullptr);

// Route file lines, the writer's file list, the object library folder (native
// path) and the sub-folder the route was written with; Beyond, when not 0,
// the metres of track the route must run on past its last stop, less one
// block. Returns one sentence per problem found; empty when the route is
// sound.
std::vector<std::string> CheckRoute(const TStrings& route, const TStrings& fileList, const std::string& libraryFolder,
                                    const std::string& subDir, double beyond = 0);
