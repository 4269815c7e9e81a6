#include "model/vltrackdef.h"

#include "model/vlhelpers.h"

TVLTrackDefinition TVLTrackDefinition::CreateFromLine(std::string_view text)
{
    TVLTrackDefinition def;
    TStrings items = CommaTextToList(text);
    if (items.size() < 2)
        return def;
    def.StraightFile = RemoveQuotes(items[0]);
    def.RunSound = StrToIntDef(items[1], 0);
    std::size_t pairs = (items.size() - 2) / 2;
    for (std::size_t i = 0; i < pairs; ++i)
        def.AddCurve(StrToIntDef(items[2 + 2 * i], 0), RemoveQuotes(items[3 + 2 * i]));
    return def;
}

void TVLTrackDefinition::AddCurve(std::int32_t radius, const std::string& fileName)
{
    Curves.push_back(TVLTrackCurveDefinition{radius, fileName});
}

std::string TVLTrackDefinition::SaveToString() const
{
    std::string s = "\"" + StraightFile + "\"," + std::to_string(RunSound);
    for (const auto& c : Curves)
        s += "," + std::to_string(c.Radius) + ",\"" + c.FileName + "\"";
    return s;
}

std::string TVLTrackDefinition::GetFileForRadius(std::int32_t radius) const
{
    if (radius == 0)
        return StraightFile;
    const TVLTrackCurveDefinition* best = nullptr;
    for (const auto& c : Curves) {
        if (radius > 0) {
            if (c.Radius > 0 && c.Radius >= radius && (!best || c.Radius < best->Radius))
                best = &c;
        } else {
            if (c.Radius < 0 && c.Radius <= radius && (!best || c.Radius > best->Radius))
                best = &c;
        }
    }
    return best ? best->FileName : StraightFile;
}
