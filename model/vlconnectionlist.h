#pragma once
// The list of track pieces of a project (owning) or of a temporary selection
// (not owning), with the lookups the editor and the route writer need and the
// subdivision that bends a curved piece along its neighbours.

#include "model/vlconnection.h"
#include "model/vlobjectlist.h"
#include "model/vlpoint.h"

#include <memory>
#include <vector>

class TVLConnectionlist : public TVLObjectList<TVLConnection> {
public:
    explicit TVLConnectionlist(bool ownsObjects = true) : TVLObjectList<TVLConnection>(ownsObjects) {}

    // Clears list and collects, in list order, every connection that starts
    // or ends at point, except `except`. Returns the count.
    int GetConnectionsAt(const TVLPoint* point, std::vector<TVLConnection*>& list,
                         const TVLConnection* except) const;
    // The same into a list that does not own its items (an owning list is
    // left alone and 0 is returned, since clearing it would destroy tracks).
    int GetConnectionsAt(const TVLPoint* point, TVLConnectionlist& list, const TVLConnection* except) const;

    // The item at index; nothing outside the list.
    TVLConnection* GetConnection(int index) const { return Items(index); }
    int AddConnection(TVLConnection* connection) { return Add(connection); }
    int AddConnection(std::unique_ptr<TVLConnection> connection) { return Add(std::move(connection)); }
    void InsertConnection(TVLConnection* connection, int index) { Insert(index, connection); }

    // The piece whose bearing differs least from c's (first of equals wins;
    // differences are not normalised, so 179 and -179 are 358 apart).
    TVLConnection* FindMostParallel(const TVLConnection* c) const;

    // The n - 1 positions that cut c into n parts: on the curve through the
    // neighbours when c is curved and has neighbours at both ends, else on
    // the chord. Returns their count.
    int Subdivide(const TVLConnection* c, int n, std::vector<TWorldPoint>& positions) const;
    // The same as new points (Id 0) for the caller to own.
    int Subdivide(const TVLConnection* c, int n, std::vector<std::unique_ptr<TVLPoint>>& points) const;

    // The two steps of Subdivide for a caller that knows the neighbours.
    // Of the pieces at `at` (c excluded, in list order), the far end of the
    // one that best continues c straight through `at` (away from `to`);
    // nothing when no neighbour has a far end.
    static const TVLPoint* ChooseNeighbourEnd(const std::vector<TVLConnection*>& neighbours, const TVLPoint* at,
                                              const TVLPoint* to);
    // The n - 1 cut positions of c on the curve that leaves its start away
    // from nearStart and its end away from nearEnd; on the chord when c is
    // not curved or either neighbour end is missing.
    static int SubdivideBetween(const TVLConnection* c, int n, const TVLPoint* nearStart, const TVLPoint* nearEnd,
                                std::vector<TWorldPoint>& positions);
};
