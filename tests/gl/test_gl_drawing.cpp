// Drawing on the hardware device (Mesa under Xvfb): every picture is checked
// against the colour the fixed-function formulas give for it, to 2/255.
#include <QtTest>

#include <cmath>

#include "render/d3dx_math.h"
#include "render/gaussian_cubic.h"
#include "render/gl/gl_device.h"
#include "render/resource_factory.h"
#include "render/system/system_runtime.h"
#include "render/vb_direct3d8.h"

using namespace d3d;

namespace {

constexpr int kSize = 64;
constexpr int kTolerance = 2;

// Direct3D screen position of a pixel centre → normalised device coordinate
// (identity transforms put geometry straight into these).
float ndcX(double px) { return float(2.0 * px / kSize - 1.0); }
float ndcY(double py) { return float(1.0 - 2.0 * py / kSize); }

struct Quad {
    float left = -0.5f, top = 0.5f, right = 0.5f, bottom = -0.5f, z = 0.5f;
    bool clockwise = true;  // as seen on screen
    std::uint32_t attribute = 0;
    std::uint32_t color = 0xFFFFFFFF;
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

struct MeshOptions {
    bool normals = true;
    bool colors = false;
    bool texcoords = false;
};

// Quads in attribute order, each facing the camera (normal (0,0,-1)).
xfile::MeshData quads(const std::vector<Quad>& list, MeshOptions opt = {})
{
    xfile::MeshData d;
    for (const Quad& q : list) {
        const auto base = std::uint32_t(d.positions.size() / 3);
        const float corners[4][4] = {{q.left, q.top, q.u0, q.v0},
                                     {q.right, q.top, q.u1, q.v0},
                                     {q.right, q.bottom, q.u1, q.v1},
                                     {q.left, q.bottom, q.u0, q.v1}};
        for (const auto& c : corners) {
            d.positions.insert(d.positions.end(), {c[0], c[1], q.z});
            if (opt.normals)
                d.normals.insert(d.normals.end(), {0, 0, -1});
            if (opt.colors)
                d.colors.push_back(q.color);
            if (opt.texcoords)
                d.texcoords.insert(d.texcoords.end(), {c[2], c[3]});
        }
        // Top-left, top-right, bottom-right is clockwise on a y-down screen.
        const std::vector<std::uint32_t> cw{0, 1, 2, 0, 2, 3}, ccw{0, 2, 1, 0, 3, 2};
        for (std::uint32_t i : q.clockwise ? cw : ccw)
            d.indices.push_back(base + i);
        d.attributes.insert(d.attributes.end(), {q.attribute, q.attribute});
        if (d.groups.empty() || d.groups.back().attribute != q.attribute)
            d.groups.push_back({q.attribute, d.faceCount() - 2, 0});
        d.groups.back().faceCount += 2;
    }
    return d;
}

D3DMATERIAL8 viewerMaterial(float alpha = 1.0f, float gloss = 0.0f)
{
    D3DMATERIAL8 m{};
    m.Diffuse = {1, 1, 1, alpha};
    m.Ambient = {1, 1, 1, 1};
    m.Specular = {gloss, gloss, gloss, 1};
    m.Power = 0;
    return m;
}

QImage image2x2(QRgb tl, QRgb tr, QRgb bl, QRgb br)
{
    QImage img(2, 2, QImage::Format_ARGB32);
    img.setPixel(0, 0, tl);
    img.setPixel(1, 0, tr);
    img.setPixel(0, 1, bl);
    img.setPixel(1, 1, br);
    return img;
}

std::vector<QImage> chainOf(const QImage& level0)
{
    std::vector<QImage> levels{level0};
    while (levels.back().width() > 1 || levels.back().height() > 1)
        levels.push_back(levels.back().scaled(std::max(1, levels.back().width() / 2),
                                              std::max(1, levels.back().height() / 2)));
    return levels;
}

}  // namespace

class GlDrawingTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void litQuadFollowsTheLightingFormula_data();
    void litQuadFollowsTheLightingFormula();
    void glossAddsWhiteOnlyWhereTheLightReaches_data();
    void glossAddsWhiteOnlyWhereTheLightReaches();
    void opacityBlendsOverTheClearColour();
    void textureAddressingAndModulation();
    void textureWithoutAlphaReadsOpaque();
    void mipFilterNoneReadsLevelZeroOnly();
    void gaussianCubicMagnificationUsesTheSharedKernel();
    void wireframeDrawsEdgesOnly();
    void drawsOnlyTheRequestedAttributeGroup();
    void depthTestKeepsTheNearerQuad();
    void cullingFollowsScreenWinding_data();
    void cullingFollowsScreenWinding();
    void flatShadingTakesTheFirstVertex();
    void pixelCentresSitOnIntegerCoordinates();
    void refusesWhatCannotBeDrawn();

private:
    MeshPtr mesh(const xfile::MeshData& data);
    TexturePtr texture(const std::vector<QImage>& levels, bool hasAlpha);
    QImage draw(const MeshPtr& mesh, std::uint32_t attribute = 0);
    QImage drawAll(const std::vector<MeshPtr>& meshes);
    // Checks a pixel against an expected colour given as 0..1 channels.
    void expectPixel(const QImage& image, int x, int y, double r, double g, double b);
    void viewerScene();

