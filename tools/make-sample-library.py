#!/usr/bin/env python3
"""Writes the sample object library shipped beside the editor.

    tools/make-sample-library.py [target folder]

The target defaults to sample/program/lib. Everything is generated: the
catalogs, the B3D objects (plain text meshes with CR LF line ends), the
background pictures and textures (24-bit BMP) and the announcement sounds
(PCM WAV). Output is deterministic, so running the script again gives the
same bytes and a clean git diff.

The library holds every object file the nine built-in track types name, and
per catalog entry every file the route writer derives from it:
  grounds\\<file>, backgrounds\\<file>, poles\\<file>,
  walls\\<name>_l.b3d and _r.b3d,
  platforms\\<name> + r.b3d, l.b3d, cr.b3d, cl.b3d (platforms and roofs),
plus the default stop sign signs\\ne5.b3d, the default free object
misc\\kuh1.b3d and a few more free objects and sounds.

Object coordinates follow the simulator: x to the right of the track, y up,
z along the track; the rail heads lie at y = 0 and the ground at y = -0.6.
"""

import math
import os
import struct
import sys

AUTHOR = "Velkast sample library"
COPYRIGHT = "Free to use in routes made with Velkast for BVE"

GAUGE_HALF = 0.7525  # centre of a rail head for standard gauge
BLOCK = 25.0


def num(v):
    """A short decimal text: at most 3 decimals, no trailing zeros, no -0."""
    s = "%.3f" % v
    s = s.rstrip("0").rstrip(".")
    if s in ("-0", ""):
        s = "0"
    return s


class B3D:
    """Collects the text of one B3D object."""

    def __init__(self, description):
        self.lines = [
            "; Velkast for BVE sample object library",
            ";author=" + AUTHOR,
            ";description=" + description,
            ";copyright=" + COPYRIGHT,
        ]
        self.textures = []

    def mesh(self, color, vertices, faces, texture=None, coords=None):
        """One [MeshBuilder] with its vertices, double-sided faces and colour."""
        if not faces:
            return
        self.lines.append("")
        self.lines.append("[MeshBuilder]")
        for (x, y, z) in vertices:
            self.lines.append("Vertex %s, %s, %s" % (num(x), num(y), num(z)))
        for f in faces:
            self.lines.append("Face2 " + ", ".join(str(i) for i in f))
        self.lines.append("Color %d, %d, %d" % color)
        if texture:
            self.lines.append("Load " + texture)
            self.textures.append(texture)
            for i, (u, v) in enumerate(coords):
                self.lines.append("Coordinates %d, %s, %s" % (i, num(u), num(v)))

    def text(self):
        return "\r\n".join(self.lines) + "\r\n"


class MeshParts:
    """Faces of one colour, added piece by piece, written as one mesh."""

    def __init__(self):
        self.vertices = []
        self.faces = []

    def quad(self, a, b, c, d):
        n = len(self.vertices)
        self.vertices.extend([a, b, c, d])
        self.faces.append((n, n + 1, n + 2, n + 3))

    def box(self, x0, x1, y0, y1, z0, z1):
        n = len(self.vertices)
        for z in (z0, z1):
            for (x, y) in ((x0, y0), (x1, y0), (x1, y1), (x0, y1)):
                self.vertices.append((x, y, z))
        for f in ((0, 1, 2, 3), (4, 5, 6, 7), (0, 1, 5, 4), (1, 2, 6, 5), (2, 3, 7, 6), (3, 0, 4, 7)):
            self.faces.append(tuple(n + i for i in f))

    def strip(self, points_a, points_b):
        """Quads between two equally long point rows, sharing their vertices."""
        n = len(self.vertices)
        k = len(points_a)
        self.vertices.extend(points_a)
        self.vertices.extend(points_b)
        for i in range(k - 1):
            self.faces.append((n + i, n + i + 1, n + k + i + 1, n + k + i))

    def add_to(self, obj, color):
        obj.mesh(color, self.vertices, self.faces)


# ---------------------------------------------------------------------------
# Track objects


def track_point(radius, s, u, y):
    """The point at distance s along a track of the given signed radius
    (0 straight, positive turning right), u metres to its right, at height y."""
    if radius == 0:
        return (u, y, s)
    t = s / radius
    cx = radius * (1 - math.cos(t))
    cz = radius * math.sin(t)
    return (cx + u * math.cos(t), y, cz - u * math.sin(t))


