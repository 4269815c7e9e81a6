#pragma once
// Small track plans built in memory and exported with the sample object
// library, for the writer's tests.

#include "export/vlexport.h"
#include "export/vltracktypeslookup.h"
#include "model/vlproject.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

// Records what the writer shows: error boxes and the progress values.
class TRecordingProgress : public IExportProgress {
public:
    std::vector<std::string> Errors;
    std::vector<int> Values;
    std::vector<int> Values2;
    std::string Text;
    void SetStatusText(const std::string& text) override { Text = text; }
    void SetStatusProgress(int percent) override { Values.push_back(percent); }
    void SetProgress2(int percent) override { Values2.push_back(percent); }
    void ProcessMessages() override {}
    void ShowError(const std::string& text) override { Errors.push_back(text); }
};

// Hands back the key itself, so tests see which message was asked for.
class TKeyLookup : public IMessageLookup {
public:
    std::string GetMessage(const std::string& key) const override { return key; }
};

inline std::string SampleProgramFolder()
{
    return std::string(VELKAST_SOURCE_DIR) + "/sample/program/";
}

struct TPlan {
    TVLProject Project;
    TDefaultExportSettings Settings;
    TRecordingProgress Progress;
    TKeyLookup Messages;
    TTrackTypesLookup TrackTypes{TVLTrackTypes()};
    TStrings Output, FileList, Status;

    TPlan()
    {
        ObjectsRoot = SampleProgramFolder() + "lib/";
        Project.DefaultObjects.clear();
    }

    TVLPoint* Pt(double x, double y)
    {
        auto* p = new TVLPoint(MakeWorldPoint(x, y));
        Project.AddPoint(p);
        return p;
    }

    TVLConnection* Track(TVLPoint* a, TVLPoint* b, int speed = 80)
    {
        auto* c = new TVLConnection(a, b);
        c->SpeedLimit = speed;
        Project.AddConnection(c);
        return c;
    }

    TVLRouteDefinition* Route(std::initializer_list<const TVLConnection*> tracks, const std::string& name = "Main")
    {
        auto* r = new TVLRouteDefinition();
        r->Id = Project.RouteDefinitions.Count() + 1;
        r->Name = name;
        for (const auto* c : tracks)
            r->AddTrack(c->Id);
        Project.RouteDefinitions.Add(r);
        return r;
    }

    TVLStation* Station(const std::string& name, const TVLConnection* track)
    {
        auto* s = new TVLStation(name);
        s->Lines.push_back("1=" + std::to_string(track->Id));
        Project.Stations.Add(s);
        return s;
    }

    TExportServices Services()
    {
        TExportServices s;
        s.Progress = &Progress;
        s.Settings = &Settings;
        s.TrackTypes = &TrackTypes;
        s.Messages = &Messages;
        s.ProgramFolder = SampleProgramFolder();
        return s;
    }

    // A writer wired to this plan, ready for Export.
    void Wire(TVLExport_Mod& w, TVLStation* start, TVLStation* dest)
    {
        w.Project = &Project;
        w.Output = &Output;
        w.FileList = &FileList;
        w.Status = &Status;
        w.StartStation = start;
        w.DestStation = dest;
    }

    // The track commands of the last export (lines after "with Track").
    TStrings TrackLines() const
    {
        TStrings out;
        bool in = false;
        for (const auto& l : Output) {
            if (in)
                out.push_back(l);
            if (l == "with Track")
                in = true;
        }
        return out;
    }

    // The whole route file and status log, for a failing test's message.
    std::string Dump() const
    {
        std::string d;
        for (const auto& l : Output)
            d += l + "\n";
        for (const auto& l : Status)
            d += "status: " + l + "\n";
        return d;
    }

    // Track commands containing a text.
    TStrings Commands(const std::string& part) const
    {
        TStrings out;
        for (const auto& l : TrackLines())
            if (l.find(part) != std::string::npos)
                out.push_back(l);
        return out;
    }
};

// Each station written is written once, and its stop lies along the last
// 15 m of its tracks on the main track in the direction of travel, so that
// a train stands along the platform; 40 m where the last piece fills the
// rest of its block before a switch. Where platforms are laid near the stop,
// the stop lies on one of them. Returns the stations in route order.
inline TStrings ExpectStopsAlongPlatforms(const TPlan& plan, const TVLExport_Mod& w)
{
    std::vector<double> platforms;
    for (const auto& line : plan.TrackLines())
        if (line.find(", .form 0;") != std::string::npos)
            platforms.push_back(TrackCommandPosition(line));
    TStrings order;
    std::string name;
    for (const auto& line : plan.TrackLines()) {
        std::size_t sta = line.find(", .Sta ");
        if (sta != std::string::npos) {
            name = line.substr(sta + 7, line.find(';', sta) - sta - 7);
            EXPECT_EQ(std::count(order.begin(), order.end(), name), 0) << name << " written twice";
            order.push_back(name);
        }
        if (line.find(", .stop ") == std::string::npos || name.empty())
            continue;
        double farEnd = -1;
        for (const TVLStation* s : plan.Project.Stations)
            for (const TVLConnection* c : w.Route)
                if (s->Name == name && s->UsesTrack(w.SourceTrackId(c)))
                    farEnd = std::max(farEnd, c->ExportPosition + 5);
        double stop = TrackCommandPosition(line);
        EXPECT_TRUE(stop <= farEnd && stop >= farEnd - 40) << name << " stops at " << stop << ", its track ends at "
                                                           << farEnd;
        auto near = [&](double from, double to) {
            return std::any_of(platforms.begin(), platforms.end(), [&](double f) { return f >= from && f <= to; });
        };
        if (near(stop - 50, stop + 25)) {
            EXPECT_TRUE(near(stop - 25, stop)) << name << " stops at " << stop << ", off its platform";
        }
        name.clear();
    }
    return order;
}

// Prints a plan's route file when VLDUMP is set, to look at a failing case.
inline void DumpIfAsked(const TPlan& plan)
{
    if (std::getenv("VLDUMP"))
        std::fputs(plan.Dump().c_str(), stdout);
}
