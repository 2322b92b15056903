// The reference device's rasterisation rules, pixel by pixel: coverage (fill
// rule, shared edges, cracks), depth precision, clipping, culling and fill
// modes. Everything is drawn unlit with identity transforms, so positions are
// clip coordinates and screen pixels are easy to name.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "ref_scene.h"

using namespace reftest;

namespace {

constexpr std::uint32_t kGrey = 0xFF202020;

// Pixels whose RGB is not black, as (x, y) pairs.
std::set<std::pair<int, int>> litPixels(const QImage& image)
{
    std::set<std::pair<int, int>> lit;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (rgb(image, x, y) != 0)
                lit.insert({x, y});
    return lit;
}

// A mesh of triangles given by screen-pixel corners.
struct ScreenMesh {
    int width, height;
    std::vector<V> vertices;
    std::vector<std::uint32_t> indices;

    std::uint32_t add(double sx, double sy, float z = 0.5f, std::uint32_t color = kGrey)
    {
        vertices.push_back({clipX(sx, width), clipY(sy, height), z, color});
        return std::uint32_t(vertices.size() - 1);
    }
    void triangle(std::uint32_t a, std::uint32_t b, std::uint32_t c)
    {
        indices.insert(indices.end(), {a, b, c});
    }
    MeshPtr make(const DevicePtr& device) const { return makeMesh(device, coloredMesh(vertices, indices)); }
};

// Draws `m` unlit, additively, on black; returns the frame.
QImage drawAdditive(const ScreenMesh& m)
{
    DevicePtr device = makeDevice(m.width, m.height);
    unlit(device);
    additive(device);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    EXPECT_EQ(drawInScene(device, m.make(device)), D3D_OK);
    return frame(device);
}

}  // namespace

// Coverage: every pixel centre inside a mesh of adjacent triangles belongs to
// exactly one of them, however the edges fall between centres.
TEST(RefCoverage, SharedEdgesAreDrawnOnceAndLeaveNoCracks)
{
    ScreenMesh m{64, 64, {}, {}};
    const int n = 10;
    std::uint32_t seed = 12345;
    auto jitter = [&] {
        seed = seed * 1103515245u + 12345u;
        return (double((seed >> 8) & 0xFFFF) / 65535.0 - 0.5) * 4.6;
    };
    std::vector<std::uint32_t> grid;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            grid.push_back(m.add(4 + i * 6 + jitter(), 4 + j * 6 + jitter()));
    for (int j = 0; j + 1 < n; ++j) {
        for (int i = 0; i + 1 < n; ++i) {
            const std::uint32_t a = grid[j * n + i], b = grid[j * n + i + 1];
            const std::uint32_t c = grid[(j + 1) * n + i], d = grid[(j + 1) * n + i + 1];
            if ((i + j) % 2)
                m.triangle(a, b, d), m.triangle(a, d, c);
            else
                m.triangle(a, b, c), m.triangle(b, d, c);
        }
    }
    const QImage image = drawAdditive(m);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const std::uint32_t c = rgb(image, x, y);
            ASSERT_TRUE(c == 0 || c == 0x202020) << "pixel " << x << "," << y << " drawn more than once";
            if (x >= 8 && x <= 54 && y >= 8 && y <= 54) {
                ASSERT_EQ(c, 0x202020u) << "crack at " << x << "," << y;
            }
        }
    }
}

TEST(RefCoverage, FanOfThinTrianglesFillsADisc)
{
    ScreenMesh m{96, 96, {}, {}};
    const double cx = 48.37, cy = 47.81, r = 40.0;
    const int segments = 720;
    const std::uint32_t centre = m.add(cx, cy);
    std::vector<std::uint32_t> rim;
    for (int i = 0; i < segments; ++i) {
        const double a = 2.0 * 3.14159265358979 * i / segments;
        rim.push_back(m.add(cx + r * std::cos(a), cy + r * std::sin(a)));
    }
    for (int i = 0; i < segments; ++i)
        m.triangle(centre, rim[i], rim[(i + 1) % segments]);
    const QImage image = drawAdditive(m);
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 96; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            const std::uint32_t c = rgb(image, x, y);
            ASSERT_TRUE(c == 0 || c == 0x202020) << "pixel " << x << "," << y << " drawn more than once";
            if (d < r - 0.5) {
                ASSERT_EQ(c, 0x202020u) << "hole at " << x << "," << y;
            }
            if (d > r + 0.5) {
                ASSERT_EQ(c, 0u) << "spill at " << x << "," << y;
            }
        }
    }
}