def along(radius, u, y, steps=5):
    return [track_point(radius, BLOCK * i / steps, u, y) for i in range(steps + 1)]


def make_track(description, radius, ballast, overhead=False, bridge=False, tunnel=False, slab=False):
    obj = B3D(description)
    bed = MeshParts()
    if slab:
        bed.strip(along(radius, -1.6, -0.2), along(radius, 1.6, -0.2))
        bed.strip(along(radius, -1.6, -0.2), along(radius, -1.6, -0.6))
        bed.strip(along(radius, 1.6, -0.2), along(radius, 1.6, -0.6))
    elif bridge:
        bed.strip(along(radius, -2.4, -0.3), along(radius, 2.4, -0.3))
        bed.strip(along(radius, -2.4, -1.2), along(radius, 2.4, -1.2))
    else:
        bed.strip(along(radius, -1.7, -0.2), along(radius, 1.7, -0.2))
        bed.strip(along(radius, -2.6, -0.6), along(radius, -1.7, -0.2))
        bed.strip(along(radius, 1.7, -0.2), along(radius, 2.6, -0.6))
    bed.add_to(obj, ballast)

    if bridge:
        girder = MeshParts()
        for u in (-2.5, 2.5):
            girder.strip(along(radius, u, -1.4), along(radius, u, 0.9))
            girder.strip(along(radius, u, 0.9), along(radius, u + (0.3 if u > 0 else -0.3), 0.9))
        girder.add_to(obj, (70, 80, 95))

    if tunnel:
        shell = MeshParts()
        shell.strip(along(radius, -3.2, -0.6), along(radius, -3.2, 4.2))
        shell.strip(along(radius, 3.2, -0.6), along(radius, 3.2, 4.2))
        shell.strip(along(radius, -3.2, 4.2), along(radius, -1.8, 5.9))
        shell.strip(along(radius, 3.2, 4.2), along(radius, 1.8, 5.9))
        shell.strip(along(radius, -1.8, 5.9), along(radius, 1.8, 5.9))
        shell.add_to(obj, (72, 70, 66))

    sleepers = MeshParts()
    count = 20
    for i in range(count):
        s0 = BLOCK * i / count + 0.5
        s1 = s0 + 0.26
        sleepers.quad(track_point(radius, s0, -1.3, -0.17), track_point(radius, s0, 1.3, -0.17),
                      track_point(radius, s1, 1.3, -0.17), track_point(radius, s1, -1.3, -0.17))
    sleepers.add_to(obj, (150, 150, 145) if slab or bridge else (95, 75, 55))

    rail_side = MeshParts()
    rail_head = MeshParts()
    for c in (-GAUGE_HALF, GAUGE_HALF):
        inner, outer = c - 0.036, c + 0.036
        rail_head.strip(along(radius, inner, 0.0), along(radius, outer, 0.0))
        rail_side.strip(along(radius, inner, 0.0), along(radius, inner, -0.17))
        rail_side.strip(along(radius, outer, 0.0), along(radius, outer, -0.17))
    rail_side.add_to(obj, (105, 85, 70))
    rail_head.add_to(obj, (200, 200, 205))

    if overhead:
        wire = MeshParts()
        wire.strip(along(radius, -0.02, 5.5), along(radius, 0.02, 5.5))
        wire.strip(along(radius, -0.015, 6.6), along(radius, 0.015, 6.6))
        for s in (0.0, 6.25, 12.5, 18.75):
            a = track_point(radius, s, 0.0, 5.5)
            b = track_point(radius, s, 0.0, 6.6)
            wire.quad(a, (a[0] + 0.02, a[1], a[2]), (b[0] + 0.02, b[1], b[2]), b)
        wire.add_to(obj, (40, 40, 40))
    return obj


TRACK_STYLES = {
    "brown": ((118, 92, 66), "brown ballast"),
    "grey": ((128, 128, 122), "grey ballast"),
}
RADII = (1000, 500, 150, -1000, -500, -150)


def curve_words(radius):
    if radius == 0:
        return "straight"
    return "curve of %d m to the %s" % (abs(radius), "right" if radius > 0 else "left")