    SystemRuntime runtime_;
    DevicePtr device_;
    ResourceFactory* factory_ = nullptr;
    int maxDeviation_ = 0;
};

void GlDrawingTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("the OpenGL device is tested on an X server (run under xvfb-run)");
}

void GlDrawingTest::init()
{
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = kSize;
    params.BackBufferHeight = kSize;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.Windowed = 1;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    QCOMPARE(gl::createDevice(nullptr, params, device_), D3D_OK);
    factory_ = dynamic_cast<ResourceFactory*>(device_.get());
    QVERIFY(factory_);
    maxDeviation_ = 0;
}

void GlDrawingTest::cleanup()
{
    if (maxDeviation_ > 0 || !QTest::currentTestFailed())
        qInfo("max deviation %d/255", maxDeviation_);
    device_.reset();
    factory_ = nullptr;
}

MeshPtr GlDrawingTest::mesh(const xfile::MeshData& data)
{
    MeshPtr m;
    const HRESULT hr = factory_->CreateMeshFromData(data, m);
    if (FAILED(hr))
        qWarning("CreateMeshFromData failed: %x", unsigned(hr));
    return m;
}

TexturePtr GlDrawingTest::texture(const std::vector<QImage>& levels, bool hasAlpha)
{
    TexturePtr t;
    const HRESULT hr = factory_->CreateTextureFromLevels(levels, hasAlpha, t);
    if (FAILED(hr))
        qWarning("CreateTextureFromLevels failed: %x", unsigned(hr));
    return t;
}

QImage GlDrawingTest::drawAll(const std::vector<MeshPtr>& meshes)
{
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->BeginScene();
    for (const MeshPtr& m : meshes)
        if (!m || FAILED(m->DrawSubset(0)))
            qWarning("DrawSubset failed");
    device_->EndScene();
    QImage image;
    device_->GetBackBufferImage(image);
    return image;
}

QImage GlDrawingTest::draw(const MeshPtr& m, std::uint32_t attribute)
{
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->BeginScene();
    if (!m || FAILED(m->DrawSubset(attribute)))
        qWarning("DrawSubset failed");
    device_->EndScene();
    QImage image;
    device_->GetBackBufferImage(image);
    return image;
}

void GlDrawingTest::expectPixel(const QImage& image, int x, int y, double r, double g, double b)
{
    const QRgb p = image.pixel(x, y);
    const double want[3] = {r * 255.0, g * 255.0, b * 255.0};
    const int got[3] = {qRed(p), qGreen(p), qBlue(p)};
    for (int i = 0; i < 3; ++i) {
        const int deviation = int(std::ceil(std::fabs(got[i] - want[i]) - 0.5));
        maxDeviation_ = std::max(maxDeviation_, deviation);
        QVERIFY2(deviation <= kTolerance,
                 qPrintable(QStringLiteral("pixel (%1,%2) is (%3,%4,%5), expected (%6,%7,%8)")
                                .arg(x)
                                .arg(y)
                                .arg(got[0])
                                .arg(got[1])
                                .arg(got[2])
                                .arg(want[0], 0, 'f', 1)
                                .arg(want[1], 0, 'f', 1)
                                .arg(want[2], 0, 'f', 1)));
    }
}

