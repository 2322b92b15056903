#include "transforms.h"

#include <cmath>

namespace xgen {

Matrix4 translation(const Vec3& offset)
{
    Matrix4 m;
    m.m[12] = offset.x;
    m.m[13] = offset.y;
    m.m[14] = offset.z;
    return m;
}

Matrix4 scaling(double factor)
{
    Matrix4 m;
    m.m[0] = m.m[5] = m.m[10] = factor;
    return m;
}

// Left-handed rotations as D3DXMatrixRotation*: looking down the axis
// towards the origin, a positive angle turns clockwise.
Matrix4 rotationX(double a)
{
    Matrix4 m;
    m.m[5] = std::cos(a);
    m.m[6] = std::sin(a);
    m.m[9] = -std::sin(a);
    m.m[10] = std::cos(a);
    return m;
}

Matrix4 rotationY(double a)
{
    Matrix4 m;
    m.m[0] = std::cos(a);
    m.m[2] = -std::sin(a);
    m.m[8] = std::sin(a);
    m.m[10] = std::cos(a);
    return m;
}

Matrix4 rotationZ(double a)
{
    Matrix4 m;
    m.m[0] = std::cos(a);
    m.m[1] = std::sin(a);
    m.m[4] = -std::sin(a);
    m.m[5] = std::cos(a);
    return m;
}

Matrix4 operator*(const Matrix4& a, const Matrix4& b)
{
    Matrix4 r;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[row * 4 + k] * b.m[k * 4 + col];
            }
            r.m[row * 4 + col] = sum;
        }
    }
    return r;
}

Vec3 transformPoint(const Vec3& p, const Matrix4& m)
{
    const auto& e = m.m;
    return {p.x * e[0] + p.y * e[4] + p.z * e[8] + e[12], p.x * e[1] + p.y * e[5] + p.z * e[9] + e[13],
            p.x * e[2] + p.y * e[6] + p.z * e[10] + e[14]};
}

Vec3 transformDirection(const Vec3& d, const Matrix4& m)
{
    const auto& e = m.m;
    return normalized({d.x * e[0] + d.y * e[4] + d.z * e[8], d.x * e[1] + d.y * e[5] + d.z * e[9],
                       d.x * e[2] + d.y * e[6] + d.z * e[10]});
}

}  // namespace xgen