def track_files():
    files = {}
    files["tracks/track0.b3d"] = make_track("Track on a concrete slab, straight", 0, (150, 150, 146), slab=True)
    for style, (colour, words) in TRACK_STYLES.items():
        for overhead in (False, True):
            suffix = "_overhead" if overhead else ""
            extra = ", with overhead wire" if overhead else ""
            files["tracks/%s%s.b3d" % (style, suffix)] = make_track(
                "Track on %s%s, straight" % (words, extra), 0, colour, overhead=overhead)
            for r in RADII:
                files["tracks/%s%d%s.b3d" % (style, r, suffix)] = make_track(
                    "Track on %s%s, %s" % (words, extra, curve_words(r)), r, colour, overhead=overhead)
    files["tracks/dark.b3d"] = make_track("Track in a tunnel", 0, (62, 56, 50), tunnel=True)
    files["tracks/dark_overhead.b3d"] = make_track("Track in a tunnel, with overhead wire", 0, (62, 56, 50),
                                                   tunnel=True, overhead=True)
    files["tracks/bridgetrack.b3d"] = make_track("Track on a steel bridge", 0, (90, 95, 100), bridge=True)
    files["tracks/bridgetrack_overhead.b3d"] = make_track("Track on a steel bridge, with overhead wire", 0,
                                                          (90, 95, 100), bridge=True, overhead=True)
    return files


# ---------------------------------------------------------------------------
# Grounds

GROUNDS = [
    ("grass.b3d", "Grass", (92, 140, 60)),
    ("grass_dark.b3d", "Dark grass", (62, 104, 44)),
    ("meadow.b3d", "Meadow", (110, 156, 70)),
    ("field_green.b3d", "Green field", (104, 150, 52)),
    ("field_yellow.b3d", "Ripe cornfield", (200, 176, 86)),
    ("field_brown.b3d", "Ploughed field", (120, 90, 60)),
    ("gravel.b3d", "Gravel", (140, 134, 124)),
    ("sand.b3d", "Sand", (206, 190, 140)),
    ("soil.b3d", "Bare soil", (110, 86, 62)),
    ("snow.b3d", "Snow", (236, 240, 245)),
    ("water.b3d", "Water", (60, 96, 140)),
    ("asphalt.b3d", "Asphalt", (80, 80, 84)),
    ("concrete.b3d", "Concrete", (160, 160, 155)),
    ("cobbles.b3d", "Cobblestones", (120, 112, 104)),
    ("heath.b3d", "Heath", (120, 110, 80)),
    ("rock.b3d", "Rock", (128, 122, 116)),
    ("forest_floor.b3d", "Forest floor", (70, 80, 46)),
    ("swamp.b3d", "Swamp", (76, 92, 62)),
    ("clay.b3d", "Clay", (168, 110, 76)),
]


def ground_object(description, colour):
    obj = B3D("Ground: " + description)
    g = MeshParts()
    g.quad((-150, -0.6, 0), (150, -0.6, 0), (150, -0.6, BLOCK), (-150, -0.6, BLOCK))
    g.add_to(obj, colour)
    return obj


# ---------------------------------------------------------------------------
# Walls: <name>_l.b3d beside the left of the track, <name>_r.b3d on the right.

WALLS = [
    ("brick", "Brick wall", "wall", 2.0, (150, 70, 50)),
    ("brick_high", "High brick wall", "wall", 4.0, (150, 70, 50)),
    ("concrete", "Concrete wall", "wall", 2.0, (165, 165, 160)),
    ("concrete_high", "High concrete wall", "wall", 4.5, (165, 165, 160)),
    ("stone", "Stone wall", "wall", 1.5, (130, 124, 112)),
    ("stone_high", "High stone wall", "wall", 3.5, (130, 124, 112)),
    ("noise_barrier", "Noise barrier", "wall", 3.0, (90, 110, 90)),
    ("noise_barrier_glass", "Glass noise barrier", "wall", 3.0, (170, 200, 215)),
    ("fence_wood", "Wooden fence", "fence", 1.2, (130, 96, 62)),
    ("fence_metal", "Metal fence", "fence", 1.5, (90, 96, 100)),
    ("fence_chain", "Chain-link fence", "fence", 2.0, (150, 156, 160)),
    ("hedge", "Hedge", "wall", 1.5, (50, 100, 40)),
    ("hedge_high", "High hedge", "wall", 3.0, (46, 92, 36)),
    ("embankment_grass", "Grass embankment falling away", "dike", -3.0, (92, 140, 60)),
    ("embankment_gravel", "Gravel embankment falling away", "dike", -3.0, (140, 134, 124)),
    ("cutting_grass", "Grass cutting", "dike", 4.0, (92, 140, 60)),
    ("cutting_rock", "Rock cutting", "dike", 6.0, (128, 122, 116)),
    ("cutting_soil", "Soil cutting", "dike", 4.0, (110, 86, 62)),
    ("retaining_concrete", "Concrete retaining wall", "wall", 5.0, (150, 150, 145)),
    ("retaining_stone", "Stone retaining wall", "wall", 5.0, (120, 114, 104)),
    ("palisade", "Palisade fence", "fence", 2.2, (40, 44, 48)),
    ("railing", "Railing", "fence", 1.0, (180, 180, 185)),
    ("tree_row", "Row of trees", "trees", 7.0, (52, 96, 40)),
]


