// The reference device's colours: per-vertex lighting checked against the
// lighting equations evaluated here independently, and texture stage 0
// (addressing, filters, modulation, alpha blending).
#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <cmath>

#include "ref_scene.h"
#include "render/gaussian_cubic.h"

using namespace reftest;

namespace {

struct Vec {
    double x, y, z;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a) { return {-a.x, -a.y, -a.z}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec unit(Vec a)
{
    const double l = std::sqrt(dot(a, a));
    return {a.x / l, a.y / l, a.z / l};
}
double sat(double x) { return std::clamp(x, 0.0, 1.0); }

// A quad over the whole target at depth 0.5 facing the eye (normal −z), with
// texture coordinates 0..uvScale and optionally a vertex colour.
xfile::MeshData quad(float uvScale = 1.0f, std::uint32_t color = 0)
{
    xfile::MeshData d;
    d.positions = {-1, 1, 0.5f, 1, 1, 0.5f, 1, -1, 0.5f, -1, -1, 0.5f};
    d.normals = {0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1};
    d.texcoords = {0, 0, uvScale, 0, uvScale, uvScale, 0, uvScale};
    if (color)
        d.colors.assign(4, color);
    d.indices = {0, 1, 2, 0, 2, 3};
    d.attributes = {0, 0};
    d.groups = {{0, 0, 2}};
    return d;
}

struct LightingCase {
    const char* name;
    Vec direction;  // the way the light travels
    bool specular;  // SPECULARENABLE
    bool localViewer;
    float power;
    std::uint32_t vertexColor;  // 0: none, else the diffuse source with default states
};

}  // namespace

TEST(RefLighting, LitQuadMatchesTheLightingEquations)
{
    const D3DCOLORVALUE matDiffuse{0.8f, 0.6f, 0.4f, 1}, matAmbient{0.2f, 0.4f, 0.6f, 1};
    const D3DCOLORVALUE matSpecular{0.5f, 0.45f, 0.4f, 1}, matEmissive{0.05f, 0.1f, 0.0f, 1};
    const D3DCOLORVALUE lightDiffuse{0.9f, 0.8f, 0.7f, 1}, lightAmbient{0.1f, 0.15f, 0.05f, 1};
    const D3DCOLORVALUE lightSpecular{1, 0.9f, 0.8f, 1};
    const double globalAmbient = 64.0 / 255.0;  // D3DRS_AMBIENT 0x404040

    const LightingCase cases[] = {
        {"diffuse, ambient, emissive", {0.3, -0.5, 0.8}, false, true, 10, 0},
        {"specular, distant viewer", {0.3, -0.5, 0.8}, true, false, 10, 0},
        {"specular, power 0", {0.3, -0.5, 0.8}, true, false, 0, 0},
        {"specular, local viewer", {0.3, -0.5, 0.8}, true, true, 4, 0},
        {"light from behind", {0.0, 0.2, -1.0}, true, false, 0, 0},
        {"vertex colour as diffuse", {-0.4, 0.1, 0.9}, false, true, 10, 0xFF336699},
    };
    for (const LightingCase& c : cases) {
        DevicePtr device = makeDevice(32, 32);
        D3DMATERIAL8 mat{matDiffuse, matAmbient, matSpecular, matEmissive, c.power};
        device->SetMaterial(mat);
        D3DLIGHT8 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = lightDiffuse, light.Ambient = lightAmbient, light.Specular = lightSpecular;
        light.Direction = {float(c.direction.x), float(c.direction.y), float(c.direction.z)};
        device->SetLight(0, light);
        device->LightEnable(0, 1);
        device->SetRenderState(D3DRS_AMBIENT, 0x00404040);
        device->SetRenderState(D3DRS_SPECULARENABLE, c.specular);
        device->SetRenderState(D3DRS_LOCALVIEWER, c.localViewer);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        ASSERT_EQ(drawInScene(device, makeMesh(device, quad(1.0f, c.vertexColor))), D3D_OK) << c.name;
        const QImage image = frame(device);

        // Pixel (0, 0) sits exactly on the corner vertex (−1, 1, 0.5).
        const Vec N{0, 0, -1}, V{-1, 1, 0.5};
        const Vec L = unit(-c.direction);
        const double NdotL = dot(N, L);
        const Vec H = unit((c.localViewer ? unit(-V) : Vec{0, 0, -1}) + L);
        const double NdotH = dot(N, H);
        const double Cd[3] = {c.vertexColor ? 0x33 / 255.0 : matDiffuse.r,
                              c.vertexColor ? 0x66 / 255.0 : matDiffuse.g,
                              c.vertexColor ? 0x99 / 255.0 : matDiffuse.b};
        const double Ca[3] = {matAmbient.r, matAmbient.g, matAmbient.b};
        const double Ce[3] = {matEmissive.r, matEmissive.g, matEmissive.b};
        const double Cs[3] = {matSpecular.r, matSpecular.g, matSpecular.b};
        const double Ld[3] = {lightDiffuse.r, lightDiffuse.g, lightDiffuse.b};
        const double La[3] = {lightAmbient.r, lightAmbient.g, lightAmbient.b};
        const double Ls[3] = {lightSpecular.r, lightSpecular.g, lightSpecular.b};
        const int shifts[3] = {16, 8, 0};
        for (int ch = 0; ch < 3; ++ch) {
            const double lit =
                sat(Ca[ch] * (globalAmbient + La[ch]) + Cd[ch] * Ld[ch] * std::max(NdotL, 0.0) + Ce[ch]);
            double spec = 0;
            if (c.specular && NdotL > 0 && NdotH > 0)
                spec = sat(Cs[ch] * Ls[ch] * (c.power == 0 ? 1.0 : std::pow(NdotH, c.power)));
            const double expected = sat(lit + spec) * 255.0;
            const int corner = int((image.pixel(0, 0) >> shifts[ch]) & 0xFF);
            EXPECT_NEAR(corner, expected, 1.0) << c.name << ", channel " << ch;
            if (!c.localViewer || !c.specular) {
                // Nothing varies over the quad: every pixel has the corner's value.
                const int centre = int((image.pixel(17, 13) >> shifts[ch]) & 0xFF);
                EXPECT_NEAR(centre, expected, 1.0) << c.name << ", channel " << ch << " inside";
            }
        }
    }
}

TEST(RefLighting, UnlitUsesVertexColourOrWhite)
{
    for (std::uint32_t color : {0u, 0xFF336699u}) {
        DevicePtr device = makeDevice(8, 8);
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        ASSERT_EQ(drawInScene(device, makeMesh(device, quad(1.0f, color))), D3D_OK);
        EXPECT_EQ(rgb(frame(device), 3, 3), color ? 0x336699u : 0xFFFFFFu);
    }
}

namespace {

// A 4×4 texture whose texel (i, j) is (64·i, 64·j, 128) with alpha `alpha`.
TexturePtr gridTexture(const DevicePtr& device, std::uint8_t alpha = 0xFF, bool hasAlpha = true)
{
    std::vector<QImage> levels;
    for (int size = 4; size >= 1; size /= 2) {
        QImage level(size, size, QImage::Format_ARGB32);
        for (int j = 0; j < size; ++j)
            for (int i = 0; i < size; ++i)
                level.setPixel(i, j, qRgba(64 * i * 4 / size, 64 * j * 4 / size, 128, alpha));
        levels.push_back(level);
    }
    TexturePtr texture;
    if (FAILED(factory(device).CreateTextureFromLevels(levels, hasAlpha, texture)))
        return nullptr;
    return texture;
}

std::array<int, 3> channels(QRgb c) { return {qRed(c), qGreen(c), qBlue(c)}; }

}  // namespace

// The quad maps u = x/32 at pixel centre x on a 32-pixel target, so texel
// i of a 4-texel row covers pixels 8i..8i+7 and its centre is at 8i+4.
TEST(RefTexturing, PointLinearAndAddressing)
{
    DevicePtr device = makeDevice(32, 32);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    TexturePtr texture = gridTexture(device);
    ASSERT_TRUE(texture);
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    MeshPtr unit = makeMesh(device, quad(1.0f));
    MeshPtr twice = makeMesh(device, quad(2.0f));

    // Point sampling, modulated by the white diffuse colour.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawInScene(device, unit);
    QImage image = frame(device);
    EXPECT_EQ(rgb(image, 0, 0), 0x000080u);
    EXPECT_EQ(rgb(image, 7, 7), 0x000080u);
    EXPECT_EQ(rgb(image, 8, 0), 0x400080u);
    EXPECT_EQ(rgb(image, 31, 17), 0xC08080u);

    // Bilinear magnification: on a texel centre the texel, half-way the mean.
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawInScene(device, unit);
    image = frame(device);
    EXPECT_EQ(rgb(image, 12, 4), 0x400080u);
    EXPECT_EQ(rgb(image, 16, 4), 0x600080u);
    EXPECT_EQ(rgb(image, 16, 16), 0x606080u);

    // Wrap repeats the texture, clamp holds the edge texel (u = 2x/32).
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawInScene(device, twice);
    EXPECT_EQ(rgb(frame(device), 20, 2), 0x400080u) << "u = 1.25 wraps to texel 1";
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawInScene(device, twice);
    EXPECT_EQ(rgb(frame(device), 20, 2), 0xC00080u) << "u = 1.25 clamps to texel 3";
}

TEST(RefTexturing, GaussianCubicUsesTheSharedKernel)
{
    DevicePtr device = makeDevice(32, 32);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    TexturePtr texture = gridTexture(device);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_GAUSSIANCUBIC);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawInScene(device, makeMesh(device, quad(1.0f)));
    const QImage image = frame(device);

