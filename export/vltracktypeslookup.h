#pragma once
// The track-type table behind the writer's ITrackTypes, for callers that
// hold a plain table rather than the editor's track types window.

#include "export/vlexportservices.h"
#include "model/vltracktypes.h"

class TTrackTypesLookup : public ITrackTypes {
public:
    explicit TTrackTypesLookup(TVLTrackTypes table) : FTable(std::move(table)) {}

    std::string GetTrackObject(int typeIndex, int radius) const override
    {
        return FTable.GetTrackObject(typeIndex, radius);
    }
    int GetRunSound(const std::string& objectFile) const override { return FTable.GetRunSound(objectFile); }

    const TVLTrackTypes& Table() const { return FTable; }

private:
    TVLTrackTypes FTable;
};
