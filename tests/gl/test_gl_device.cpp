// The hardware device on real OpenGL (Mesa under Xvfb): creation on the
// render panel, clearing of the back and depth buffers, presentation.
#include <QtTest>

#include "platform/application.h"
#include "render/d3dx_math.h"
#include "render/gl/gl_device.h"
#include "render/gl/gl_surface.h"
#include "render/resource_factory.h"
#include "render/system/system_runtime.h"
#include "render/vb_direct3d8.h"

using namespace d3d;

class GlDeviceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void createsAHardwareDeviceOnThePanel();
    void clearToBlackReadsBackOpaqueBlack();
    void depthBufferClearsWithSixteenBits();
    void clearRectanglesTouchOnlyThemselves();
    void presentShowsTheBackBufferInThePanel();
    void aFramePresentedBeforeThePanelIsOnScreenShowsWhenItIs();
    void rejectsWhatNoDeviceCouldDo();
    void releasedWithItsLastReference();
    void nextDeviceOnThePanelStartsFreshAndRefusesTheOldResources();

private:
    SystemRuntime runtime_;
    std::unique_ptr<QWidget> form_;
    QWidget* panel_ = nullptr;
    std::unique_ptr<VBDirect3D8> module_;
};

void GlDeviceTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("the OpenGL device is tested on an X server (run under xvfb-run)");
}

void GlDeviceTest::init()
{
    form_ = std::make_unique<QWidget>();
    form_->resize(600, 560);
    auto* frame = new QWidget(form_.get());  // the panel sits in a container
    frame->setGeometry(0, 0, 600, 560);
    panel_ = new QWidget(frame);
    panel_->setGeometry(0, 0, 505, 499);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    module_ = std::make_unique<VBDirect3D8>(runtime_);
}

void GlDeviceTest::cleanup()
{
    module_.reset();
    form_.reset();
}

void GlDeviceTest::createsAHardwareDeviceOnThePanel()
{
    QCOMPARE(module_->InitDevice(panel_, D3DDEVTYPE_HAL, false), int(D3DDEVTYPE_HAL));
    QVERIFY(module_->Device);
    QImage image;
    QCOMPARE(module_->Device->GetBackBufferImage(image), D3D_OK);
    QCOMPARE(image.size(), QSize(505, 499));  // the panel's client area
}

void GlDeviceTest::clearToBlackReadsBackOpaqueBlack()
{
    module_->InitDevice(panel_, D3DDEVTYPE_HAL, false);
    module_->ClearFrame(0.2f, 0.4f, 0.6f);
    QImage image;
    module_->Device->GetBackBufferImage(image);
    QCOMPARE(image.pixel(10, 10), qRgb(51, 102, 153));
    module_->ClearFrame(0, 0, 0);
    module_->Device->GetBackBufferImage(image);
    for (int y = 0; y < image.height(); y += 37)
        for (int x = 0; x < image.width(); x += 29)
            QCOMPARE(image.pixel(x, y), 0xFF000000u);
    QCOMPARE(image.pixel(504, 498), 0xFF000000u);
}

void GlDeviceTest::depthBufferClearsWithSixteenBits()
{
    module_->InitDevice(panel_, D3DDEVTYPE_HAL, false);
    auto& device = *module_->Device;
    std::vector<std::uint16_t> depth;
    std::uint32_t w = 0, h = 0;
    QCOMPARE(device.Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.5f, 0), D3D_OK);
    device.GetDepthBuffer(depth, w, h);
    QCOMPARE(w, 505u);
    QCOMPARE(h, 499u);
    QVERIFY(qAbs(int(depth[1000]) - 32768) <= 1);
    module_->ClearFrame(0, 0, 0);
    device.GetDepthBuffer(depth, w, h);
    QVERIFY(std::all_of(depth.begin(), depth.end(), [](std::uint16_t d) { return d == 0xFFFF; }));
}