// Edges through pixel centres: a centre on a left or top edge is inside, on a
// right or bottom edge outside, whichever way the corners are listed.
TEST(RefCoverage, TopLeftRuleOnExactPixelCentres)
{
    std::set<std::pair<int, int>> upperLeft, lowerRight;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (x >= 2 && y >= 2 && x + y < 12)
                upperLeft.insert({x, y});  // hypotenuse is its right/bottom edge
            if (x < 10 && y < 10 && x + y >= 12)
                lowerRight.insert({x, y});  // hypotenuse is its left/top edge
        }
    }
    for (bool reversed : {false, true}) {
        ScreenMesh a{32, 32, {}, {}};
        const std::uint32_t p0 = a.add(2, 2), p1 = a.add(10, 2), p2 = a.add(2, 10);
        reversed ? a.triangle(p0, p2, p1) : a.triangle(p0, p1, p2);
        EXPECT_EQ(litPixels(drawAdditive(a)), upperLeft) << (reversed ? "counter-clockwise" : "clockwise");

        ScreenMesh b{32, 32, {}, {}};
        const std::uint32_t q0 = b.add(10, 2), q1 = b.add(10, 10), q2 = b.add(2, 10);
        reversed ? b.triangle(q0, q2, q1) : b.triangle(q0, q1, q2);
        EXPECT_EQ(litPixels(drawAdditive(b)), lowerRight) << (reversed ? "counter-clockwise" : "clockwise");
    }
    // Together they tile the square [2, 10)² exactly.
    EXPECT_EQ(upperLeft.size() + lowerRight.size(), 64u);
}

TEST(RefCoverage, HorizontalAndVerticalEdgesOnCentres)
{
    // A rectangle from (3, 4) to (9, 7) on pixel centres covers columns 3..8 and rows 4..6.
    ScreenMesh m{16, 16, {}, {}};
    const std::uint32_t a = m.add(3, 4), b = m.add(9, 4), c = m.add(9, 7), d = m.add(3, 7);
    m.triangle(a, b, c);
    m.triangle(a, c, d);
    std::set<std::pair<int, int>> expected;
    for (int y = 4; y < 7; ++y)
        for (int x = 3; x < 9; ++x)
            expected.insert({x, y});
    EXPECT_EQ(litPixels(drawAdditive(m)), expected);
}

namespace {

// A full-screen quad at depth z in `color`, drawn after the states set so far.
void drawQuad(const DevicePtr& device, float z, std::uint32_t color)
{
    const std::vector<V> v{{-1, 1, z, color}, {1, 1, z, color}, {1, -1, z, color}, {-1, -1, z, color}};
    device->BeginScene();
    makeMesh(device, coloredMesh(v, {0, 1, 2, 0, 2, 3}))->DrawSubset(0);
    device->EndScene();
}

}  // namespace

