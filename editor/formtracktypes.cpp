#include "editor/formtracktypes.h"

#include "platform/codepage.h"
#include "platform/paths.h"

TFormTrackTypes* FormTrackTypes = nullptr;

TFormTrackTypes::TFormTrackTypes(QWidget* parent) : QDialog(parent), TrackDefinitions(TrackTypes.TrackDefinitions)
{
    setObjectName("FormTrackTypes");
    setWindowTitle("Track Types");
    setModal(true);
    FormCreate();
}

bool TFormTrackTypes::FormCreate()
{
    return TrackTypes.Load(ProgramFolder());
}

bool TFormTrackTypes::SaveTrackDefinitions() const
{
    return TrackTypes.Save(ProgramFolder());
}

void TFormTrackTypes::FillTrackNames(TStrings& strings) const
{
    TrackTypes.FillTrackNames(strings);
}

void TFormTrackTypes::FillTrackNames(QStringList& strings) const
{
    TStrings names;
    TrackTypes.FillTrackNames(names);
    strings.clear();
    for (const auto& n : names)
        strings.append(QString::fromStdString(AnsiToUtf8(n)));
}

void TFormTrackTypes::GetTrackObject(int typeIndex, std::int32_t radius, std::string& fileName) const
{
    TrackTypes.GetTrackObject(typeIndex, radius, fileName);
}

int TFormTrackTypes::IndexOfObjectFile(std::string_view name) const
{
    return TrackTypes.IndexOfObjectFile(name);
}

int TFormTrackTypes::GetRunSound(std::string_view objectFile) const
{
    return TrackTypes.GetRunSound(objectFile);
}