// The camera, projection and material as the viewer sets them up.
void GlDrawingTest::viewerScene()
{
    VBDirect3D8 module(runtime_);
    module.Device = device_;
    module.SetView(VBDirect3D8::MakeVector(0, 0, -5), VBDirect3D8::MakeVector(0, 0, 0),
                   VBDirect3D8::MakeVector(0, 1, 0));
    module.SetProjection(1.0f, 45.0f, 1.0f, 1000.0f);
}

// ---------------------------------------------------------------------------
// Lighting and blending

void GlDrawingTest::litQuadFollowsTheLightingFormula_data()
{
    QTest::addColumn<bool>("light");
    QTest::addColumn<bool>("ambient");
    QTest::newRow("light and ambient") << true << true;
    QTest::newRow("ambient only") << false << true;
    QTest::newRow("light only") << true << false;
    QTest::newRow("neither") << false << false;
}

void GlDrawingTest::litQuadFollowsTheLightingFormula()
{
    QFETCH(bool, light);
    QFETCH(bool, ambient);
    viewerScene();
    VBDirect3D8 module(runtime_);
    module.Device = device_;
    if (light)
        module.SetDirectionalLight(1, 1, 1, -1, -1, 1, 1000, 0);
    if (ambient)
        module.SetAmbient(0.1f, 0.1f, 0.1f);
    device_->SetMaterial(viewerMaterial());
    const QImage image = draw(mesh(quads({{-1, 1, 1, -1, 0}})));

    // Camera space: the view only moves the eye, so N = (0,0,-1) and the
    // light's direction is unchanged; N·L uses the unit vector toward the light.
    const double nDotL = light ? 1.0 / std::sqrt(3.0) : 0.0;
    const double ga = ambient ? double(D3DColorFromValue(0.1f, 0.1f, 0.1f, 1) & 0xFF) / 255.0 : 0.0;
    const double v = std::min(1.0, ga + nDotL);
    expectPixel(image, 32, 32, v, v, v);
    expectPixel(image, 26, 38, v, v, v);
    expectPixel(image, 0, 0, 0, 0, 0);  // outside the quad: the clear colour
}

void GlDrawingTest::glossAddsWhiteOnlyWhereTheLightReaches_data()
{
    QTest::addColumn<float>("dirZ");
    QTest::addColumn<bool>("lit");
    QTest::newRow("light in front") << 1.0f << true;
    QTest::newRow("light behind") << -1.0f << false;
}

void GlDrawingTest::glossAddsWhiteOnlyWhereTheLightReaches()
{
    QFETCH(float, dirZ);
    QFETCH(bool, lit);
    viewerScene();
    VBDirect3D8 module(runtime_);
    module.Device = device_;
    module.SetDirectionalLight(0.5f, 0.5f, 0.5f, -1, -1, dirZ, 1000, 0);
    module.SetAmbient(0.1f, 0.1f, 0.1f);
    device_->SetMaterial(viewerMaterial(1.0f, 1.0f));
    device_->SetRenderState(D3DRS_SPECULARENABLE, 1);
    const QImage image = draw(mesh(quads({{-1, 1, 1, -1, 0}})));
    // Power 0 makes the highlight full strength wherever N·L > 0.
    const double ga = double(D3DColorFromValue(0.1f, 0.1f, 0.1f, 1) & 0xFF) / 255.0;
    const double v = lit ? 1.0 : ga;
    expectPixel(image, 32, 32, v, v, v);
    expectPixel(image, 24, 40, v, v, v);
}

