// Runs the route writer on a project file, as the export dialog does, and
// writes the route file, the credits file and the file list into a folder.
//
//   vlexport_tool PROJECT.vlp OUTDIR [options]
//     --route N        index of the route definition (default 0)
//     --start NAME     start station (default: first station of the route)
//     --dest NAME      destination station (default: second station of the route)
//     --time HH:MM     departure time (default 09:00)
//     --train NAME     train folder (default "train")
//     --sub NAME       sub-folder (default "route")
//     --name NAME      route file name without ".csv" (default "route")
//     --program DIR    program folder holding the object library (default: the sample)
//     --nosmooth       no track layout smoothing
//     --beyond M, --maxcurve R, --mincurve R, --curvedsecondary   export options
//     --check          check the route file as a simulator reads it (and, with
//                      --beyond, that the track runs that far past the last stop)
//
// Writes (on success) OUTDIR/NAME.csv, OUTDIR/NAME_credits.txt, OUTDIR/filelist.txt and
// OUTDIR/status.txt (and OUTDIR/check.txt with --check). Exit code 0 when the
// export completed, 1 when it stopped with a message, 2 for bad arguments, 3
// when the check found problems.

#include "tests/export/vlexport_tool/exportrun.h"
#include "tests/export/vlexport_tool/routecheck.h"

#include "export/vlexport.h"
#include "model/vlproject.h"
#include "platform/paths.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class TConsoleProgress : public TNullExportProgress {
public:
    void ShowError(const std::string& text) override { std::fprintf(stderr, "error: %s\n", text.c_str()); }
};

class TKeyMessages : public IMessageLookup {
public:
    std::string GetMessage(const std::string& key) const override { return "[" + key + "]"; }
};

long long ParseTime(const std::string& text)
{
    int h = 0, m = 0;
    if (std::sscanf(text.c_str(), "%d:%d", &h, &m) == 2 && h >= 0 && h < 24 && m >= 0 && m < 60)
        return h * 3600LL + m * 60LL;
    return 9 * 3600LL;
}

int Usage()
{
    std::fprintf(stderr, "usage: vlexport_tool PROJECT.vlp OUTDIR [--route N] [--start NAME] [--dest NAME] "
                         "[--time HH:MM] [--train NAME] [--sub NAME] [--name NAME] [--program DIR] [--nosmooth] "
                         "[--beyond M] [--maxcurve R] [--mincurve R] [--curvedsecondary] [--check]\n");
    return 2;
}

} // namespace

int RunVlExportTool(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    std::string projectFile = argv[1];
    std::string outDir = argv[2];
    int routeIndex = 0;
    std::string start, dest, train = "train", sub = "route", name = "route";
    std::string programDir = std::string(VELKAST_SOURCE_DIR) + "/sample/program";
    long long time = 9 * 3600;
    bool smoothing = true;
    bool check = false;
    double beyond = 0;
    TDefaultExportSettings settings;
    for (int i = 3; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (a == "--route")
            routeIndex = std::atoi(next().c_str());
        else if (a == "--start")
            start = next();
        else if (a == "--dest")
            dest = next();
        else if (a == "--time")
            time = ParseTime(next());
        else if (a == "--train")
            train = next();
        else if (a == "--sub")
            sub = next();
        else if (a == "--name")
            name = next();
        else if (a == "--program")
            programDir = next();
        else if (a == "--nosmooth")
            smoothing = false;
        else if (a == "--beyond")
            beyond = settings.DistanceBeyondLastValue = std::atoi(next().c_str());
        else if (a == "--maxcurve")
            settings.MaxCurveSmoothValue = std::atoi(next().c_str());
        else if (a == "--mincurve")
            settings.MinCurveSmoothValue = std::atoi(next().c_str());
        else if (a == "--curvedsecondary")
            settings.CurvedSecondaryValue = true;
        else if (a == "--check")
            check = true;
        else
            return Usage();
    }

    SetProgramFolder(IncludeTrailingPathDelimiter(programDir));
    ObjectsRoot = IncludeTrailingPathDelimiter(programDir) + settings.ObjectFolderValue + "/";
    TVLProject project;
    if (!project.LoadFromFile(projectFile)) {
        std::fprintf(stderr, "error: %s\n", ProjectLoadFailure(projectFile, project.LoadError).c_str());
        return 2;
    }

    // The dialog offers the stations of the route definition; take the first
    // two when none are named.
    TStrings names;
    if (TVLRouteDefinition* rd = project.RouteDefinitions.Items(routeIndex))
        project.GetStationsOfRoute(rd, names);
    if (start.empty() && !names.empty())
        start = names[0];
    if (dest.empty() && names.size() > 1)
        dest = names[1];

    TConsoleProgress progress;
    TKeyMessages messages;
    TExportServices services;
    services.Progress = &progress;
    services.Settings = &settings;
    services.Messages = &messages;
    services.ProgramFolder = programDir;
    TVLExport_Mod writer(smoothing, services);
    TStrings output, fileList, status;
    writer.Project = &project;
    writer.Output = &output;
    writer.FileList = &fileList;
    writer.Status = &status;
    for (TVLStation* s : project.Stations) {
        if (s->Name == start)
            writer.StartStation = s;
        if (s->Name == dest)
            writer.DestStation = s;
    }
    writer.DepartureTime = time;
    bool done = writer.Export(train, sub, routeIndex);

    TStrings credits = {"credits -- freeobject artists", "used with kind permission/free-to-use-donations/",
                        "by velkast object base library agreement",
                        "-------------------------------------------------------------"};
    credits.insert(credits.end(), writer.Credits.begin(), writer.Credits.end());
    ForceDirectories(outDir);
    // A failed export leaves the route files of an earlier one as they are;
    // each file is replaced whole (written beside it, then renamed).
    bool saved = SaveLines(outDir + "/status.txt", status);
    if (done)
        saved = saved && SaveLines(outDir + "/" + name + ".csv", output) &&
                SaveLines(outDir + "/" + name + "_credits.txt", credits) &&
                SaveLines(outDir + "/filelist.txt", fileList);
    if (!saved) {
        std::fprintf(stderr, "cannot write into %s\n", outDir.c_str());
        return 2;
    }
    if (!done)
        return 1;
    if (check) {
        std::vector<std::string> problems = CheckRoute(
            output, fileList, IncludeTrailingPathDelimiter(programDir) + settings.ObjectFolderValue, sub, beyond);
        SaveLines(outDir + "/check.txt", problems);
        for (const auto& p : problems)
            std::fprintf(stderr, "%s\n", p.c_str());
        if (!problems.empty())
            return 3;
    }
    return 0;
}
