// The reference device in the program's own set-up, on the off-screen
// platform where the hardware device cannot be had: the device module falls
// back to it, and Present shows the back buffer in the render panel.
#include <QApplication>
#include <QtTest>

#include "render/ref/ref_device.h"
#include "render/system/system_runtime.h"
#include "render/vb_direct3d8.h"

using namespace d3d;

class RefPresentTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fallsBackToTheReferenceDevice();
    void presentPaintsTheBackBufferIntoThePanel();
    void presentStretchesToAResizedPanel();
    void deviceSizeFollowsThePanelOrTheParameters();
};

void RefPresentTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("checks the fallback on the off-screen platform");
}

void RefPresentTest::fallsBackToTheReferenceDevice()
{
    SystemRuntime runtime;
    QWidget form;
    form.resize(300, 200);
    auto* panel = new QWidget(&form);
    panel->setGeometry(10, 10, 160, 120);
    VBDirect3D8 module(runtime);
    QCOMPARE(module.InitDevice(panel, D3DDEVTYPE_HAL, false), int(D3DDEVTYPE_REF));
    QVERIFY(module.Device);
    QImage image;
    QCOMPARE(module.Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00336699, 1.0f, 0),
             D3D_OK);
    QCOMPARE(module.Device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    QCOMPARE(module.Device->GetBackBufferImage(image), D3D_OK);
    QCOMPARE(image.size(), QSize(160, 120) * panel->devicePixelRatioF());
    QCOMPARE(image.pixel(80, 60), 0xFF336699u);
}

void RefPresentTest::presentPaintsTheBackBufferIntoThePanel()
{
    SystemRuntime runtime;
    QWidget form;
    form.resize(300, 200);
    auto* panel = new QWidget(&form);
    panel->setGeometry(10, 10, 160, 120);
    form.show();
    VBDirect3D8 module(runtime);
    QCOMPARE(module.InitDevice(panel, D3DDEVTYPE_REF, false), int(D3DDEVTYPE_REF));
    const D3DRECT left{0, 0, 80, 120};
    module.Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FF0000, 1.0f, 0);
    module.Device->Clear(1, &left, D3DCLEAR_TARGET, 0x000000FF, 1.0f, 0);
    QCOMPARE(module.Device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const QImage shown = panel->grab().toImage();
    QCOMPARE(shown.size(), QSize(160, 120) * panel->devicePixelRatioF());
    QCOMPARE(shown.pixel(20, 60) & 0xFFFFFFu, 0x0000FFu);
    QCOMPARE(shown.pixel(140, 60) & 0xFFFFFFu, 0xFF0000u);

    // Present leaves the back buffer as it was; a later frame replaces the shown one.
    module.Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x0000FF00, 1.0f, 0);
    QCOMPARE(panel->grab().toImage().pixel(140, 60) & 0xFFFFFFu, 0xFF0000u);
    module.Device->Present(nullptr, nullptr, nullptr, nullptr);
    QCOMPARE(panel->grab().toImage().pixel(140, 60) & 0xFFFFFFu, 0x00FF00u);
}

void RefPresentTest::presentStretchesToAResizedPanel()
{
    SystemRuntime runtime;
    QWidget form;
    form.resize(400, 300);
    auto* panel = new QWidget(&form);
    panel->setGeometry(0, 0, 100, 50);
    VBDirect3D8 module(runtime);
    QCOMPARE(module.InitDevice(panel, D3DDEVTYPE_REF, false), int(D3DDEVTYPE_REF));
    const D3DRECT left{0, 0, 50, 50};
    module.Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FFFFFF, 1.0f, 0);
    module.Device->Clear(1, &left, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    // The back buffer keeps its size; the whole of it fills the larger panel.
    panel->resize(200, 100);
    QCOMPARE(module.Device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const QImage shown = panel->grab().toImage();
    QCOMPARE(shown.pixel(10, 50) & 0xFFFFFFu, 0x000000u);
    QCOMPARE(shown.pixel(190, 50) & 0xFFFFFFu, 0xFFFFFFu);
    // Bilinear: the boundary between the halves is a ramp, not a step.
    const int middle = qRed(shown.pixel(100 * int(panel->devicePixelRatioF()), 50));
    QVERIFY2(middle > 0 && middle < 255, qPrintable(QString::number(middle)));
}

void RefPresentTest::deviceSizeFollowsThePanelOrTheParameters()
{
    QWidget panel;
    panel.resize(64, 48);
    D3DPRESENT_PARAMETERS params{};
    params.hDeviceWindow = &panel;
    DevicePtr device;
    QCOMPARE(ref::createDevice(nullptr, params, device), D3D_OK);
    QImage image;
    device->GetBackBufferImage(image);
    QCOMPARE(image.size(), QSize(64, 48) * panel.devicePixelRatioF());

    params.BackBufferWidth = 30;
    QCOMPARE(ref::createDevice(nullptr, params, device), D3D_OK);
    device->GetBackBufferImage(image);
    QCOMPARE(image.width(), 30);

    // No window: the size must be given.
    D3DPRESENT_PARAMETERS offscreen{};
    offscreen.BackBufferWidth = 10;
    DevicePtr none;
    QCOMPARE(ref::createDevice(nullptr, offscreen, none), D3DERR_INVALIDCALL);
    QVERIFY(!none);
    // Present of an off-screen device succeeds and shows nothing.
    offscreen.BackBufferHeight = 10;
    QCOMPARE(ref::createDevice(nullptr, offscreen, none), D3D_OK);
    QCOMPARE(none->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const D3DRECT rect{0, 0, 1, 1};
    QCOMPARE(none->Present(&rect, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    RefPresentTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ref_present.moc"
