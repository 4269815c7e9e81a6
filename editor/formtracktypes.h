#pragma once
// The track types window. It holds the program's one track-type table from
// start to end: FormCreate (run by the constructor) loads "trackdef.dat" from
// the program folder, or takes the nine built-in types when the file is
// missing. The track properties and replace dialogs and the route writer ask
// it for track names, rail objects and run sounds; the editing page of the
// dialog builds on this window.

#include "model/vltracktypes.h"

#include <QDialog>
#include <QStringList>

#include <cstdint>
#include <string>
#include <string_view>

class TFormTrackTypes : public QDialog {
    Q_OBJECT

public:
    explicit TFormTrackTypes(QWidget* parent = nullptr);

    // The table and its lines (one track type per line, index = track type).
    TVLTrackTypes TrackTypes;
    TStrings& TrackDefinitions;

    // Loads the table from the program folder. Returns true when the file
    // was read; otherwise the built-in types are in use and LoadError() tells
    // why when the file exists but could not be read.
    bool FormCreate();
    const std::string& LoadError() const { return TrackTypes.LoadError; }
    // Writes the table to the program folder's "trackdef.dat".
    bool SaveTrackDefinitions() const;

    // "<index>=<straight object file>" per type (ANSI bytes, or UTF-8 for
    // the widgets).
    void FillTrackNames(TStrings& strings) const;
    void FillTrackNames(QStringList& strings) const;
    // The type's object file for a curve radius; empty for a type outside
    // the table.
    void GetTrackObject(int typeIndex, std::int32_t radius, std::string& fileName) const;
    // The first type that uses the object file, -1 when none (case ignored).
    int IndexOfObjectFile(std::string_view name) const;
    // The run sound of that type, 0 when no type uses the file.
    int GetRunSound(std::string_view objectFile) const;
};

extern TFormTrackTypes* FormTrackTypes;