def wall_object(description, kind, height, colour, side):
    sign = -1 if side == "l" else 1
    obj = B3D("%s, %s side" % (description, "left" if side == "l" else "right"))
    m = MeshParts()
    if kind == "wall":
        u0, u1 = sign * 3.6, sign * 3.9
        m.quad((u0, -0.6, 0), (u0, height, 0), (u0, height, BLOCK), (u0, -0.6, BLOCK))
        m.quad((u1, -0.6, 0), (u1, height, 0), (u1, height, BLOCK), (u1, -0.6, BLOCK))
        m.quad((u0, height, 0), (u1, height, 0), (u1, height, BLOCK), (u0, height, BLOCK))
    elif kind == "fence":
        u = sign * 3.8
        m.quad((u, height - 0.15, 0), (u, height, 0), (u, height, BLOCK), (u, height - 0.15, BLOCK))
        m.quad((u, 0.2, 0), (u, 0.35, 0), (u, 0.35, BLOCK), (u, 0.2, BLOCK))
        for i in range(11):
            z = BLOCK * i / 10
            m.box(u - 0.05, u + 0.05, -0.6, height, z - 0.05, z + 0.05)
    elif kind == "dike":
        near, far = sign * 3.0, sign * (3.0 + abs(height) * 1.5)
        m.quad((near, -0.6, 0), (far, -0.6 + height, 0), (far, -0.6 + height, BLOCK), (near, -0.6, BLOCK))
        m.quad((far, -0.6 + height, 0), (sign * 60.0, -0.6 + height, 0), (sign * 60.0, -0.6 + height, BLOCK),
               (far, -0.6 + height, BLOCK))
    else:  # trees
        for i in range(5):
            z = 2.5 + 5.0 * i
            m.box(sign * 5.0 - 1.6, sign * 5.0 + 1.6, 1.5, height, z - 1.6, z + 1.6)
        trunks = MeshParts()
        for i in range(5):
            z = 2.5 + 5.0 * i
            trunks.box(sign * 5.0 - 0.15, sign * 5.0 + 0.15, -0.6, 1.5, z - 0.15, z + 0.15)
        trunks.add_to(obj, (90, 64, 40))
    m.add_to(obj, colour)
    return obj


# ---------------------------------------------------------------------------
# Platforms and roofs (folder "platforms"): <name> + r.b3d, l.b3d, cr.b3d, cl.b3d.

PLATFORMS = [
    ("platform_concrete_", "Concrete platform", 0.76, (165, 165, 160)),
    ("platform_brick_", "Brick-paved platform", 0.76, (160, 90, 70)),
    ("platform_wood_", "Wooden platform", 0.55, (140, 104, 70)),
    ("platform_low_", "Low platform", 0.38, (150, 150, 146)),
    ("platform_high_", "High platform", 0.96, (170, 170, 166)),
]

ROOFS = [
    ("roof_steel_", "Steel platform roof", 3.6, (96, 104, 112)),
    ("roof_red_", "Red platform roof", 3.6, (150, 54, 44)),
    ("roof_glass_", "Glass platform roof", 3.8, (176, 206, 220)),
    ("roof_wood_", "Wooden platform roof", 3.4, (120, 86, 56)),
    ("roof_canopy_", "White canopy", 3.7, (230, 230, 226)),
    ("roof_low_", "Low shelter roof", 3.0, (90, 90, 90)),
]