void GlDrawingTest::opacityBlendsOverTheClearColour()
{
    viewerScene();
    VBDirect3D8 module(runtime_);
    module.Device = device_;
    module.SetDirectionalLight(1, 1, 1, -1, -1, 1, 1000, 0);
    module.SetAmbient(0.1f, 0.1f, 0.1f);
    device_->SetMaterial(viewerMaterial(0.37f));
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    const QImage image = draw(mesh(quads({{-1, 1, 1, -1, 0}})));
    const double ga = double(D3DColorFromValue(0.1f, 0.1f, 0.1f, 1) & 0xFF) / 255.0;
    const double v = (ga + 1.0 / std::sqrt(3.0)) * 0.37;  // over black
    expectPixel(image, 32, 32, v, v, v);
}

// ---------------------------------------------------------------------------
// Textures

void GlDrawingTest::textureAddressingAndModulation()
{
    // Full-screen quad, u and v running from −1 to 2: u = −1 + 3·px/64.
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255),
               white = qRgb(255, 255, 255);
    const TexturePtr tex = texture(chainOf(image2x2(red, green, blue, white)), false);
    QVERIFY(tex);
    QCOMPARE(tex->GetLevelCount(), 2u);
    QCOMPARE(device_->SetTexture(0, tex), D3D_OK);
    Quad q{-1, 1, 1, -1, 0.5f};
    q.u0 = -1, q.v0 = -1, q.u1 = 2, q.v1 = 2;
    q.color = 0xFF808080;
    const MeshPtr m = mesh(quads({q}, {false, true, true}));
    const double grey = 128.0 / 255.0;

    // Clamp: everything left of / above the texture takes the edge texels.
    device_->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device_->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    QImage image = draw(m);
    expectPixel(image, 4, 4, grey, 0, 0);          // u,v ≈ −0.8: top-left texel
    expectPixel(image, 60, 4, 0, grey, 0);         // u ≈ 1.8: top-right texel
    expectPixel(image, 4, 60, 0, 0, grey);         // v ≈ 1.8: bottom-left texel
    expectPixel(image, 60, 60, grey, grey, grey);  // bottom-right texel
    expectPixel(image, 40, 24, 0, grey, 0);        // inside: u 0.88, v 0.13

    // Wrap repeats the texture instead: u ≈ −0.8 reads 0.2 (left column),
    // u ≈ −0.3 reads 0.7 (right column).
    device_->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    image = draw(m);
    expectPixel(image, 4, 4, grey, 0, 0);
    expectPixel(image, 15, 4, 0, grey, 0);
    expectPixel(image, 60, 4, 0, grey, 0);  // u ≈ 1.8 reads 0.8

    // Without a texture the diffuse colour passes through.
    device_->SetTexture(0, nullptr);
    image = draw(m);
    expectPixel(image, 4, 4, grey, grey, grey);
}

void GlDrawingTest::textureWithoutAlphaReadsOpaque()
{
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    const QRgb clear = qRgba(200, 100, 50, 0);
    const MeshPtr m = mesh(quads({{-1, 1, 1, -1, 0.5f}}, {false, false, true}));

    device_->SetTexture(0, texture(chainOf(image2x2(clear, clear, clear, clear)), false));
    expectPixel(draw(m), 32, 32, 200 / 255.0, 100 / 255.0, 50 / 255.0);
    device_->SetTexture(0, texture(chainOf(image2x2(clear, clear, clear, clear)), true));
    expectPixel(draw(m), 32, 32, 0, 0, 0);
}

void GlDrawingTest::mipFilterNoneReadsLevelZeroOnly()
{
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    // A 16×16 texture drawn 4 pixels wide: minified to level 2.
    std::vector<QImage> levels;
    for (int size = 16; size >= 1; size /= 2) {
        QImage level(size, size, QImage::Format_ARGB32);
        level.fill(size == 16 ? qRgb(255, 0, 0) : qRgb(0, 255, 0));
        levels.push_back(level);
    }
    device_->SetTexture(0, texture(levels, false));
    const MeshPtr m = mesh(quads({{ndcX(30), ndcY(30), ndcX(34), ndcY(34), 0.5f}}, {false, false, true}));
    expectPixel(draw(m), 32, 32, 1, 0, 0);
    device_->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    expectPixel(draw(m), 32, 32, 0, 1, 0);
}

