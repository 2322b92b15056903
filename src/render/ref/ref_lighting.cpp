#include "render/ref/ref_lighting.h"

#include <algorithm>
#include <cmath>

#include "render/d3dx_math.h"
#include "render/fixed_function.h"
#include "render/ref/ref_math.h"

namespace d3d::ref {
namespace {

void directionTimes(const D3DVECTOR& v, const D3DMATRIX& m, float out[3])
{
    for (int c = 0; c < 3; ++c)
        out[c] = v.x * m.m[0][c] + v.y * m.m[1][c] + v.z * m.m[2][c];
}

float dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void normalize3(float v[3])
{
    const float length = std::sqrt(dot3(v, v));
    v[0] /= length, v[1] /= length, v[2] /= length;
}

// Saturates to [0, 1]; NaN becomes 0, so no later stage sees it.
float clamp01(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

void copyColor(const D3DCOLORVALUE& c, float out[4])
{
    out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = c.a;
}

// x^p with x^0 = 1 for every x, 0 included.
float specularPower(float x, float p) { return p == 0.0f ? 1.0f : float(stablePow(double(x), double(p))); }

}  // namespace

VertexProcessor::VertexProcessor(const DeviceState& s, const VertexLayout& layout) : layout_(layout)
{
    const D3DMATRIX wv = D3DXMatrixMultiply(s.world(), s.view());
    std::copy(&wv.m[0][0], &wv.m[0][0] + 16, &worldView_[0][0]);
    std::copy(&s.projection().m[0][0], &s.projection().m[0][0] + 16, &projection_[0][0]);

    const std::array<float, 9> normals = normalMatrix(wv);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            normalMatrix_[r][c] = normals[std::size_t(3 * r + c)];

    lighting_ = s.renderState(D3DRS_LIGHTING) != 0;
    normalize_ = s.renderState(D3DRS_NORMALIZENORMALS) != 0;
    localViewer_ = s.renderState(D3DRS_LOCALVIEWER) != 0;
    specularEnable_ = s.renderState(D3DRS_SPECULARENABLE) != 0;
    // Only the diffuse colour exists per vertex; a source naming the second
    // (specular) vertex colour falls back to the material.
    const bool colorVertex = s.renderState(D3DRS_COLORVERTEX) != 0 && layout.colors;
    auto fromVertex = [&](D3DRENDERSTATETYPE source) {
        return colorVertex && s.renderState(source) == D3DMCS_COLOR1;
    };
    diffuseFromVertex_ = fromVertex(D3DRS_DIFFUSEMATERIALSOURCE);
    ambientFromVertex_ = fromVertex(D3DRS_AMBIENTMATERIALSOURCE);
    specularFromVertex_ = fromVertex(D3DRS_SPECULARMATERIALSOURCE);
    emissiveFromVertex_ = fromVertex(D3DRS_EMISSIVEMATERIALSOURCE);

    const D3DMATERIAL8& mat = s.material();
    copyColor(mat.Diffuse, matDiffuse_);
    copyColor(mat.Ambient, matAmbient_);
    copyColor(mat.Specular, matSpecular_);
    copyColor(mat.Emissive, matEmissive_);
    power_ = mat.Power;
    float ambient[4];
    unpackColor(s.renderState(D3DRS_AMBIENT), ambient);
    std::copy(ambient, ambient + 3, globalAmbient_);

    for (const LightSlot& slot : s.lights()) {
        if (!slot.enabled)
            continue;
        const D3DLIGHT8& l = slot.light;
        Light out{};
        directionTimes(l.Direction, s.view(), out.direction);
        const float length = std::sqrt(dot3(out.direction, out.direction));
        if (l.Type != D3DLIGHT_POINT && !(length > 0.0f))
            continue;  // a light needs a direction to shine along
        if (length > 0.0f)
            for (float& c : out.direction)
                c /= length;
        directionTimes(l.Position, s.view(), out.position);
        for (int c = 0; c < 3; ++c)
            out.position[c] += s.view().m[3][c];
        out.type = l.Type;
        out.diffuse[0] = l.Diffuse.r, out.diffuse[1] = l.Diffuse.g, out.diffuse[2] = l.Diffuse.b;
        out.specular[0] = l.Specular.r, out.specular[1] = l.Specular.g, out.specular[2] = l.Specular.b;
        out.ambient[0] = l.Ambient.r, out.ambient[1] = l.Ambient.g, out.ambient[2] = l.Ambient.b;
        out.range = l.Range;
        out.att0 = l.Attenuation0, out.att1 = l.Attenuation1, out.att2 = l.Attenuation2;
        out.cosHalfTheta = float(stableCos(double(l.Theta) / 2)),
        out.cosHalfPhi = float(stableCos(double(l.Phi) / 2));
        out.falloff = l.Falloff;
        lights_[std::size_t(lightCount_++)] = out;
    }
}

ClipVertex VertexProcessor::process(const float* p, const float* normal, std::uint32_t color,
                                    const float* texcoord) const
{
    ClipVertex out{};
    float V[3];
    for (int c = 0; c < 3; ++c)
        V[c] = p[0] * worldView_[0][c] + p[1] * worldView_[1][c] + p[2] * worldView_[2][c] + worldView_[3][c];
    for (int c = 0; c < 4; ++c)
        out.pos[c] = V[0] * projection_[0][c] + V[1] * projection_[1][c] + V[2] * projection_[2][c] +
                     projection_[3][c];

    out.v[kTexU] = layout_.texcoords ? texcoord[0] : 0.0f;
    out.v[kTexV] = layout_.texcoords ? texcoord[1] : 0.0f;

    float vertexColor[4] = {1, 1, 1, 1};
    if (layout_.colors)
        unpackColor(color, vertexColor);

    if (!lighting_) {
        std::copy(vertexColor, vertexColor + 4, out.v + kDiffuseR);
        return out;  // specular stays 0
    }

    const float* Cd = diffuseFromVertex_ ? vertexColor : matDiffuse_;
    const float* Ca = ambientFromVertex_ ? vertexColor : matAmbient_;
    const float* Cs = specularFromVertex_ ? vertexColor : matSpecular_;
    const float* Ce = emissiveFromVertex_ ? vertexColor : matEmissive_;

    float N[3] = {0, 0, 0};
    if (layout_.normals)
        for (int c = 0; c < 3; ++c)
            N[c] = normal[0] * normalMatrix_[0][c] + normal[1] * normalMatrix_[1][c] +
                   normal[2] * normalMatrix_[2][c];
    if (normalize_ && dot3(N, N) > 0.0f)
        normalize3(N);
    float toEye[3] = {0, 0, -1};
    if (localViewer_ && dot3(V, V) > 0.0f) {
        toEye[0] = -V[0], toEye[1] = -V[1], toEye[2] = -V[2];
        normalize3(toEye);
    }

    float ambient[3] = {globalAmbient_[0], globalAmbient_[1], globalAmbient_[2]};
    float diffuse[3] = {0, 0, 0};
    float specular[3] = {0, 0, 0};
    for (int i = 0; i < lightCount_; ++i) {
        const Light& light = lights_[std::size_t(i)];
        float L[3];
        float atten = 1.0f;
        if (light.type == D3DLIGHT_DIRECTIONAL) {
            L[0] = -light.direction[0], L[1] = -light.direction[1], L[2] = -light.direction[2];
        } else {
            const float d[3] = {light.position[0] - V[0], light.position[1] - V[1], light.position[2] - V[2]};
            const float dist = std::sqrt(dot3(d, d));
            if (dist > light.range)
                continue;
            if (dist > 0.0f)
                L[0] = d[0] / dist, L[1] = d[1] / dist, L[2] = d[2] / dist;
            else
                L[0] = 0, L[1] = 0, L[2] = -1;
            const float den = light.att0 + light.att1 * dist + light.att2 * dist * dist;
            atten = den > 0.0f ? 1.0f / den : 1.0f;
            if (light.type == D3DLIGHT_SPOT) {
                const float rho = -dot3(L, light.direction);
                if (rho <= light.cosHalfPhi)
                    atten = 0.0f;
                else if (rho < light.cosHalfTheta)
                    atten *= float(
                        stablePow(double((rho - light.cosHalfPhi) / (light.cosHalfTheta - light.cosHalfPhi)),
                                  double(light.falloff)));
            }
        }
        for (int c = 0; c < 3; ++c)
            ambient[c] += light.ambient[c] * atten;
        const float NdotL = dot3(N, L);
        if (NdotL > 0.0f) {
            for (int c = 0; c < 3; ++c)
                diffuse[c] += light.diffuse[c] * (NdotL * atten);
            if (specularEnable_) {
                float H[3] = {toEye[0] + L[0], toEye[1] + L[1], toEye[2] + L[2]};
                normalize3(H);
                const float NdotH = dot3(N, H);
                if (NdotH > 0.0f) {
                    const float s = specularPower(NdotH, power_) * atten;
                    for (int c = 0; c < 3; ++c)
                        specular[c] += light.specular[c] * s;
                }
            }
        }
    }
    // Only the sums are clamped, per vertex, before interpolation.
    for (int c = 0; c < 3; ++c) {
        out.v[kDiffuseR + c] = clamp01(Ca[c] * ambient[c] + Cd[c] * diffuse[c] + Ce[c]);
        out.v[kSpecularR + c] = clamp01(Cs[c] * specular[c]);
    }
    out.v[kDiffuseA] = clamp01(Cd[3]);
    return out;
}

}  // namespace d3d::ref