SUFFIXES = (("r", "right", 1, False), ("l", "left", -1, False), ("cr", "right, edge piece", 1, True),
            ("cl", "left, edge piece", -1, True))


def platform_object(description, height, colour, sign, edge_only, words):
    obj = B3D("%s, %s" % (description, words))
    near, far = sign * 1.7, sign * (2.5 if edge_only else 5.5)
    top = MeshParts()
    top.quad((near, height, 0), (far, height, 0), (far, height, BLOCK), (near, height, BLOCK))
    top.add_to(obj, colour)
    side = MeshParts()
    side.quad((near, -0.6, 0), (near, height, 0), (near, height, BLOCK), (near, -0.6, BLOCK))
    side.quad((near, -0.6, 0), (far, -0.6, 0), (far, height, 0), (near, height, 0))
    side.quad((near, -0.6, BLOCK), (far, -0.6, BLOCK), (far, height, BLOCK), (near, height, BLOCK))
    side.add_to(obj, (128, 128, 124))
    stripe = MeshParts()
    s0, s1 = sign * 1.75, sign * 1.9
    stripe.quad((s0, height + 0.005, 0), (s1, height + 0.005, 0), (s1, height + 0.005, BLOCK),
                (s0, height + 0.005, BLOCK))
    stripe.add_to(obj, (235, 235, 235))
    return obj


def roof_object(description, height, colour, sign, edge_only, words):
    obj = B3D("%s, %s" % (description, words))
    near, far = sign * 1.9, sign * (3.0 if edge_only else 5.8)
    roof = MeshParts()
    roof.quad((near, height + 0.3, 0), (far, height, 0), (far, height, BLOCK), (near, height + 0.3, BLOCK))
    roof.add_to(obj, colour)
    if not edge_only:
        posts = MeshParts()
        for z in (3.0, 15.5):
            posts.box(sign * 4.0 - 0.08, sign * 4.0 + 0.08, 0.0, height + 0.15, z - 0.08, z + 0.08)
        posts.add_to(obj, (70, 74, 78))
    return obj


# ---------------------------------------------------------------------------
# Catenary poles: designed for the right side of the track. The route writer
# places a pole the project puts on the right as modelled (location -1) and
# mirrors one on the left (location 1), so the mast stands at x > 0.

POLES = [
    ("pole_standard.b3d", "Steel mast with cantilever", 3.0, 0.0, (96, 104, 100)),
    ("pole_platform.b3d", "Steel mast behind a platform", 5.9, 0.0, (96, 104, 100)),
    ("pole_concrete.b3d", "Concrete mast", 3.0, 0.0, (170, 170, 165)),
    ("pole_lattice.b3d", "Lattice mast", 3.2, 0.0, (80, 90, 84)),
    ("pole_tube.b3d", "Tubular mast", 2.9, 0.0, (140, 144, 150)),
    ("pole_wood.b3d", "Wooden pole", 3.0, 0.0, (110, 80, 50)),
    ("pole_portal.b3d", "Portal over the track", 3.0, -3.0, (96, 104, 100)),
    ("pole_tunnel.b3d", "Tunnel ceiling hanger", 0.0, 0.0, (80, 80, 80)),
    ("pole_bracket.b3d", "Wall bracket", 3.3, 0.0, (60, 64, 68)),
]


def pole_object(description, mast_u, other_u, colour):
    obj = B3D("Catenary pole: " + description)
    m = MeshParts()
    if mast_u == 0.0:
        m.box(-0.05, 0.05, 5.6, 5.9, -0.05, 0.05)
        m.box(-0.6, 0.6, 5.9, 6.0, -0.05, 0.05)
    else:
        m.box(mast_u - 0.15, mast_u + 0.15, -0.6, 7.2, -0.15, 0.15)
        # The cantilever reaches from the mast to just past the contact wire
        # over the track's centre; a portal's beam spans to its other mast.
        end = -0.3 if other_u == 0.0 else other_u
        m.box(min(mast_u, end), max(mast_u, end), 6.8, 6.9, -0.05, 0.05)
        if other_u != 0.0:
            m.box(other_u - 0.15, other_u + 0.15, -0.6, 7.2, -0.15, 0.15)
    m.add_to(obj, colour)
    insulator = MeshParts()
    insulator.box(-0.04, 0.04, 5.5, 6.8, -0.04, 0.04)
    insulator.add_to(obj, (150, 90, 60))
    return obj


