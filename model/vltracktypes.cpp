#include "model/vltracktypes.h"

#include "model/vltrackdef.h"
#include "platform/paths.h"

const TStrings& TVLTrackTypes::DefaultLines()
{
    static const TStrings lines = {
        "tracks\\track0.b3d,2",
        "\"tracks\\brown.b3d\",0,1000,\"tracks\\brown1000.b3d\",500,\"tracks\\brown500.b3d\",150,"
        "\"tracks\\brown150.b3d\",-1000,\"tracks\\brown-1000.b3d\",-500,\"tracks\\brown-500.b3d\",-150,"
        "\"tracks\\brown-150.b3d\"",
        "\"tracks\\brown_overhead.b3d\",2,1000,\"tracks\\brown1000_overhead.b3d\",500,"
        "\"tracks\\brown500_overhead.b3d\",150,\"tracks\\brown150_overhead.b3d\",-1000,"
        "\"tracks\\brown-1000_overhead.b3d\",-500,\"tracks\\brown-500_overhead.b3d\",-150,"
        "\"tracks\\brown-150_overhead.b3d\"",
        "\"tracks\\grey.b3d\",2,1000,\"tracks\\grey1000.b3d\",500,\"tracks\\grey500.b3d\",150,"
        "\"tracks\\grey150.b3d\",-1000,\"tracks\\grey-1000.b3d\",-500,\"tracks\\grey-500.b3d\",-150,"
        "\"tracks\\grey-150.b3d\"",
        "\"tracks\\grey_overhead.b3d\",2,1000,\"tracks\\grey1000_overhead.b3d\",500,"
        "\"tracks\\grey500_overhead.b3d\",150,\"tracks\\grey150_overhead.b3d\",-1000,"
        "\"tracks\\grey-1000_overhead.b3d\",-500,\"tracks\\grey-500_overhead.b3d\",-150,"
        "\"tracks\\grey-150_overhead.b3d\"",
        "tracks\\dark.b3d,3",
        "tracks\\dark_overhead.b3d,3",
        "tracks\\bridgetrack.b3d,6",
        "tracks\\bridgetrack_overhead.b3d,6",
    };
    return lines;
}

std::string TVLTrackTypes::FilePath(const std::string& programFolder)
{
    return ResolvePathCase(IncludeTrailingPathDelimiter(ToNativePath(programFolder)) + "trackdef.dat");
}

TVLTrackTypes::TVLTrackTypes() : TrackDefinitions(DefaultLines())
{
}

bool TVLTrackTypes::Load(const std::string& programFolder)
{
    std::string path = FilePath(programFolder);
    LoadError.clear();
    if (FileExists(path)) {
        TStrings lines;
        if (LoadLines(path, lines)) {
            TrackDefinitions = std::move(lines);
            UsingDefaults = false;
            return true;
        }
        LoadError = "The track types file " + path + " cannot be read; the default track types are used.";
    }
    TrackDefinitions = DefaultLines();
    UsingDefaults = true;
    return false;
}

bool TVLTrackTypes::Save(const std::string& programFolder) const
{
    return SaveLines(FilePath(programFolder), TrackDefinitions);
}

void TVLTrackTypes::FillTrackNames(TStrings& strings) const
{
    strings.clear();
    for (std::size_t i = 0; i < TrackDefinitions.size(); ++i)
        strings.push_back(std::to_string(i) + "=" + TVLTrackDefinition::CreateFromLine(TrackDefinitions[i]).StraightFile);
}

void TVLTrackTypes::GetTrackObject(int typeIndex, std::int32_t radius, std::string& fileName) const
{
    fileName.clear();
    if (typeIndex >= 0 && typeIndex < Count())
        fileName = TVLTrackDefinition::CreateFromLine(TrackDefinitions[static_cast<std::size_t>(typeIndex)])
                       .GetFileForRadius(radius);
}

std::string TVLTrackTypes::GetTrackObject(int typeIndex, std::int32_t radius) const
{
    std::string fileName;
    GetTrackObject(typeIndex, radius, fileName);
    return fileName;
}

int TVLTrackTypes::IndexOfObjectFile(std::string_view name) const
{
    for (std::size_t i = 0; i < TrackDefinitions.size(); ++i) {
        TVLTrackDefinition def = TVLTrackDefinition::CreateFromLine(TrackDefinitions[i]);
        if (SameText(def.StraightFile, name))
            return static_cast<int>(i);
        for (const auto& c : def.Curves)
            if (SameText(c.FileName, name))
                return static_cast<int>(i);
    }
    return -1;
}

int TVLTrackTypes::GetRunSound(std::string_view objectFile) const
{
    int i = IndexOfObjectFile(objectFile);
    if (i < 0)
        return 0;
    return TVLTrackDefinition::CreateFromLine(TrackDefinitions[static_cast<std::size_t>(i)]).RunSound;
}