void GlDrawingTest::gaussianCubicMagnificationUsesTheSharedKernel()
{
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    QImage level0(4, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            level0.setPixel(x, y,
                            qRgb((x * 83 + y * 29) % 256, (x * 17 + y * 97) % 256, ((x ^ y) * 61) % 256));
    device_->SetTexture(0, texture(chainOf(level0), false));
    device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_GAUSSIANCUBIC);
    device_->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device_->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    // Full screen, uv 0..1: pixel centre px samples u = px/64.
    const QImage image = draw(mesh(quads({{-1, 1, 1, -1, 0.5f}}, {false, false, true})));

    const int samples[][2] = {{32, 32}, {8, 8}, {21, 43}, {1, 62}, {47, 13}};
    for (const auto& s : samples) {
        const double x = s[0] / double(kSize) * 4 - 0.5, y = s[1] / double(kSize) * 4 - 0.5;
        const double ix = std::floor(x), iy = std::floor(y);
        const auto wx = gaussianCubicWeights(x - ix), wy = gaussianCubicWeights(y - iy);
        double sum[3] = {};
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) {
                const int tx = std::clamp(int(ix) - 1 + i, 0, 3), ty = std::clamp(int(iy) - 1 + j, 0, 3);
                const QRgb c = level0.pixel(tx, ty);
                const double w = wx[std::size_t(i)] * wy[std::size_t(j)];
                sum[0] += w * qRed(c), sum[1] += w * qGreen(c), sum[2] += w * qBlue(c);
            }
        expectPixel(image, s[0], s[1], sum[0] / 255, sum[1] / 255, sum[2] / 255);
    }
}

// ---------------------------------------------------------------------------
// Rasterisation

void GlDrawingTest::wireframeDrawsEdgesOnly()
{
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    const QImage image = draw(mesh(quads({{-0.5f, 0.5f, 0.5f, -0.5f, 0.5f}}, {false, false, false})));
    // Interior points away from the two triangles' shared diagonal stay clear.
    for (const auto& p : {QPoint(40, 24), QPoint(24, 40), QPoint(22, 28), QPoint(42, 36)})
        expectPixel(image, p.x(), p.y(), 0, 0, 0);
    // Each edge is drawn: a lit pixel within a pixel of every edge's middle.
    auto litNear = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (image.pixel(x + dx, y + dy) == 0xFFFFFFFFu)
                    return true;
        return false;
    };
    QVERIFY(litNear(16, 32));  // left
    QVERIFY(litNear(48, 32));  // right
    QVERIFY(litNear(32, 16));  // top
    QVERIFY(litNear(32, 48));  // bottom
    QVERIFY(litNear(32, 32));  // diagonal
    int lit = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            lit += image.pixel(x, y) != 0xFF000000u;
    QVERIFY2(lit > 4 * 30 && lit < 200, qPrintable(QString::number(lit)));  // lines, not an area
}

void GlDrawingTest::drawsOnlyTheRequestedAttributeGroup()
{
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    Quad left{-1, 1, 0, -1, 0.5f}, right{0, 1, 1, -1, 0.5f};
    left.color = 0xFFFF0000, right.color = 0xFF0000FF;
    left.attribute = 0, right.attribute = 1;
    const MeshPtr m = mesh(quads({left, right}, {false, true, false}));
    QCOMPARE(m->GetNumFaces(), 4u);
    QCOMPARE(m->GetNumVertices(), 8u);
    QImage image = draw(m, 0);
    expectPixel(image, 16, 32, 1, 0, 0);
    expectPixel(image, 48, 32, 0, 0, 0);
    image = draw(m, 1);
    expectPixel(image, 16, 32, 0, 0, 0);
    expectPixel(image, 48, 32, 0, 0, 1);
    image = draw(m, 7);  // no such group: nothing drawn, no failure
    expectPixel(image, 16, 32, 0, 0, 0);
}