void GlDeviceTest::clearRectanglesTouchOnlyThemselves()
{
    module_->InitDevice(panel_, D3DDEVTYPE_HAL, false);
    auto& device = *module_->Device;
    module_->ClearFrame(0, 0, 0);
    const D3DRECT rect{10, 20, 30, 40};  // top-down, right and bottom exclusive
    QCOMPARE(device.Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    QImage image;
    device.GetBackBufferImage(image);
    QCOMPARE(image.pixel(10, 20), 0xFFFFFFFFu);
    QCOMPARE(image.pixel(29, 39), 0xFFFFFFFFu);
    QCOMPARE(image.pixel(30, 39), 0xFF000000u);
    QCOMPARE(image.pixel(10, 40), 0xFF000000u);
    QCOMPARE(image.pixel(9, 20), 0xFF000000u);
}

namespace {

// The panel's pixels on screen, as the X server has them.
QImage screenOf(QWidget* panel)
{
    const QPoint origin = panel->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, origin.x(), origin.y(), 505, 499)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

}  // namespace

void GlDeviceTest::presentShowsTheBackBufferInThePanel()
{
    module_->InitDevice(panel_, D3DDEVTYPE_HAL, false);
    auto& device = *module_->Device;
    // A picture no turn, mirror or channel swap leaves alike: blocks of
    // colours whose red and blue differ, the top row, bottom row and right
    // column each in a colour of their own.
    QCOMPARE(device.Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.0f, 0), D3D_OK);
    const struct {
        D3DRECT rect;
        D3DCOLOR color;
    } blocks[] = {
        {{10, 5, 60, 40}, 0xFFE01008},    {{300, 200, 420, 330}, 0xFF0830C0}, {{0, 0, 505, 1}, 0xFFFFFF00},
        {{0, 498, 505, 499}, 0xFF00FFFF}, {{504, 0, 505, 499}, 0xFFFF00FF},
    };
    for (const auto& block : blocks)
        QCOMPARE(device.Clear(1, &block.rect, D3DCLEAR_TARGET, block.color, 1.0f, 0), D3D_OK);
    QImage backBuffer;
    QCOMPARE(device.GetBackBufferImage(backBuffer), D3D_OK);
    QCOMPARE(backBuffer.pixel(20, 10), 0xFFE01008u);

    // The panel's window appears on screen shortly after the first device
    // is made on it, so present as the frame timer would until it does.
    QImage screen;
    for (int attempt = 0; attempt < 100 && screen != backBuffer; ++attempt) {
        module_->PresentFrame(nullptr);
        QTest::qWait(20);
        screen = screenOf(panel_);
    }
    QCOMPARE(screen.pixel(20, 10), 0xFFE01008u);
    QCOMPARE(screen.pixel(350, 250), 0xFF0830C0u);
    QCOMPARE(screen.pixel(0, 0), 0xFFFFFF00u);
    QCOMPARE(screen.pixel(100, 498), 0xFF00FFFFu);
    QCOMPARE(screen.pixel(504, 300), 0xFFFF00FFu);
    QVERIFY2(screen == backBuffer, "the panel shows other pixels than the back buffer holds");
}

void GlDeviceTest::aFramePresentedBeforeThePanelIsOnScreenShowsWhenItIs()
{
    // The panel's OpenGL window is made with the first device and comes on
    // screen a moment later, after the first frame has been presented.
    module_->InitDevice(panel_, D3DDEVTYPE_HAL, false);
    QWindow* surface = gl::existingPanelSurface(panel_);
    QVERIFY(surface);
    if (surface->isExposed())
        QSKIP("the panel's window was on screen at once");
    module_->ClearFrame(1, 0, 0);
    QCOMPARE(module_->Device->BeginScene(), D3D_OK);
    QCOMPARE(module_->Device->EndScene(), D3D_OK);
    module_->PresentFrame(nullptr);
    // No second Present: the kept frame is copied when the window is shown.
    QImage screen;
    for (int attempt = 0;
         attempt < 100 && (screen.isNull() || (screen.pixel(250, 250) & 0xFFFFFF) != 0xFF0000u); ++attempt) {
        QTest::qWait(20);
        screen = screenOf(panel_);
    }
    QCOMPARE(screen.pixel(250, 250) & 0xFFFFFF, 0xFF0000u);
    QCOMPARE(screen.pixel(504, 498) & 0xFFFFFF, 0xFF0000u);

    // A frame begun after the unshown one replaces it: what the window
    // shows next is only what is presented next.
    form_->hide();
    auto form = std::make_unique<QWidget>();
    form->resize(505, 499);
    auto* panel = new QWidget(form.get());
    panel->setGeometry(0, 0, 505, 499);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    VBDirect3D8 second(runtime_);
    second.InitDevice(panel, D3DDEVTYPE_HAL, false);
    if (gl::existingPanelSurface(panel)->isExposed())
        QSKIP("the second panel's window was on screen at once");
    second.ClearFrame(1, 0, 0);
    second.PresentFrame(nullptr);
    second.ClearFrame(0, 1, 0);  // not presented
    QTRY_VERIFY(gl::existingPanelSurface(panel)->isExposed());
    QTest::qWait(200);
    const QRgb shown = screenOf(panel).pixel(250, 250) & 0xFFFFFF;
    QVERIFY2(shown != 0x00FF00u, "a frame that was never presented reached the screen");
    QVERIFY2(shown != 0xFF0000u, "a frame that was drawn over reached the screen");
}