// Depth is kept to 16 bits, rounded to nearest: depths closer than one step
// of 1/65535 tie (and LESSEQUAL lets the later quad win), farther ones do not.
TEST(RefDepth, SixteenBitResolution)
{
    struct Case {
        double first, second;  // in steps of 1/65535
        std::uint32_t func;
        std::uint32_t visible;
    };
    const std::uint32_t red = 0xFF0000, green = 0x00FF00;
    const Case cases[] = {
        {1000.1, 1000.4, D3DCMP_LESSEQUAL, green},  // same step: a tie, the later one wins
        {1000.4, 1000.1, D3DCMP_LESSEQUAL, green},
        {1000.1, 1000.4, D3DCMP_LESS, red},        // the tie shows with LESS too
        {1000.1, 1002.1, D3DCMP_LESSEQUAL, red},   // two steps farther: hidden
        {1000.1, 998.1, D3DCMP_LESSEQUAL, green},  // two steps nearer: in front
        {1000.6, 1000.4, D3DCMP_LESS, green},      // rounds to 1001 vs 1000: nearer, not a tie
    };
    for (const Case& c : cases) {
        DevicePtr device = makeDevice(8, 8);
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->SetRenderState(D3DRS_ZFUNC, c.func);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        drawQuad(device, float(c.first / 65535.0), 0xFF000000 | red);
        drawQuad(device, float(c.second / 65535.0), 0xFF000000 | green);
        EXPECT_EQ(rgb(frame(device), 4, 4), c.visible) << c.first << " then " << c.second;
        std::vector<std::uint16_t> depth;
        std::uint32_t w = 0, h = 0;
        ASSERT_EQ(device->GetDepthBuffer(depth, w, h), D3D_OK);
        ASSERT_EQ(depth.size(), 64u);
        const double written = c.visible == green ? c.second : c.first;
        EXPECT_EQ(depth[4 * 8 + 4], std::uint16_t(std::floor(written + 0.5)))
            << c.first << " then " << c.second;
    }
}

// Clipping: the part of a triangle behind the near plane is cut away; the
// rest is drawn where it projects, never mirrored through the eye.
TEST(RefClipping, NearPlaneCutsTheTriangle)
{
    // Orthographic: z runs from −1 at the left edge to +1 at the right, so
    // only the right half (z ≥ 0) survives.
    {
        DevicePtr device = makeDevice(32, 32);
        unlit(device);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        const std::vector<V> v{{-1, 1, -1, kGrey}, {1, 1, 1, kGrey}, {1, -1, 1, kGrey}, {-1, -1, -1, kGrey}};
        ASSERT_EQ(drawInScene(device, makeMesh(device, coloredMesh(v, {0, 1, 2, 0, 2, 3}))), D3D_OK);
        const QImage image = frame(device);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                if (x < 15) {
                    ASSERT_EQ(rgb(image, x, y), 0u) << x << "," << y;
                }
                if (x > 16) {
                    ASSERT_EQ(rgb(image, x, y), 0x202020u) << x << "," << y;
                }
            }
        }
    }
    // Perspective: a floor triangle reaching behind the eye. Its front part
    // fills the bottom of the view between the near plane and depth 2.
    {
        DevicePtr device = makeDevice(64, 64);
        unlit(device);
        device->SetTransform(D3DTS_PROJECTION,
                             D3DXMatrixPerspectiveFovLH(3.14159265f / 2, 1.0f, 1.0f, 100.0f));
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        const std::vector<V> v{{-1, -1, 2, kGrey}, {1, -1, 2, kGrey}, {0, -1, -4, kGrey}};
        ASSERT_EQ(drawInScene(device, makeMesh(device, coloredMesh(v, {0, 1, 2}))), D3D_OK);
        const QImage image = frame(device);
        // Corners at depth 2 land on row 48, x = 16 and 48; the near plane
        // cuts the side edges at x = ±5/6 on the bottom row.
        for (int y = 0; y < 47; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(rgb(image, x, y), 0u) << "wrapped to " << x << "," << y;
        EXPECT_EQ(rgb(image, 32, 50), 0x202020u);
        EXPECT_EQ(rgb(image, 32, 63), 0x202020u);
        EXPECT_EQ(rgb(image, 8, 62), 0x202020u);
        EXPECT_EQ(rgb(image, 1, 62), 0u);
    }
}