void GlDrawingTest::depthTestKeepsTheNearerQuad()
{
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    Quad nearQ{-0.5f, 0.5f, 0.5f, -0.5f, 0.25f}, farQ{-1, 1, 1, -1, 0.75f};
    nearQ.color = 0xFF00FF00, farQ.color = 0xFFFF0000;
    const MeshPtr nearM = mesh(quads({nearQ}, {false, true, false}));
    const MeshPtr farM = mesh(quads({farQ}, {false, true, false}));
    for (const auto& order : {std::vector<MeshPtr>{nearM, farM}, std::vector<MeshPtr>{farM, nearM}}) {
        const QImage image = drawAll(order);
        expectPixel(image, 32, 32, 0, 1, 0);
        expectPixel(image, 4, 4, 1, 0, 0);
    }
    // Clip-space z 0..1 lands in the depth buffer unchanged.
    std::vector<std::uint16_t> depth;
    std::uint32_t w = 0, h = 0;
    device_->GetDepthBuffer(depth, w, h);
    QVERIFY(std::abs(int(depth[32 * w + 32]) - int(0.25 * 65535)) <= 2);
    QVERIFY(std::abs(int(depth[4 * w + 4]) - int(0.75 * 65535)) <= 2);

    // Without depth writes the later, farther quad is not held back.
    device_->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    expectPixel(drawAll({nearM, farM}), 32, 32, 1, 0, 0);
}

void GlDrawingTest::cullingFollowsScreenWinding_data()
{
    QTest::addColumn<bool>("clockwise");
    QTest::addColumn<std::uint32_t>("cull");
    QTest::addColumn<std::uint32_t>("fill");
    QTest::addColumn<bool>("drawn");
    const std::uint32_t solid = D3DFILL_SOLID, wire = D3DFILL_WIREFRAME;
    QTest::newRow("clockwise, default culling") << true << std::uint32_t(D3DCULL_CCW) << solid << true;
    QTest::newRow("counter-clockwise, default culling")
        << false << std::uint32_t(D3DCULL_CCW) << solid << false;
    QTest::newRow("counter-clockwise, no culling") << false << std::uint32_t(D3DCULL_NONE) << solid << true;
    QTest::newRow("clockwise, CW culled") << true << std::uint32_t(D3DCULL_CW) << solid << false;
    QTest::newRow("counter-clockwise, CW culled") << false << std::uint32_t(D3DCULL_CW) << solid << true;
    QTest::newRow("counter-clockwise wireframe") << false << std::uint32_t(D3DCULL_CCW) << wire << false;
}

void GlDrawingTest::cullingFollowsScreenWinding()
{
    QFETCH(bool, clockwise);
    QFETCH(std::uint32_t, cull);
    QFETCH(std::uint32_t, fill);
    QFETCH(bool, drawn);
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    device_->SetRenderState(D3DRS_CULLMODE, cull);
    device_->SetRenderState(D3DRS_FILLMODE, fill);
    Quad q{-0.5f, 0.5f, 0.5f, -0.5f, 0.5f};
    q.clockwise = clockwise;
    const QImage image = draw(mesh(quads({q}, {false, false, false})));
    int lit = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            lit += image.pixel(x, y) != 0xFF000000u;
    QCOMPARE(lit > 0, drawn);
}