# ---------------------------------------------------------------------------
# Free objects

def cow():
    obj = B3D("Cow")
    body = MeshParts()
    body.box(-0.35, 0.35, 0.7, 1.4, -0.9, 0.9)
    body.box(-0.2, 0.2, 1.1, 1.55, 0.9, 1.45)
    for x in (-0.25, 0.25):
        for z in (-0.7, 0.7):
            body.box(x - 0.07, x + 0.07, 0.0, 0.7, z - 0.07, z + 0.07)
    body.add_to(obj, (235, 235, 230))
    spots = MeshParts()
    spots.box(-0.36, 0.36, 0.95, 1.3, -0.5, 0.1)
    spots.add_to(obj, (40, 36, 34))
    return obj


def tree(conifer):
    obj = B3D("Conifer" if conifer else "Deciduous tree")
    trunk = MeshParts()
    trunk.box(-0.2, 0.2, 0.0, 2.5, -0.2, 0.2)
    trunk.add_to(obj, (96, 70, 44))
    crown = MeshParts()
    if conifer:
        for i, (w, y0, y1) in enumerate(((2.0, 2.0, 5.0), (1.5, 4.5, 7.5), (0.9, 7.0, 10.0))):
            crown.box(-w, w, y0, y1, -w, w)
    else:
        crown.box(-2.2, 2.2, 2.5, 6.5, -2.2, 2.2)
    crown.add_to(obj, (40, 90, 40) if conifer else (70, 120, 50))
    return obj


def house():
    obj = B3D("Small house")
    walls = MeshParts()
    walls.box(-4.0, 4.0, 0.0, 5.0, -3.0, 3.0)
    walls.add_to(obj, (226, 214, 190))
    roof = MeshParts()
    roof.quad((-4.4, 4.8, -3.4), (0.0, 8.0, -3.4), (0.0, 8.0, 3.4), (-4.4, 4.8, 3.4))
    roof.quad((4.4, 4.8, -3.4), (0.0, 8.0, -3.4), (0.0, 8.0, 3.4), (4.4, 4.8, 3.4))
    roof.add_to(obj, (150, 60, 46))
    gables = MeshParts()
    for z in (-3.0, 3.0):
        n = len(gables.vertices)
        gables.vertices.extend([(-4.0, 5.0, z), (4.0, 5.0, z), (0.0, 7.9, z)])
        gables.faces.append((n, n + 1, n + 2))
    gables.add_to(obj, (226, 214, 190))
    door = MeshParts()
    door.quad((-0.5, 0.0, -3.01), (0.5, 0.0, -3.01), (0.5, 2.1, -3.01), (-0.5, 2.1, -3.01))
    door.add_to(obj, (90, 60, 40))
    return obj


def shed():
    obj = B3D("Wooden shed")
    m = MeshParts()
    m.box(-1.5, 1.5, 0.0, 2.4, -2.0, 2.0)
    m.add_to(obj, (120, 84, 52))
    roof = MeshParts()
    roof.quad((-1.7, 2.4, -2.2), (1.7, 2.8, -2.2), (1.7, 2.8, 2.2), (-1.7, 2.4, 2.2))
    roof.add_to(obj, (70, 70, 72))
    return obj


def bush():
    obj = B3D("Bush")
    m = MeshParts()
    m.box(-0.8, 0.8, 0.0, 1.2, -0.8, 0.8)
    m.add_to(obj, (60, 110, 46))
    return obj


def bench():
    obj = B3D("Platform bench")
    m = MeshParts()
    m.box(-0.25, 0.25, 0.42, 0.48, -0.9, 0.9)
    m.box(0.2, 0.26, 0.48, 0.9, -0.9, 0.9)
    for z in (-0.8, 0.8):
        m.box(-0.2, 0.2, 0.0, 0.42, z - 0.04, z + 0.04)
    m.add_to(obj, (120, 84, 52))
    return obj


def lamp():
    obj = B3D("Platform lamp")
    m = MeshParts()
    m.box(-0.06, 0.06, 0.0, 4.0, -0.06, 0.06)
    m.add_to(obj, (60, 64, 68))
    light = MeshParts()
    light.box(-0.2, 0.2, 4.0, 4.25, -0.2, 0.2)
    light.add_to(obj, (250, 245, 200))
    return obj