TEST(RefClipping, FarPlaneAndGuardBand)
{
    // A triangle far larger than the guard band still fills the screen, and
    // one wholly beyond the far plane draws nothing.
    DevicePtr device = makeDevice(16, 16);
    unlit(device);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    const std::vector<V> huge{{-5000, 5000, 0.5f, kGrey}, {5000, 5000, 0.5f, kGrey}, {0, -5000, 0.5f, kGrey}};
    ASSERT_EQ(drawInScene(device, makeMesh(device, coloredMesh(huge, {0, 1, 2}))), D3D_OK);
    EXPECT_EQ(litPixels(frame(device)).size(), 256u);

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    const std::vector<V> far{{-1, 1, 1.5f, kGrey}, {1, 1, 1.5f, kGrey}, {0, -1, 1.5f, kGrey}};
    ASSERT_EQ(drawInScene(device, makeMesh(device, coloredMesh(far, {0, 1, 2}))), D3D_OK);
    EXPECT_TRUE(litPixels(frame(device)).empty());
}

// Culling: front faces are clockwise on screen; the cull mode names the
// winding that is dropped.
TEST(RefCulling, CullModesDropTheirWinding)
{
    struct Case {
        std::uint32_t mode;
        bool clockwiseDrawn, counterClockwiseDrawn;
    };
    for (const Case c :
         {Case{D3DCULL_CCW, true, false}, Case{D3DCULL_CW, false, true}, Case{D3DCULL_NONE, true, true}}) {
        for (bool clockwise : {true, false}) {
            ScreenMesh m{16, 16, {}, {}};
            const std::uint32_t a = m.add(2, 2), b = m.add(14, 2), d = m.add(2, 14);
            clockwise ? m.triangle(a, b, d) : m.triangle(a, d, b);
            DevicePtr device = makeDevice(16, 16);
            device->SetRenderState(D3DRS_LIGHTING, 0);
            device->SetRenderState(D3DRS_CULLMODE, c.mode);
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
            drawInScene(device, m.make(device));
            EXPECT_EQ(!litPixels(frame(device)).empty(),
                      clockwise ? c.clockwiseDrawn : c.counterClockwiseDrawn)
                << "cull mode " << c.mode << (clockwise ? " clockwise" : " counter-clockwise");
        }
    }
}

// Wireframe: only the edges are drawn, with the colours interpolated along
// them; the interior keeps the clear colour, and back faces stay culled.
TEST(RefFillMode, WireframeDrawsOnlyEdges)
{
    ScreenMesh m{32, 32, {}, {}};
    const std::uint32_t a = m.add(4, 4, 0.5f, 0xFFFF0000), b = m.add(28, 4, 0.5f, 0xFF0000FF);
    const std::uint32_t c = m.add(4, 28, 0.5f, 0xFF00FF00);
    m.triangle(a, b, c);
    DevicePtr device = makeDevice(32, 32);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00102030, 1.0f, 0);
    ASSERT_EQ(drawInScene(device, m.make(device)), D3D_OK);
    QImage image = frame(device);
    for (int y = 6; y < 26; ++y)
        for (int x = 6; x < 30 - y; ++x)
            ASSERT_EQ(rgb(image, x, y), 0x102030u) << "interior " << x << "," << y;
    for (int i = 4; i <= 28; ++i) {
        EXPECT_NE(rgb(image, i, 4), 0x102030u) << "top edge at " << i;
        EXPECT_NE(rgb(image, 4, i), 0x102030u) << "left edge at " << i;
        EXPECT_NE(rgb(image, 32 - i, i), 0x102030u) << "diagonal at " << i;
    }
    EXPECT_EQ(rgb(image, 4, 4), 0xFF0000u);
    EXPECT_EQ(rgb(image, 28, 4), 0x0000FFu);
    EXPECT_EQ(rgb(image, 16, 4), 0x800080u) << "colour interpolated along the edge";

    // The same triangle listed counter-clockwise is culled before it becomes lines.
    ScreenMesh back{32, 32, {}, {}};
    const std::uint32_t p0 = back.add(4, 4), p1 = back.add(4, 28), p2 = back.add(28, 4);
    back.triangle(p0, p1, p2);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ASSERT_EQ(drawInScene(device, back.make(device)), D3D_OK);
    EXPECT_TRUE(litPixels(frame(device)).empty());
}