void GlDrawingTest::flatShadingTakesTheFirstVertex()
{
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    // One clockwise triangle: red top-left, green top-right, blue bottom.
    xfile::MeshData d;
    const float ax = -0.75f, ay = 0.75f, bx = 0.75f, by = 0.75f, cx = 0, cy = -0.75f;
    d.positions = {ax, ay, 0.5f, bx, by, 0.5f, cx, cy, 0.5f};
    d.colors = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    d.indices = {0, 1, 2};
    d.attributes = {0};
    d.groups = {{0, 0, 1}};
    const MeshPtr m = mesh(d);

    const QPoint points[] = {{32, 32}, {20, 18}, {44, 20}, {32, 45}};
    // Gouraud: the barycentric mix at each pixel centre.
    QImage image = draw(m);
    for (const QPoint& p : points) {
        const double x = ndcX(p.x()), y = ndcY(p.y());
        const double det = (by - cy) * (ax - cx) + (cx - bx) * (ay - cy);
        const double l1 = ((by - cy) * (x - cx) + (cx - bx) * (y - cy)) / det;
        const double l2 = ((cy - ay) * (x - cx) + (ax - cx) * (y - cy)) / det;
        expectPixel(image, p.x(), p.y(), l1, l2, 1 - l1 - l2);
    }
    device_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    image = draw(m);
    for (const QPoint& p : points)
        expectPixel(image, p.x(), p.y(), 1, 0, 0);
}

void GlDrawingTest::pixelCentresSitOnIntegerCoordinates()
{
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    // Right edge at x = 10.25 and top edge at y = 20.25 in screen pixels:
    // centres sit on whole numbers, so column 10 is inside and row 20 is not.
    const QImage image = draw(mesh(quads({{-1, ndcY(20.25), ndcX(10.25), -1, 0.5f}}, {false, false, false})));
    expectPixel(image, 10, 40, 1, 1, 1);
    expectPixel(image, 11, 40, 0, 0, 0);
    expectPixel(image, 5, 21, 1, 1, 1);
    expectPixel(image, 5, 20, 0, 0, 0);
}

// ---------------------------------------------------------------------------
// Failures

void GlDrawingTest::refusesWhatCannotBeDrawn()
{
    const MeshPtr m = mesh(quads({Quad{}}));
    QVERIFY(m);
    QCOMPARE(m->DrawSubset(0), D3DERR_INVALIDCALL);  // no scene begun

    // Data that is not a well-formed triangle list.
    MeshPtr bad;
    xfile::MeshData outOfRange = quads({Quad{}});
    outOfRange.indices[4] = 99;
    QCOMPARE(factory_->CreateMeshFromData(outOfRange, bad), D3DERR_INVALIDCALL);
    xfile::MeshData shortNormals = quads({Quad{}});
    shortNormals.normals.pop_back();
    QCOMPARE(factory_->CreateMeshFromData(shortNormals, bad), D3DERR_INVALIDCALL);
    xfile::MeshData groupPastEnd = quads({Quad{}});
    groupPastEnd.groups[0].faceCount = 3;
    QCOMPARE(factory_->CreateMeshFromData(groupPastEnd, bad), D3DERR_INVALIDCALL);
    QCOMPARE(factory_->CreateMeshFromData(xfile::MeshData{}, bad), D3DERR_INVALIDCALL);
    QVERIFY(!bad);

    // Levels that do not halve, or no levels at all.
    TexturePtr tex;
    QImage a(4, 4, QImage::Format_ARGB32), b(4, 4, QImage::Format_ARGB32);
    QCOMPARE(factory_->CreateTextureFromLevels({a, b}, false, tex), D3DERR_INVALIDCALL);
    QCOMPARE(factory_->CreateTextureFromLevels({}, false, tex), D3DERR_INVALIDCALL);
    QVERIFY(!tex);

    // A texture belongs to the device that made it.
    DevicePtr other;
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = params.BackBufferHeight = 8;
    QCOMPARE(gl::createDevice(nullptr, params, other), D3D_OK);
    TexturePtr foreign;
    QCOMPARE(dynamic_cast<ResourceFactory&>(*other).CreateTextureFromLevels(chainOf(a), false, foreign),
             D3D_OK);
    QCOMPARE(device_->SetTexture(0, foreign), D3DERR_INVALIDCALL);

    // A mesh outliving its device keeps its buffers but can no longer draw.
    device_.reset();
    factory_ = nullptr;
    QCOMPARE(m->DrawSubset(0), D3DERR_INVALIDCALL);
    QCOMPARE(m->GetNumFaces(), 2u);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    GlDrawingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_gl_drawing.moc"