void GlDeviceTest::rejectsWhatNoDeviceCouldDo()
{
    module_->InitDevice(panel_, D3DDEVTYPE_HAL, false);
    auto& device = *module_->Device;
    QCOMPARE(device.Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.5f, 0), D3DERR_INVALIDCALL);
    QCOMPARE(device.Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    QCOMPARE(device.EndScene(), D3DERR_INVALIDCALL);
    QCOMPARE(device.BeginScene(), D3D_OK);
    QCOMPARE(device.BeginScene(), D3DERR_INVALIDCALL);
    QCOMPARE(device.SetTransform(D3DTRANSFORMSTATETYPE(7), D3DXMatrixIdentity()), D3DERR_INVALIDCALL);
    QCOMPARE(device.SetLight(99, D3DLIGHT8{}), D3DERR_INVALIDCALL);

    // A back-buffer format that names nothing: no device.
    Direct3DPtr d3d = runtime_.Direct3DCreate8();
    D3DPRESENT_PARAMETERS params{};
    params.Windowed = 1;
    params.hDeviceWindow = panel_;
    DevicePtr none;
    QCOMPARE(d3d->CreateDevice(0, D3DDEVTYPE_HAL, form_.get(), 0x20, params, none), D3DERR_INVALIDCALL);
    QVERIFY(!none);
}

void GlDeviceTest::releasedWithItsLastReference()
{
    module_->InitDevice(panel_, D3DDEVTYPE_HAL, false);
    std::weak_ptr<IDirect3DDevice8> first = module_->Device;
    for (int i = 0; i < 5; ++i)
        QCOMPARE(module_->InitDevice(panel_, D3DDEVTYPE_HAL, false), int(D3DDEVTYPE_HAL));
    QVERIFY(first.expired());
    module_->ClearFrame(0, 1, 0);
    module_->PresentFrame(nullptr);
}

namespace {

// One white quad over the whole back buffer, clockwise on screen, no normals.
xfile::MeshData fullScreenQuad()
{
    xfile::MeshData d;
    d.positions = {-1, 1, 0.5f, 1, 1, 0.5f, 1, -1, 0.5f, -1, -1, 0.5f};
    d.indices = {0, 1, 2, 0, 2, 3};
    d.attributes = {0, 0};
    d.groups.push_back({0, 0, 2});
    return d;
}

// Clears to black, draws `mesh` unlit and returns what the back buffer holds
// half way down, a quarter across (off the quad's diagonal).
QRgb drawUnlit(IDirect3DDevice8& device, ID3DXMesh& mesh)
{
    device.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device.SetRenderState(D3DRS_LIGHTING, 0);
    device.BeginScene();
    const HRESULT drawn = mesh.DrawSubset(0);
    device.EndScene();
    QImage image;
    device.GetBackBufferImage(image);
    return drawn == D3D_OK ? image.pixel(image.width() / 4, image.height() / 2) : 0xDEADBEEF;
}

}  // namespace

// Devices on one panel take turns with one OpenGL context; each must still
// behave as a new device: its own states, and nothing of the device before.
void GlDeviceTest::nextDeviceOnThePanelStartsFreshAndRefusesTheOldResources()
{
    D3DPRESENT_PARAMETERS params{};
    params.Windowed = 1;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    DevicePtr first;
    QCOMPARE(gl::createDevice(panel_, params, first), D3D_OK);
    auto* firstFactory = dynamic_cast<ResourceFactory*>(first.get());
    QVERIFY(firstFactory);
    MeshPtr oldMesh;
    QCOMPARE(firstFactory->CreateMeshFromData(fullScreenQuad(), oldMesh), D3D_OK);
    TexturePtr oldTexture;
    QImage white(1, 1, QImage::Format_RGB32);
    white.fill(Qt::white);
    QCOMPARE(firstFactory->CreateTextureFromLevels({white}, false, oldTexture), D3D_OK);
    first->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    QCOMPARE(drawUnlit(*first, *oldMesh), qRgb(0, 0, 0));  // wireframe leaves the inside empty

    // A second device while the first lives, then one after it has gone.
    for (int round = 0; round < 2; ++round) {
        if (round == 1)
            first.reset();
        DevicePtr next;
        QCOMPARE(gl::createDevice(panel_, params, next), D3D_OK);
        auto* factory = dynamic_cast<ResourceFactory*>(next.get());
        MeshPtr mesh;
        QCOMPARE(factory->CreateMeshFromData(fullScreenQuad(), mesh), D3D_OK);
        QCOMPARE(drawUnlit(*next, *mesh), qRgb(255, 255, 255));  // solid: the fill mode is its own
        QCOMPARE(next->SetTexture(0, oldTexture), D3DERR_INVALIDCALL);
        // The old mesh draws only on its own device, and never once that has gone.
        next->BeginScene();
        QCOMPARE(oldMesh->DrawSubset(0), D3DERR_INVALIDCALL);
        next->EndScene();
        if (first)
            QCOMPARE(drawUnlit(*first, *oldMesh), qRgb(0, 0, 0));  // still wireframe
    }
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    GlDeviceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_gl_device.moc"