// Bad input is refused with a status or skipped; it never crashes.
TEST(RefRobustness, BadInputFailsOrIsSkipped)
{
    EXPECT_EQ(makeDevice(0, 16), nullptr);
    EXPECT_EQ(makeDevice(16, 16385), nullptr);

    DevicePtr device = makeDevice(16, 16);
    ASSERT_TRUE(device);
    unlit(device);
    MeshPtr mesh;
    xfile::MeshData outOfRange = coloredMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 3});
    EXPECT_EQ(factory(device).CreateMeshFromData(outOfRange, mesh), D3DERR_INVALIDCALL);
    xfile::MeshData empty;
    EXPECT_EQ(factory(device).CreateMeshFromData(empty, mesh), D3DERR_INVALIDCALL);
    xfile::MeshData badNormals = coloredMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    badNormals.normals = {0, 0, 1};
    EXPECT_EQ(factory(device).CreateMeshFromData(badNormals, mesh), D3DERR_INVALIDCALL);
    xfile::MeshData badGroup = coloredMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    badGroup.groups = {{0, 0, 2}};
    EXPECT_EQ(factory(device).CreateMeshFromData(badGroup, mesh), D3DERR_INVALIDCALL);
    EXPECT_FALSE(mesh);

    // NaN, infinite and enormous corners: those faces are skipped, the good one drawn.
    const float nan = std::nanf(""), inf = INFINITY;
    const std::vector<V> v{{nan, 0, 0.5f, kGrey}, {1, 1, 0.5f, kGrey},          {0, -1, 0.5f, kGrey},
                           {inf, 0, 0.5f, kGrey}, {1e30f, -1e30f, 0.5f, kGrey}, {-1, -1, 0.5f, kGrey},
                           {-1, 1, 0.5f, kGrey},  {-0.5f, 1, 0.5f, kGrey},      {-1, 0.5f, 0.5f, kGrey}};
    MeshPtr wild = makeMesh(device, coloredMesh(v, {0, 1, 2, 3, 1, 2, 4, 5, 6, 6, 7, 8}));
    ASSERT_TRUE(wild);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    EXPECT_EQ(drawInScene(device, wild), D3D_OK);
    EXPECT_EQ(rgb(frame(device), 0, 0), 0x202020u);

    // Drawing needs a scene and a live device.
    EXPECT_EQ(wild->DrawSubset(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(drawInScene(device, wild, 7), D3D_OK) << "a group with no faces draws nothing";
    device.reset();
    EXPECT_EQ(wild->DrawSubset(0), D3DERR_INVALIDCALL);
}

TEST(RefRobustness, ClearValidatesAndClipsRectangles)
{
    DevicePtr device = makeDevice(8, 8);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.5f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, std::nanf(""), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);

    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF112233, 0.25f, 0), D3D_OK);
    const D3DRECT rects[] = {{6, 6, 100, 100}, {-5, -5, 2, 1}, {4, 4, 4, 8}};
    ASSERT_EQ(device->Clear(3, rects, D3DCLEAR_TARGET, 0x00ABCDEF, 1.0f, 0), D3D_OK);
    const QImage image = frame(device);
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(7, 7), 0xFFABCDEFu);
    EXPECT_EQ(image.pixel(1, 0), 0xFFABCDEFu);
    EXPECT_EQ(image.pixel(1, 1), 0xFF112233u);
    EXPECT_EQ(image.pixel(4, 5), 0xFF112233u) << "an empty rectangle clears nothing";
    std::vector<std::uint16_t> depth;
    std::uint32_t w = 0, h = 0;
    ASSERT_EQ(device->GetDepthBuffer(depth, w, h), D3D_OK);
    EXPECT_EQ(depth[0], std::uint16_t(16384)) << "0.25 × 65535 rounded";
}
