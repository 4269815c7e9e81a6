#pragma once
// What the route writer needs from the editor's windows, as small interfaces:
// the export dialog's status caption and two progress bars, the export
// options of the settings window, the track-type table, and the message
// lookup of the language file. The editor passes its windows through these;
// tests and the command-line tool pass the plain implementations below.

#include <string>

// The export dialog's progress page.
class IExportProgress {
public:
    virtual ~IExportProgress() = default;
    // The caption ExportStatusText.
    virtual void SetStatusText(const std::string& text) = 0;
    // The bar ExportStatusProgress, 0..100.
    virtual void SetStatusProgress(int percent) = 0;
    // The bar ProgressBar2, 0..100.
    virtual void SetProgress2(int percent) = 0;
    // Lets the user interface process pending messages between steps.
    virtual void ProcessMessages() = 0;
    // A modal error box with the single button Cancel.
    virtual void ShowError(const std::string& text) = 0;
};

// The export options held by the settings window.
class IExportSettings {
public:
    virtual ~IExportSettings() = default;
    // Metres of track written beyond the destination station.
    virtual int DistanceBeyondLast() const = 0;
    // Radius in metres above which smoothed curves are written straight.
    virtual int MaxCurveSmooth() const = 0;
    // Shortest smoothed curve radius in metres.
    virtual int MinCurveSmooth() const = 0;
    // Secondary tracks follow their own curves.
    virtual bool CurvedSecondary() const = 0;
    // The object library's folder name relative to the program folder.
    virtual std::string GetObjectFolder() const = 0;
};

// The track-type table.
class ITrackTypes {
public:
    virtual ~ITrackTypes() = default;
    // The object file ("folder\file") of a track type for a signed radius;
    // empty for a type index outside the table.
    virtual std::string GetTrackObject(int typeIndex, int radius) const = 0;
    // The run-sound number of the track type that uses an object file, 0 if none.
    virtual int GetRunSound(const std::string& objectFile) const = 0;
};

// The message lookup: the text of a message key in the current language file.
class IMessageLookup {
public:
    virtual ~IMessageLookup() = default;
    virtual std::string GetMessage(const std::string& key) const = 0;
};

// ---------------------------------------------------------------------------
// Plain implementations

// Progress that goes nowhere.
class TNullExportProgress : public IExportProgress {
public:
    void SetStatusText(const std::string&) override {}
    void SetStatusProgress(int) override {}
    void SetProgress2(int) override {}
    void ProcessMessages() override {}
    void ShowError(const std::string&) override {}
};

// The settings window's defaults.
class TDefaultExportSettings : public IExportSettings {
public:
    int DistanceBeyondLastValue = 100;
    int MaxCurveSmoothValue = 4000;
    int MinCurveSmoothValue = 150;
    bool CurvedSecondaryValue = false;
    std::string ObjectFolderValue = "lib";

    int DistanceBeyondLast() const override { return DistanceBeyondLastValue; }
    int MaxCurveSmooth() const override { return MaxCurveSmoothValue; }
    int MinCurveSmooth() const override { return MinCurveSmoothValue; }
    bool CurvedSecondary() const override { return CurvedSecondaryValue; }
    std::string GetObjectFolder() const override { return ObjectFolderValue; }
};

// Message lookup without a language file: every key gives "ERROR", as the
// lookup does for a key the file lacks.
class TNoMessages : public IMessageLookup {
public:
    std::string GetMessage(const std::string&) const override { return "ERROR"; }
};
