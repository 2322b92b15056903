#include "render/ref/ref_raster.h"

#include <algorithm>
#include <cmath>

namespace d3d::ref {
namespace {

// Integer division rounding down / up, for a positive divisor.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return -floorDiv(-a, b); }

double toPixels(std::int64_t fixed) { return double(fixed) / double(kSubpixelScale); }

// Fills a fragment's colours and texture coordinate from the interpolated
// values: `vq` holds varying × q and `q` is 1/w at the pixel. Flat shading
// takes the colours from `flatColor` instead.
void interpolate(const float* flatColor, const double* vq, double q, Fragment& f)
{
    const double w = 1.0 / q;
    if (flatColor) {
        std::copy(flatColor, flatColor + 4, f.diffuse);
        std::copy(flatColor + kSpecularR, flatColor + kSpecularB + 1, f.specular);
    } else {
        for (int c = 0; c < 4; ++c)
            f.diffuse[c] = float(vq[kDiffuseR + c] * w);
        for (int c = 0; c < 3; ++c)
            f.specular[c] = float(vq[kSpecularR + c] * w);
    }
    f.u = float(vq[kTexU] * w);
    f.v = float(vq[kTexV] * w);
}

}  // namespace

std::int64_t snapToSubpixel(double s) { return std::int64_t(std::floor(s * double(kSubpixelScale) + 0.5)); }

std::int64_t signedArea2(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c)
{
    return (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
}

bool setupTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int width, int height,
                   const float* flatColor, bool textured, TriangleSetup& t)
{
    const std::int64_t area = signedArea2(a, b, c);
    if (area == 0)
        return false;
    // Walk the corners clockwise, so that inside is where every edge function is positive.
    const ScreenVertex* v[3] = {&a, area > 0 ? &b : &c, area > 0 ? &c : &b};

    const std::int64_t minFx = std::min({a.x, b.x, c.x}), maxFx = std::max({a.x, b.x, c.x});
    const std::int64_t minFy = std::min({a.y, b.y, c.y}), maxFy = std::max({a.y, b.y, c.y});
    t.minX = int(std::max<std::int64_t>(0, ceilDiv(minFx, kSubpixelScale)));
    t.maxX = int(std::min<std::int64_t>(width - 1, floorDiv(maxFx, kSubpixelScale)));
    t.minY = int(std::max<std::int64_t>(0, ceilDiv(minFy, kSubpixelScale)));
    t.maxY = int(std::min<std::int64_t>(height - 1, floorDiv(maxFy, kSubpixelScale)));
    if (t.minX > t.maxX || t.minY > t.maxY)
        return false;

    for (int i = 0; i < 3; ++i) {
        const ScreenVertex& s = *v[i];
        const ScreenVertex& e = *v[(i + 1) % 3];
        TriangleSetup::Edge& edge = t.edge[i];
        edge.ax = s.x, edge.ay = s.y;
        edge.dx = e.x - s.x, edge.dy = e.y - s.y;
        // Clockwise on a y-down screen, a left edge runs upwards and a top
        // edge runs to the right; centres exactly on them are inside.
        const bool topLeft = edge.dy < 0 || (edge.dy == 0 && edge.dx > 0);
        edge.bias = topLeft ? 0 : 1;
    }

    // Attribute planes over the snapped corners.
    const double x0 = toPixels(a.x), y0 = toPixels(a.y);
    const double x1 = toPixels(b.x) - x0, y1 = toPixels(b.y) - y0;
    const double x2 = toPixels(c.x) - x0, y2 = toPixels(c.y) - y0;
    const double invDet = 1.0 / (x1 * y2 - x2 * y1);
    auto plane = [&](double f0, double f1, double f2) {
        Plane p;
        p.at0 = f0;
        p.dx = ((f1 - f0) * y2 - (f2 - f0) * y1) * invDet;
        p.dy = ((f2 - f0) * x1 - (f1 - f0) * x2) * invDet;
        return p;
    };
    t.refX = x0, t.refY = y0;
    t.z = plane(a.z, b.z, c.z);
    t.q = plane(a.q, b.q, c.q);
    for (int i = 0; i < kVaryingCount; ++i)
        t.v[i] = plane(double(a.v[i]) * a.q, double(b.v[i]) * b.q, double(c.v[i]) * c.q);
    t.flat = flatColor != nullptr;
    if (flatColor)
        std::copy(flatColor, flatColor + kSpecularB + 1, t.flatColor);
    t.textured = textured;
    return true;
}

void drawTriangle(const TriangleSetup& t, const PixelState& ps, FrameBuffers& fb, const BandRows& band)
{
    const float* flat = t.flat ? t.flatColor : nullptr;
    for (int py = band.nextOwned(t.minY, t.maxY); py <= t.maxY; py = band.nextOwned(py + 1, t.maxY)) {
        // The covered span of this row, exactly: edge function E(px) = K + S·px
        // must reach the edge's bias.
        const std::int64_t Y = std::int64_t(py) * kSubpixelScale;
        std::int64_t xl = t.minX, xr = t.maxX;
        for (const TriangleSetup::Edge& e : t.edge) {
            const std::int64_t K = e.dx * (Y - e.ay) + e.dy * e.ax;
            const std::int64_t S = -e.dy * kSubpixelScale;
            if (S > 0)
                xl = std::max(xl, ceilDiv(e.bias - K, S));
            else if (S < 0)
                xr = std::min(xr, floorDiv(K - e.bias, -S));
            else if (K < e.bias)
                xr = xl - 1;
        }
        if (xl > xr)
            continue;

        const double dyp = double(py) - t.refY;
        const double zRow = t.z.at0 + t.z.dy * dyp;
        const double qRow = t.q.at0 + t.q.dy * dyp;
        double vRow[kVaryingCount];
        for (int i = 0; i < kVaryingCount; ++i)
            vRow[i] = t.v[i].at0 + t.v[i].dy * dyp;

        std::uint32_t* colorRow = fb.colorRow(py);
        std::uint16_t* depthRow = fb.depthRow(py);
        for (int px = int(xl); px <= int(xr); ++px) {
            const double dxp = double(px) - t.refX;
            const std::uint16_t z = quantizeDepth(zRow + t.z.dx * dxp);
            if (!depthPasses(ps, z, depthRow[px]))
                continue;
            double q = qRow + t.q.dx * dxp;
            if (!(q > 0.0))
                q = 1e-30;  // rounding at a corner; w is positive everywhere inside
            double vq[kVaryingCount];
            for (int i = 0; i < kVaryingCount; ++i)
                vq[i] = vRow[i] + t.v[i].dx * dxp;
            Fragment f;
            interpolate(flat, vq, q, f);
            if (t.textured) {
                // d(U/Q) = (dU − u·dQ) / Q.
                f.d.dudx = float((t.v[kTexU].dx - f.u * t.q.dx) / q);
                f.d.dudy = float((t.v[kTexU].dy - f.u * t.q.dy) / q);
                f.d.dvdx = float((t.v[kTexV].dx - f.v * t.q.dx) / q);
                f.d.dvdy = float((t.v[kTexV].dy - f.v * t.q.dy) / q);
            }
            shadeFragment(ps, f, z, colorRow[px], depthRow[px]);
        }
    }
}

void setupLine(const ScreenVertex& a, const ScreenVertex& b, const float* flatColor, LineSetup& l)
{
    // Order the ends so that an edge shared by two triangles is the same line in both.
    const bool swap = b.x < a.x || (b.x == a.x && b.y < a.y);
    const ScreenVertex& s = swap ? b : a;
    const ScreenVertex& e = swap ? a : b;
    l.x0 = toPixels(s.x), l.y0 = toPixels(s.y), l.x1 = toPixels(e.x), l.y1 = toPixels(e.y);
    l.z0 = s.z, l.z1 = e.z, l.q0 = s.q, l.q1 = e.q;
    for (int i = 0; i < kVaryingCount; ++i) {
        l.vq0[i] = float(double(s.v[i]) * s.q);
        l.vq1[i] = float(double(e.v[i]) * e.q);
    }
    l.flat = flatColor != nullptr;
    if (flatColor)
        std::copy(flatColor, flatColor + kSpecularB + 1, l.flatColor);
}

void drawLine(const LineSetup& l, const PixelState& ps, FrameBuffers& fb, const BandRows& band)
{
    const float* flat = l.flat ? l.flatColor : nullptr;
    auto plot = [&](int px, int py, double t) {
        const std::uint16_t z = quantizeDepth(l.z0 + t * (l.z1 - l.z0));
        std::uint16_t& stored = fb.depthRow(py)[px];
        if (!depthPasses(ps, z, stored))
            return;
        double q = l.q0 + t * (l.q1 - l.q0);
        if (!(q > 0.0))
            q = 1e-30;
        double vq[kVaryingCount];
        for (int i = 0; i < kVaryingCount; ++i)
            vq[i] = double(l.vq0[i]) + t * (double(l.vq1[i]) - double(l.vq0[i]));
        Fragment f;
        interpolate(flat, vq, q, f);
        f.d = {};  // lines sample as magnified
        shadeFragment(ps, f, z, fb.colorRow(py)[px], stored);
    };
    const double dx = l.x1 - l.x0, dy = l.y1 - l.y0;
    if (std::fabs(dx) >= std::fabs(dy)) {
        const int first = int(std::max(0.0, std::floor(l.x0 + 0.5)));
        const int last = int(std::min(double(fb.width - 1), std::floor(l.x1 + 0.5)));
        for (int px = first; px <= last; ++px) {
            const double t = dx > 0.0 ? std::clamp((double(px) - l.x0) / dx, 0.0, 1.0) : 0.0;
            const double y = std::floor(l.y0 + t * dy + 0.5);
            if (y < 0.0 || y > double(fb.height - 1) || !band.owns(int(y)))
                continue;
            plot(px, int(y), t);
        }
    } else {
        const int first = int(std::max(0.0, std::floor(std::min(l.y0, l.y1) + 0.5)));
        const int last = int(std::min(double(fb.height - 1), std::floor(std::max(l.y0, l.y1) + 0.5)));
        for (int py = band.nextOwned(first, last); py <= last; py = band.nextOwned(py + 1, last)) {
            const double t = std::clamp((double(py) - l.y0) / dy, 0.0, 1.0);
            const double x = std::floor(l.x0 + t * dx + 0.5);
            if (x < 0.0 || x > double(fb.width - 1))
                continue;
            plot(int(x), py, t);
        }
    }
}

}  // namespace d3d::ref
