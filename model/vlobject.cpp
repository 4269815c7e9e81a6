#include "model/vlobject.h"

#include "model/vlobjectlist.h"

#include "platform/paths.h"

#include <algorithm>
#include <cmath>
#include <numbers>

std::string ObjectsRoot;

TVLObject::TVLObject(std::string_view folder, std::string_view fileName) : Folder(folder), FileName(fileName)
{
    if (folder.empty() && fileName.empty())
        return;
    std::string path = DiskPath(ObjectsRoot, Folder + "\\" + FileName);
    if (FileExists(path) && LoadLines(path, Lines))
        CalcBounds();
}

std::unique_ptr<TVLObject> TVLObject::CreateCopy(const TVLObject& source)
{
    auto o = std::make_unique<TVLObject>(source.Folder, source.FileName);
    o->Rotation = source.Rotation;
    o->Height = source.Height;
    if (!o->Lines.empty())
        o->CalcBounds();
    return o;
}

std::unique_ptr<TVLObject> TVLObject::CreateFromLine(std::string_view text)
{
    std::string folder = RemoveQuotes(GetToken(text, ",", 1));
    std::string fileName = RemoveQuotes(GetToken(text, ",", 2));
    if (folder.empty() && fileName.empty()) {
        folder = "misc";
        fileName = "kuh1.b3d";
    }
    auto o = std::make_unique<TVLObject>(folder, fileName);
    o->X = StrToFloatDot(GetToken(text, ",", 3));
    o->Y = StrToFloatDot(GetToken(text, ",", 4));
    o->Rotation = Round(StrToFloatDot(GetToken(text, ",", 5)));
    o->Height = StrToFloatDot(GetToken(text, ",", 6));
    return o;
}

std::string TVLObject::SaveToString() const
{
    return "\"" + Folder + "\",\"" + FileName + "\"," + FloatToStrDot(X) + "," + FloatToStrDot(Y) + "," +
           FloatToStrDot(Rotation) + "," + FloatToStrDot(Height);
}

std::string TVLObject::GetAuthor() const
{
    return GetValue(Lines, ";author");
}

std::string TVLObject::GetDescription() const
{
    return GetValue(Lines, ";description");
}

std::string TVLObject::GetCopyright() const
{
    return GetValue(Lines, ";copyright");
}

void TVLObject::GetAuthors(TStrings& strings) const
{
    std::string author = GetAuthor();
    for (int i = 1;; ++i) {
        std::string piece = RemoveQuotes(GetToken(author, ",", i));
        if (piece.empty())
            break;
        bool known = std::any_of(strings.begin(), strings.end(), [&](const std::string& s) { return SameText(s, piece); });
        if (!known)
            strings.push_back(piece);
    }
}

void TVLObject::GetTextureFiles(TStrings& strings) const
{
    strings.clear();
    auto less = [](const std::string& a, const std::string& b) { return AnsiUpperCase(a) < AnsiUpperCase(b); };
    for (const auto& l : Lines) {
        if (l.size() < 4 || !SameText(std::string_view(l).substr(0, 4), "load"))
            continue;
        std::string name = GetToken(l, " ", 2);
        auto it = std::lower_bound(strings.begin(), strings.end(), name, less);
        if (it == strings.end() || !SameText(*it, name))
            strings.insert(it, name);
    }
}

void TVLObject::CalcBounds()
{
    MaxX = MaxY = MaxZ = -999.0;
    MinX = MinY = MinZ = 999.0;
    for (const auto& l : Lines) {
        if (l.size() < 6 || !SameText(std::string_view(l).substr(0, 6), "vertex"))
            continue;
        std::string rest = Trim(std::string_view(l).substr(6));
        double x = StrToFloatDot(Trim(GetToken(rest, ",", 1)));
        double y = StrToFloatDot(Trim(GetToken(rest, ",", 2)));
        double z = StrToFloatDot(Trim(GetToken(rest, ",", 3)));
        MinX = std::min(MinX, x);
        MaxX = std::max(MaxX, x);
        MinY = std::min(MinY, y);
        MaxY = std::max(MaxY, y);
        MinZ = std::min(MinZ, z);
        MaxZ = std::max(MaxZ, z);
    }
    if (std::fabs(MaxX - MinX) < 1.0)
        MinX = MaxX - 1.0;
    if (std::fabs(MaxZ - MinZ) < 1.0)
        MinZ = MaxZ - 1.0;
}

std::string TVLObject::GetRelativePath() const
{
    return Folder + "\\" + FileName;
}

std::array<TWorldPoint, 4> TVLObject::GetCorners() const
{
    double r = Rotation * std::numbers::pi / 180.0;
    double c = std::cos(r), s = std::sin(r);
    auto turn = [&](double x, double z) { return TWorldPoint{x * c - z * s, x * s + z * c}; };
    return {turn(MaxX, MaxZ), turn(MinX, MaxZ), turn(MinX, MinZ), turn(MaxX, MinZ)};
}

void TVLObject::MoveBy(double dx, double dy)
{
    NotePlanChange();
    X += dx;
    Y += dy;
}
