// D3DX's matrices and the colour packing against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "render/d3dx_math.h"

using namespace d3d;

namespace {

D3DVECTOR transformPoint(const D3DVECTOR& v, const D3DMATRIX& m)
{
    const float x = v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0];
    const float y = v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1];
    const float z = v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2];
    return {x, y, z};
}

void expectMatrix(const D3DMATRIX& actual, const float (&expected)[4][4], float tolerance = 1e-6f)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected[r][c], tolerance) << "row " << r << " col " << c;
}

}  // namespace

TEST(D3DXMath, LookAtFromTheDefaultCamera)
{
    // Eye (0,3,-10) looking at the origin: z = (0,-3,10)/√109, x = (1,0,0), y = z × x.
    const D3DMATRIX view = D3DXMatrixLookAtLH({0, 3, -10}, {0, 0, 0}, {0, 1, 0});
    const float n = std::sqrt(109.0f);
    const float zy = -3 / n, zz = 10 / n;
    const float yy = zz, yz = -zy;  // z × x = (0, zz, -zy)
    const float expected[4][4] = {
        {1, 0, 0, 0}, {0, yy, zy, 0}, {0, yz, zz, 0}, {0, -(yy * 3 + yz * -10), -(zy * 3 + zz * -10), 1}};
    expectMatrix(view, expected, 1e-5f);
    // The eye lands at the origin of view space, the target straight ahead on +z.
    const D3DVECTOR eye = transformPoint({0, 3, -10}, view);
    EXPECT_NEAR(eye.x, 0, 1e-5);
    EXPECT_NEAR(eye.y, 0, 1e-5);
    EXPECT_NEAR(eye.z, 0, 1e-5);
    const D3DVECTOR at = transformPoint({0, 0, 0}, view);
    EXPECT_NEAR(at.z, n, 1e-5);
    EXPECT_NEAR(at.y, 0, 1e-5);
}

TEST(D3DXMath, PerspectiveDividesByAspectAndMapsNearAndFarToZeroAndOne)
{
    const float fov = 1.570796f;  // 90 degrees as the viewer computes it
    const D3DMATRIX p = D3DXMatrixPerspectiveFovLH(fov, 2.0f, 1.0f, 1000.0f);
    const float yScale = 1.0f / std::tan(fov / 2);
    EXPECT_NEAR(p.m[1][1], yScale, 1e-6);
    EXPECT_NEAR(p.m[0][0], yScale / 2.0f, 1e-6);
    EXPECT_FLOAT_EQ(p.m[2][3], 1.0f);
    EXPECT_FLOAT_EQ(p.m[3][3], 0.0f);
    // z/w at the near and far planes.
    for (float z : {1.0f, 1000.0f}) {
        const float clipZ = z * p.m[2][2] + p.m[3][2];
        const float w = z * p.m[2][3];
        EXPECT_NEAR(clipZ / w, z == 1.0f ? 0.0f : 1.0f, 1e-6);
    }
}

TEST(D3DXMath, RotationsTurnClockwiseLookingAlongTheAxis)
{
    const float a = 0.5f;
    const D3DVECTOR y = transformPoint({0, 0, 1}, D3DXMatrixRotationY(a));
    EXPECT_NEAR(y.x, std::sin(a), 1e-6);
    EXPECT_NEAR(y.z, std::cos(a), 1e-6);
    const D3DVECTOR x = transformPoint({0, 1, 0}, D3DXMatrixRotationX(a));
    EXPECT_NEAR(x.y, std::cos(a), 1e-6);
    EXPECT_NEAR(x.z, std::sin(a), 1e-6);
    // Angle 0 is the identity.
    const float identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    expectMatrix(D3DXMatrixRotationX(0), identity);
    expectMatrix(D3DXMatrixRotationY(0), identity);
}

TEST(D3DXMath, MultiplyAppliesTheFirstMatrixFirst)
{
    // X by 90° then Y by 90°: (0,1,0) → (0,0,1) → (1,0,0).
    const D3DMATRIX both =
        D3DXMatrixMultiply(D3DXMatrixRotationX(1.5707964f), D3DXMatrixRotationY(1.5707964f));
    const D3DVECTOR v = transformPoint({0, 1, 0}, both);
    EXPECT_NEAR(v.x, 1, 1e-6);
    EXPECT_NEAR(v.y, 0, 1e-6);
    EXPECT_NEAR(v.z, 0, 1e-6);

    D3DMATRIX a{}, b{};
    for (int i = 0; i < 16; ++i) {
        a.m[i / 4][i % 4] = float(i + 1);
        b.m[i / 4][i % 4] = float(16 - i);
    }
    const D3DMATRIX ab = D3DXMatrixMultiply(a, b);
    EXPECT_FLOAT_EQ(ab.m[0][0], 1 * 16 + 2 * 12 + 3 * 8 + 4 * 4);
    EXPECT_FLOAT_EQ(ab.m[3][2], 13 * 14 + 14 * 10 + 15 * 6 + 16 * 2);
}

TEST(D3DXMath, ColourPackingTruncatesAndKeepsTheLowByte)
{
    EXPECT_EQ(D3DColorFromValue(0, 0, 0, 1), 0xFF000000u);
    EXPECT_EQ(D3DColorFromValue(1, 1, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(D3DColorFromValue(0.1f, 0.1f, 0.1f, 1), 0xFF191919u);  // 25.5 truncates to 25
    EXPECT_EQ(D3DColorFromValue(0.5f, 0.999f, 0, 1), 0xFF7FFE00u);
    EXPECT_EQ(D3DColorFromValue(1.5f, 0, 0, 1) & 0x00FF0000u, 126u << 16);  // 382 wraps
}
