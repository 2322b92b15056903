#pragma once

// Direct3D-style row-vector matrices (p' = p * M) for frames and for placing
// parts of a model.

#include "xwriter/xscene.h"

namespace xgen {

Matrix4 translation(const Vec3& offset);
Matrix4 scaling(double factor);
Matrix4 rotationX(double radians);
Matrix4 rotationY(double radians);
Matrix4 rotationZ(double radians);

// a * b: applies a first, then b.
Matrix4 operator*(const Matrix4& a, const Matrix4& b);

Vec3 transformPoint(const Vec3& p, const Matrix4& m);
Vec3 transformDirection(const Vec3& d, const Matrix4& m);  // normalised; rotations and uniform scales only

}  // namespace xgen
