#pragma once
// What the package builder gets from the editor, from a finished export or
// from the package wizard. The builder lives outside the editor's library;
// the program that links it installs the handler. Without one, packaging is
// not offered. Exceptions the handler throws are shown as an error message.

#include "platform/textlines.h"

#include <functional>
#include <string>

class TVLProject;

// Lists and folder names are ANSI, the folders native.
struct TPackageRequest {
    TStrings ObjectFiles;     // relative to ObjectSource, "\" inside
    TStrings RouteFiles;      // relative to the route folder
    std::string ObjectSource; // where the object files come from; empty: the object library
    std::string RouteDir;     // the route's sub-folder in the package
    TVLProject* Project = nullptr;
    std::string RouteName;
    std::string PicturePath;
    std::string Author;
    std::string Homepage;
    std::string Description;
    std::string Root; // the program folder, with trailing separator
    std::string Credits;
};

using TPackageHandler = std::function<void(const TPackageRequest&)>;
void SetPackageHandler(TPackageHandler handler);
bool HasPackageHandler();
// Hands the request to the handler; false (with the error shown) when there
// is none or it failed.
bool RunPackageHandler(const TPackageRequest& request);
