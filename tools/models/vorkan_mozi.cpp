// vorkan_mozi.x: the word VORKAN in extruded block letters. Every letter is
// a few bars (convex quads) that may overlap, each extruded on its own.

#include "models.h"

#include "geometry/extrusion.h"
#include "geometry/uv_mapping.h"

namespace xgen {

namespace {

// Letter cell: x from 0 to 1, y from 0 to 1.3; strokes about 0.26 wide.
using Bar = std::vector<Vec2>;

Bar rect(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }

// A slanted stroke with horizontal ends, from the bottom edge starting at
// xBottom to the top edge starting at xTop.
Bar slant(double xBottom, double xTop, double yBottom = 0.0, double yTop = 1.3, double width = 0.28)
{
    return {{xBottom, yBottom}, {xBottom + width, yBottom}, {xTop + width, yTop}, {xTop, yTop}};
}

std::vector<Bar> letter(char c)
{
    switch (c) {
    case 'V':
        return {slant(0.36, 0.0), slant(0.36, 0.72)};
    case 'O':
        return {rect(0, 0, 0.26, 1.3), rect(0.74, 0, 1.0, 1.3), rect(0.26, 1.04, 0.74, 1.3),
                rect(0.26, 0, 0.74, 0.26)};
    case 'R':
        return {rect(0, 0, 0.26, 1.3), rect(0.26, 1.04, 0.74, 1.3), rect(0.74, 0.55, 1.0, 1.3),
                rect(0.26, 0.55, 0.74, 0.8), slant(0.72, 0.34, 0.0, 0.55)};
    case 'K':
        return {rect(0, 0, 0.26, 1.3), slant(0.2, 0.72, 0.5, 1.3), slant(0.72, 0.26, 0.0, 0.72)};
    case 'A':
        return {slant(0.0, 0.36), slant(0.72, 0.36), rect(0.2, 0.34, 0.8, 0.58)};
    case 'N':
        return {rect(0, 0, 0.26, 1.3), rect(0.74, 0, 1.0, 1.3), slant(0.72, 0.0)};
    default:
        return {};
    }
}

}  // namespace

Scene vorkanLettering()
{
    constexpr double scale = 0.28;
    constexpr double advance = 1.22;  // letter width plus spacing, in cell units
    const std::string word = "VORKAN";
    const double width = (word.size() - 1) * advance + 1.0;
    const double left = -width * scale / 2;
    const double bottom = -1.3 * scale / 2;

    MeshBuilder mesh("VorkanMozi");
    mesh.setMaterials({Material{.name = "LetterRed", .diffuse = {0.9, 0.2, 0.15, 1.0}, .power = 30.0}});
    const UvMapping uv = planarXY(left, bottom, width * scale, 1.3 * scale);
    for (std::size_t i = 0; i < word.size(); ++i) {
        for (const Bar& bar : letter(word[i])) {
            std::vector<Vec2> corners;
            for (const Vec2& p : bar) {
                corners.push_back(Vec2{left + (p.x + i * advance) * scale, bottom + p.y * scale});
            }
            addExtrusion(mesh, convexPolygonShape(corners), -0.06, 0.06, uv);
        }
    }
    Scene scene;
    scene.meshes.push_back(mesh.build());
    return scene;
}

}  // namespace xgen