def km_post():
    obj = B3D("Kilometre post")
    m = MeshParts()
    m.box(-0.05, 0.05, 0.0, 1.2, -0.05, 0.05)
    m.add_to(obj, (200, 200, 200))
    board = MeshParts()
    board.box(-0.02, 0.02, 0.8, 1.2, -0.2, 0.2)
    board.add_to(obj, (240, 240, 240))
    return obj


def stop_sign():
    obj = B3D("Stop board Ne 5: the train stops here")
    post = MeshParts()
    post.box(-0.04, 0.04, 0.0, 1.6, -0.04, 0.04)
    post.add_to(obj, (90, 90, 90))
    face = [(-0.3, 1.6, -0.05), (0.3, 1.6, -0.05), (0.3, 2.2, -0.05), (-0.3, 2.2, -0.05)]
    obj.mesh((255, 255, 255), face, [(0, 1, 2, 3)], texture="ne5.bmp",
             coords=[(0, 1), (1, 1), (1, 0), (0, 0)])
    return obj


def wagon():
    obj = B3D("Parked goods wagon")
    body = MeshParts()
    body.box(-1.4, 1.4, 1.1, 3.8, -6.0, 6.0)
    body.add_to(obj, (130, 60, 40))
    under = MeshParts()
    under.box(-1.2, 1.2, 0.3, 1.1, -5.6, 5.6)
    for z in (-4.0, 4.0):
        for x in (-0.75, 0.75):
            under.box(x - 0.05, x + 0.05, 0.0, 0.9, z - 0.45, z + 0.45)
    under.add_to(obj, (40, 40, 40))
    return obj


def free_objects():
    return {
        "misc/kuh1.b3d": cow(),
        "misc/tree1.b3d": tree(False),
        "misc/tree2.b3d": tree(True),
        "misc/house1.b3d": house(),
        "misc/shed1.b3d": shed(),
        "misc/bush1.b3d": bush(),
        "misc/bench1.b3d": bench(),
        "misc/lamp1.b3d": lamp(),
        "misc/kmpost.b3d": km_post(),
        "signs/ne5.b3d": stop_sign(),
        "trains/wagon1.b3d": wagon(),
    }


# ---------------------------------------------------------------------------
# Pictures and sounds


def bmp(width, height, pixel):
    """A 24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y = 0 on top."""
    row_size = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


