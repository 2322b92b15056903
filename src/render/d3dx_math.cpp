#include "render/d3dx_math.h"

#include <cmath>
#include <cstdint>

namespace d3d {
namespace {

D3DVECTOR sub(const D3DVECTOR& a, const D3DVECTOR& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

D3DVECTOR cross(const D3DVECTOR& a, const D3DVECTOR& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float dot(const D3DVECTOR& a, const D3DVECTOR& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A zero vector stays zero rather than turning into NaNs.
D3DVECTOR normalize(const D3DVECTOR& v)
{
    const float len = std::sqrt(dot(v, v));
    if (len == 0.0f)
        return {0, 0, 0};
    return {v.x / len, v.y / len, v.z / len};
}

}  // namespace

D3DMATRIX D3DXMatrixIdentity()
{
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        r.m[i][i] = 1.0f;
    return r;
}

D3DMATRIX D3DXMatrixLookAtLH(const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up)
{
    const D3DVECTOR z = normalize(sub(at, eye));
    const D3DVECTOR x = normalize(cross(up, z));
    const D3DVECTOR y = cross(z, x);
    D3DMATRIX r{};
    r.m[0][0] = x.x;
    r.m[0][1] = y.x;
    r.m[0][2] = z.x;
    r.m[1][0] = x.y;
    r.m[1][1] = y.y;
    r.m[1][2] = z.y;
    r.m[2][0] = x.z;
    r.m[2][1] = y.z;
    r.m[2][2] = z.z;
    r.m[3][0] = -dot(x, eye);
    r.m[3][1] = -dot(y, eye);
    r.m[3][2] = -dot(z, eye);
    r.m[3][3] = 1.0f;
    return r;
}

D3DMATRIX D3DXMatrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf)
{
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    const float xScale = yScale / aspect;
    D3DMATRIX r{};
    r.m[0][0] = xScale;
    r.m[1][1] = yScale;
    r.m[2][2] = zf / (zf - zn);
    r.m[2][3] = 1.0f;
    r.m[3][2] = -zn * zf / (zf - zn);
    return r;
}

D3DMATRIX D3DXMatrixRotationX(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    D3DMATRIX r = D3DXMatrixIdentity();
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

D3DMATRIX D3DXMatrixRotationY(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    D3DMATRIX r = D3DXMatrixIdentity();
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

D3DMATRIX D3DXMatrixMultiply(const D3DMATRIX& a, const D3DMATRIX& b)
{
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] =
                a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

D3DCOLOR D3DColorFromValue(float r, float g, float b, float a)
{
    // Truncation towards zero through a wide signed integer, then the low byte,
    // as the C macro does with a DWORD cast on the compilers of its day.
    auto channel = [](float v) -> D3DCOLOR {
        const float scaled = v * 255.0f;
        if (!std::isfinite(scaled) || std::fabs(scaled) > 2.0e9f)
            return 0;
        return static_cast<D3DCOLOR>(static_cast<std::int64_t>(scaled)) & 0xFFu;
    };
    return (channel(a) << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

}  // namespace d3d
