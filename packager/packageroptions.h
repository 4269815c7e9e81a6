#pragma once
// The two settings the packager reads: the BVE folder and the object
// library's folder name. The editor's options window holds them; it hands
// itself to the packager through SetPackagerOptions at start-up. Without
// that, the values come from "set.ini" in the program folder (section
// Settings, keys BVE_Folder and ObjectFolder, the latter "lib" by default).

#include <string>

class TPackagerOptions {
public:
    virtual ~TPackagerOptions() = default;
    // The simulator's folder, without trailing separator.
    virtual std::string BveFolder() const = 0;
    // The object library's folder name, relative to the program folder
    // (ANSI, as the settings file and the options window hold it).
    virtual std::string GetObjectFolder() const = 0;
};

// The options in use; never null. SetPackagerOptions(nullptr) returns to the
// settings file. The object is not owned.
TPackagerOptions& PackagerOptions();
void SetPackagerOptions(TPackagerOptions* options);
