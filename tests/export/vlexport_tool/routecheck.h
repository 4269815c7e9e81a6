#pragma once
// Checks a written route file the way a BVE-compatible simulator reads it:
// every structure index used on the track is defined, every file named is in
// the file list and exists in the object library, secondary rails are 1..15
// and run from a rail command to their rail end, a pole end follows a pole, stops follow their station,
// times are valid h.mmss with at most four decimals and positions never negative nor out of order.
// Expressions are read as the simulator reads them: one starting with ";" is a
// comment, $chr() calls are expanded before the arguments are split at ";", and
// a rail command takes no fifth argument but the literal "id=0".

#include "platform/textlines.h"

#include <string>
#include <vector>

// An expression's $chr() calls expanded as the simulator does; Unsupported
// receives the first other "$" call found (empty when none).
std::string ExpandRouteText(const std::string& text, std::string* unsupported = nullptr);

// Route file lines, the writer's file list, the object library folder (native
// path) and the sub-folder the route was written with. Returns one sentence
// per problem found; empty when the route is sound.
std::vector<std::string> CheckRoute(const TStrings& route, const TStrings& fileList, const std::string& libraryFolder,
                                    const std::string& subDir);