    // Red depends on the column only: the 4 taps around the sample, clamped.
    for (int x : {4, 12, 16, 22}) {
        const double t = (x + 0.0) / 32.0 * 4.0 - 0.5;
        const int i0 = int(std::floor(t));
        const std::array<double, 4> w = gaussianCubicWeights(t - i0);
        double red = 0;
        for (int k = 0; k < 4; ++k)
            red += w[std::size_t(k)] * 64 * std::clamp(i0 - 1 + k, 0, 3);
        EXPECT_NEAR(qRed(image.pixel(x, 9)), red, 1.0) << "column " << x;
    }
    // On the first texel's centre its neighbours still show (point and
    // bilinear sampling both give 0 there).
    EXPECT_GT(qRed(image.pixel(4, 9)), 3);
}

TEST(RefTexturing, ModulateAlphaBlendAndSpecularAdd)
{
    DevicePtr device = makeDevice(32, 32);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    TexturePtr texture = gridTexture(device, 0x40);
    device->SetTexture(0, texture);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF0000, 1.0f, 0);
    // Vertex colour 0x80808080 modulates the texel; alpha comes from the texture.
    drawInScene(device, makeMesh(device, quad(1.0f, 0x80FFFF80)));
    const std::array<int, 3> c = channels(frame(device).pixel(20, 4));  // texel (2, 0) = (128, 0, 128)
    const double a = 0x40 / 255.0;
    const double src[3] = {128 / 255.0, 0, (128 / 255.0) * (0x80 / 255.0)};
    const double dst[3] = {1, 0, 0};
    for (int ch = 0; ch < 3; ++ch)
        EXPECT_NEAR(c[std::size_t(ch)], (src[ch] * a + dst[ch] * (1 - a)) * 255.0, 1.0) << "channel " << ch;

    // An image without alpha reads alpha 1: the texture covers the red.
    TexturePtr opaque = gridTexture(device, 0x40, false);
    device->SetTexture(0, opaque);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF0000, 1.0f, 0);
    drawInScene(device, makeMesh(device, quad(1.0f)));
    EXPECT_EQ(rgb(frame(device), 20, 4), 0x800080u);
}

TEST(RefTexturing, ForeignOrMalformedTexturesAreRefused)
{
    DevicePtr device = makeDevice(8, 8), other = makeDevice(8, 8);
    TexturePtr foreign = gridTexture(other);
    ASSERT_TRUE(foreign);
    EXPECT_EQ(device->SetTexture(0, foreign), D3DERR_INVALIDCALL);
    TexturePtr texture;
    std::vector<QImage> notAChain{QImage(4, 4, QImage::Format_ARGB32), QImage(3, 2, QImage::Format_ARGB32)};
    EXPECT_EQ(factory(device).CreateTextureFromLevels(notAChain, true, texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(factory(device).CreateTextureFromLevels({}, true, texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(
        factory(device).CreateTextureFromLevels({QImage(20000, 1, QImage::Format_ARGB32)}, true, texture),
        D3DERR_INVALIDCALL);
    EXPECT_FALSE(texture);
}
