// The route, train, structure and texture sections of the route file, the
// name registries behind the structure indexes, and the collection of
// library files and object authors.

#include "export/vlexport.h"

#include "model/vlobject.h"
#include "model/vlproject.h"
#include "model/vlroutedefinition.h"
#include "platform/paths.h"

#include <algorithm>

const char* const VelkastHomepage = "http://velkast.example/";

// Texts from the project go into command arguments. A comma would end the
// expression and a line break the line, so they are spelled as $chr() calls,
// which the simulator's preprocessor turns back into them; so is "$", which
// would otherwise begin such a call ("Preis $Chr(36)" would read "Preis $").
// The preprocessor runs before the arguments are split at ";", so no
// spelling carries a semicolon: it becomes its look-alike, a comma.
std::string RouteText(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
            out += "$chr(13)$chr(10)";
        } else if (c == ',') {
            out += "$chr(44)";
        } else if (c == ';') {
            out += "$chr(44)";
        } else if (c == '$') {
            out += "$chr(36)";
        } else {
            out += c;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// Registries

int TNameRegistry::IndexOf(const std::string& name)
{
    std::string key = AnsiUpperCase(name);
    auto it = FIndex.find(key);
    if (it != FIndex.end())
        return it->second;
    int index = static_cast<int>(Entries.size());
    Entries.push_back(name);
    FIndex.emplace(std::move(key), index);
    return index;
}

void TNameRegistry::Clear()
{
    Entries.clear();
    FIndex.clear();
}

int TVLExport_Mod::RailIndex(int trackType, int radius)
{
    return RailFiles.IndexOf(TrackObject(trackType, radius));
}

int TVLExport_Mod::GroundIndex(int id)
{
    return GroundFiles.IndexOf(GroundCatalog->GetFileName(id));
}

int TVLExport_Mod::BackgroundIndex(int id)
{
    return BackgroundFiles.IndexOf(BackgroundCatalog->GetFileName(id));
}

int TVLExport_Mod::WallIndex(int id)
{
    return WallFiles.IndexOf(WallCatalog->GetFileName(id));
}

int TVLExport_Mod::PlatformIndex(int id)
{
    return PlatformFiles.IndexOf(PlatformCatalog->GetFileName(id));
}

int TVLExport_Mod::RoofIndex(int id)
{
    return RoofFiles.IndexOf(RoofCatalog->GetFileName(id));
}

int TVLExport_Mod::PoleIndex(int id)
{
    return PoleFiles.IndexOf(PoleCatalog->GetFileName(id));
}

int TVLExport_Mod::FreeObjIndex(const std::string& folder, const std::string& file)
{
    return FreeObjFiles.IndexOf(folder + "|" + file);
}

// ---------------------------------------------------------------------------
// Files and credits

void TVLExport_Mod::AddFileOnce(const std::string& entry)
{
    if (!FileList)
        return;
    if (FFileListKeys.insert(AnsiUpperCase(entry)).second)
        FileList->push_back(entry);
}

bool TVLExport_Mod::LibraryFileExists(const std::string& folder, const std::string& file) const
{
    if (file.empty())
        return false;
    return FileExists(DiskPath(FLibraryFolder, folder + "\\" + file));
}

void TVLExport_Mod::AddObjectFiles(const std::string& folder, const std::string& file)
{
    TVLObject object(folder, file);
    TStrings textures;
    object.GetTextureFiles(textures);
    AddFileOnce(folder + "\\" + file);
    if (!LibraryFileExists(folder, file)) {
        std::string name = folder + "\\" + file;
        if (FMissingReported.insert(AnsiUpperCase(name)).second)
            AddStatus("missing library file: " + name);
    }
    for (const auto& t : textures)
        AddFileOnce(folder + "\\" + t);
}

void TVLExport_Mod::AddCredit(const std::string& author)
{
    if (author.empty() || !FCreditKeys.insert(AnsiUpperCase(author)).second)
        return;
    auto less = [](const std::string& a, const std::string& b) { return AnsiUpperCase(a) < AnsiUpperCase(b); };
    Credits.insert(std::upper_bound(Credits.begin(), Credits.end(), author, less), author);
}

// ---------------------------------------------------------------------------
// Sections

void TVLExport_Mod::WriteHeader(TStrings& lines)
{
    SetStatusText("Writing header...");
    SetProgress(5);
    FreeObjCount = 0;
    std::string caption = RouteText(RouteDefinition->GetCaption());
    const std::string crlf = "$chr(13)$chr(10)";
    lines.push_back(std::string(";made with Velkast 1.0 (2003-04-21) - visit ") + VelkastHomepage);
    lines.push_back("with Route");
    lines.push_back(".Comment \"" + caption + "\"" + crlf + RouteText(Project->Description) + crlf +
                    "Created by " + RouteText(Project->Author) + crlf + "-----------------------" + crlf +
                    "Made with Velkast");
    lines.push_back(".Timetable " + caption);
    lines.push_back(".Change 0");
    lines.push_back(".Gauge " + std::to_string(Project->Gauge));
    lines.push_back(".DeveloperId " + std::to_string(Project->DeveloperId));
    lines.push_back("");
    SetProgress(15);
}

void TVLExport_Mod::WriteTrain(TStrings& lines, const std::string& trainName)
{
    SetStatusText("Writing train...");
    lines.push_back("with Train");
    lines.push_back(".Folder " + trainName);
    for (int i = 0; i < RailFiles.Count(); ++i)
        lines.push_back(".Run(" + std::to_string(i) + ") " + std::to_string(RunSound(RailFiles.Entries[i])));
    lines.push_back("");
}

void TVLExport_Mod::WriteStructureStart(TStrings& lines)
{
    SetStatusText("Writing objects...");
    SetProgress(35);
    lines.push_back("with Structure");
    RailFiles.Clear();
    GroundFiles.Clear();
    WallFiles.Clear();
    BackgroundFiles.Clear();
    FreeObjFiles.Clear();
    PlatformFiles.Clear();
    RoofFiles.Clear();
    PoleFiles.Clear();
    // Roof index 0 stays with roof id 0, which the catalog leaves undefined:
    // platforms without a roof name index 0, and the simulator builds none.
    RoofIndex(0);
    lines.push_back("###objectdef_placeholder###");
    StopSignIndex = -1;
    std::string stopSign = GetValue(Project->DefaultObjects, "stopsign");
    if (!stopSign.empty()) {
        std::string folder = GetToken(stopSign, "\\", 1);
        std::string file = GetToken(stopSign, "\\", 2);
        if (LibraryFileExists(folder, file))
            StopSignIndex = FreeObjIndex(folder, file);
        else {
            AddStatus("missing stop sign object: " + stopSign);
            LeftOut.push_back(stopSign);
        }
    }
    lines.push_back("");
    SetProgress(40);
}

void TVLExport_Mod::WriteStructureDefinitions(TStrings& lines)
{
    const std::string& sub = SubDir;
    auto def = [&](const std::string& command, int i, const std::string& path) {
        lines.push_back("." + command + "(" + std::to_string(i) + ") " + sub + "\\" + path);
    };

    for (int i = 0; i < RailFiles.Count(); ++i) {
        const std::string& f = RailFiles.Entries[i];
        def("rail", i, f);
        AddObjectFiles(GetToken(f, "\\", 1), GetToken(f, "\\", 2));
    }
    for (int i = 0; i < GroundFiles.Count(); ++i) {
        const std::string& f = GroundFiles.Entries[i];
        def("ground", i, "grounds\\" + f);
        AddObjectFiles("grounds", f);
    }
    for (int i = 0; i < WallFiles.Count(); ++i) {
        const std::string& f = WallFiles.Entries[i];
        def("wallL", i, "walls\\" + f + "_l.b3d");
        def("dikeL", i, "walls\\" + f + "_l.b3d");
        def("wallR", i, "walls\\" + f + "_r.b3d");
        def("dikeR", i, "walls\\" + f + "_r.b3d");
        AddObjectFiles("walls", f + "_l.b3d");
        AddObjectFiles("walls", f + "_r.b3d");
    }
    static const char* const formKinds[4][2] = {{"formr", "r.b3d"}, {"forml", "l.b3d"}, {"formcr", "cr.b3d"},
                                                {"formcl", "cl.b3d"}};
    for (int i = 0; i < PlatformFiles.Count(); ++i) {
        const std::string& f = PlatformFiles.Entries[i];
        for (const auto& k : formKinds) {
            def(k[0], i, "platforms\\" + f + k[1]);
            AddObjectFiles("platforms", f + k[1]);
        }
    }
    static const char* const roofKinds[4][2] = {{"roofr", "r.b3d"}, {"roofl", "l.b3d"}, {"roofcr", "cr.b3d"},
                                                {"roofcl", "cl.b3d"}};
    for (int i = 0; i < RoofFiles.Count(); ++i) {
        const std::string& f = RoofFiles.Entries[i];
        if (f.empty())
            continue;
        for (const auto& k : roofKinds) {
            def(k[0], i, "platforms\\" + f + k[1]);
            AddObjectFiles("platforms", f + k[1]);
        }
    }
    for (int i = 0; i < PoleFiles.Count(); ++i) {
        const std::string& f = PoleFiles.Entries[i];
        lines.push_back(".pole(0;" + std::to_string(i) + ") " + sub + "\\poles\\" + f);
        AddObjectFiles("poles", f);
    }
    for (int i = 0; i < FreeObjFiles.Count(); ++i) {
        const std::string& f = FreeObjFiles.Entries[i];
        TVLObject object(GetToken(f, "|", 1), GetToken(f, "|", 2));
        TStrings authors;
        object.GetAuthors(authors);
        for (const auto& a : authors)
            AddCredit(a);
        def("freeobj", i, object.GetRelativePath());
        AddObjectFiles(object.Folder, object.FileName);
    }
    lines.push_back("");
    lines.push_back("with Texture");
    for (int i = 0; i < BackgroundFiles.Count(); ++i) {
        const std::string& f = BackgroundFiles.Entries[i];
        lines.push_back("texture.background(" + std::to_string(i) + ") " + sub + "\\backgrounds\\" + f);
        if (FileList)
            FileList->push_back("backgrounds\\" + f);
        FFileListKeys.insert(AnsiUpperCase("backgrounds\\" + f));
    }
}
