#include "model/vlstation.h"

#include "model/vlhelpers.h"

int TVLStation::GetPlatformTrack(std::string_view platformNo) const
{
    int i = IndexOfName(Lines, platformNo);
    if (i < 0)
        return -1;
    return StrToIntDef(ValueOfLine(Lines[static_cast<std::size_t>(i)]), -1);
}

void TVLStation::GetPlatforms(TStrings& strings) const
{
    strings.clear();
    for (const auto& l : Lines)
        strings.push_back(NameOfLine(l));
}

bool TVLStation::RemovePlatform(std::string_view platformNo)
{
    int i = IndexOfName(Lines, platformNo);
    if (i >= 0)
        Lines.erase(Lines.begin() + i);
    return false;
}

bool TVLStation::UsesTrack(int trackId) const
{
    std::string id = std::to_string(trackId);
    for (const auto& l : Lines) {
        if (l.find('=') == std::string::npos)
            continue;
        if (GetValue(Lines, NameOfLine(l)) == id)
            return true;
    }
    return false;
}

std::string TVLStation::SaveToString() const
{
    std::string s = "\"";
    for (char c : Name) {
        if (c == '"')
            s += '"';
        s += c;
    }
    s += '"';
    if (!Lines.empty()) {
        s += ',';
        s += ListToCommaText(Lines);
    }
    return s;
}

bool TVLStation::LoadFromString(std::string_view text)
{
    TStrings items = CommaTextToList(text);
    if (items.empty())
        return false;
    Name = std::move(items.front());
    items.erase(items.begin());
    Lines = std::move(items);
    return true;
}