BACKGROUNDS = [
    ("meadow.bmp", (120, 170, 230), (220, 236, 250), (92, 140, 60), lambda x: 0.62),
    ("hills.bmp", (110, 160, 225), (215, 232, 248), (80, 128, 56),
     lambda x: 0.58 - 0.10 * (math.sin(x * 0.09) * 0.5 + 0.5)),
    ("mountains.bmp", (90, 140, 215), (205, 222, 244), (110, 110, 120),
     lambda x: 0.62 - 0.32 * abs(((x * 0.045) % 2.0) - 1.0)),
    ("forest.bmp", (120, 165, 225), (210, 228, 246), (40, 84, 40),
     lambda x: 0.55 - 0.06 * abs(math.sin(x * 0.7))),
    ("city.bmp", (130, 160, 200), (210, 220, 232), (110, 110, 116),
     lambda x: 0.62 - 0.05 * ((x * 7919 // 13) % 5) - (0.08 if (x // 9) % 4 == 1 else 0.0)),
    ("evening.bmp", (60, 70, 140), (250, 170, 90), (50, 60, 40), lambda x: 0.64),
    ("overcast.bmp", (150, 155, 160), (200, 202, 205), (86, 120, 64), lambda x: 0.62),
    ("coast.bmp", (100, 160, 230), (220, 236, 252), (60, 110, 160), lambda x: 0.66),
]


def background_picture(sky_top, sky_horizon, land, horizon):
    w, h = 128, 64

    def pixel(x, y):
        edge = horizon(x) * h
        if y < edge:
            return mix(sky_top, sky_horizon, y / max(1.0, edge))
        return mix(land, (land[0] // 2, land[1] // 2, land[2] // 2), (y - edge) / max(1.0, h - edge) * 0.5)

    return bmp(w, h, pixel)


def stop_sign_texture():
    """A white board with a black border and a black "H"."""
    def pixel(x, y):
        if x < 4 or x >= 60 or y < 4 or y >= 60:
            return (20, 20, 20)
        if (18 <= x < 26 or 38 <= x < 46) and 14 <= y < 50:
            return (20, 20, 20)
        if 26 <= x < 38 and 28 <= y < 36:
            return (20, 20, 20)
        return (245, 245, 245)
    return bmp(64, 64, pixel)


def wav(samples, rate):
    """Mono 16-bit PCM."""
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(s * 32767)))) for s in samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE" + b"fmt "
            + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data)


def tone(freqs, seconds, rate=11025):
    out = []
    n = int(seconds * rate)
    for i in range(n):
        t = i / rate
        step = min(len(freqs) - 1, int(t / seconds * len(freqs)))
        local = t - step * seconds / len(freqs)
        env = math.exp(-local * 6.0) * min(1.0, local * 200.0)
        out.append(0.5 * env * math.sin(2 * math.pi * freqs[step] * t))
    return out


SOUNDS = {
    "sounds/bell.wav": ([880.0], 0.6),
    "sounds/chime.wav": ([784.0, 659.0, 523.0], 1.2),
    "sounds/whistle.wav": ([1568.0], 0.5),
}


# ---------------------------------------------------------------------------


def catalog(lines):
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def build(target):
    files = {}
    objects = {}
    objects.update(track_files())

    ground_lines = []
    for i, (name, words, colour) in enumerate(GROUNDS, 1):
        objects["grounds/" + name] = ground_object(words, colour)
        ground_lines.append("%d=%s" % (i, name))
    files["grounds/groundid.dat"] = catalog(ground_lines)

    wall_lines = []
    for i, (name, words, kind, height, colour) in enumerate(WALLS, 1):
        for side in ("l", "r"):
            objects["walls/%s_%s.b3d" % (name, side)] = wall_object(words, kind, height, colour, side)
        wall_lines.append("%d=%s" % (i, name))
    files["walls/wallid.dat"] = catalog(wall_lines + ["-"])

    platform_lines = []
    for i, (name, words, height, colour) in enumerate(PLATFORMS, 1):
        for suffix, side_words, sign, edge in SUFFIXES:
            objects["platforms/%s%s.b3d" % (name, suffix)] = platform_object(words, height, colour, sign, edge,
                                                                            side_words)
        platform_lines.append("%d=%s" % (i, name))
    files["platforms/platformid.dat"] = catalog(platform_lines + ["-"])

    roof_lines = []
    for i, (name, words, height, colour) in enumerate(ROOFS, 1):
        for suffix, side_words, sign, edge in SUFFIXES:
            objects["platforms/%s%s.b3d" % (name, suffix)] = roof_object(words, height, colour, sign, edge,
                                                                        side_words)
        roof_lines.append("%d=%s" % (i, name))
    files["platforms/roofid.dat"] = catalog(roof_lines + ["-"])

    pole_lines = []
    for i, (name, words, mast, other, colour) in enumerate(POLES, 1):
        objects["poles/" + name] = pole_object(words, mast, other, colour)
        pole_lines.append("%d=%s" % (i, name))
    files["poles/polesid.dat"] = catalog(pole_lines + ["-"])

    bg_lines = []
    for i, (name, top, horizon_sky, land, horizon) in enumerate(BACKGROUNDS, 1):
        files["backgrounds/" + name] = background_picture(top, horizon_sky, land, horizon)
        bg_lines.append("%d=%s" % (i, name))
    files["backgrounds/bgroundid.dat"] = catalog(bg_lines)

    objects.update(free_objects())
    files["signs/ne5.bmp"] = stop_sign_texture()

    for name, (freqs, seconds) in SOUNDS.items():
        files[name] = wav(tone(freqs, seconds), 11025)

    for name, obj in objects.items():
        files[name] = obj.text().encode("ascii")
        folder = name.rsplit("/", 1)[0]
        for t in obj.textures:
            if folder + "/" + t not in files:
                raise SystemExit("texture %s of %s is not generated" % (t, name))

    for name, data in sorted(files.items()):
        path = os.path.join(target, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    return len(files)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "sample", "program", "lib")
    count = build(target)
    print("%d files written to %s" % (count, target))


if __name__ == "__main__":
    main()
