// With no OpenGL to be had (the off-screen platform has none) the hardware
// device fails with a status instead of crashing, and Run carries on with the
// reference device.
#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include "platform/application.h"
#include "platform/services.h"
#include "render/system/system_runtime.h"
#include "ui/form1.h"

class NoOpenGL : public QObject {
    Q_OBJECT
private slots:
    void hardwareDeviceFailsWithAStatus();
    void runFallsBackToTheReferenceDevice();
    void switchingOffTakesEffectOnEveryRun();
};

namespace {

// One frame of the form's current scene, at a fixed time of day.
QImage drawnFrame(ui::Form1& form)
{
    form.Timer1_->stop();
    form.Timer1_Timer();
    QImage frame;
    if (form.module().Device->GetBackBufferImage(frame) != d3d::D3D_OK)
        return {};
    return frame;
}

}  // namespace

void NoOpenGL::hardwareDeviceFailsWithAStatus()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("needs the off-screen platform");
    d3d::SystemRuntime runtime;
    QWidget panel;
    panel.resize(100, 100);
    d3d::Direct3DPtr d3d = runtime.Direct3DCreate8();
    QVERIFY(d3d);
    d3d::D3DDISPLAYMODE mode{};
    QCOMPARE(d3d->GetAdapterDisplayMode(0, mode), d3d::D3D_OK);
    d3d::D3DPRESENT_PARAMETERS params{};
    params.BackBufferFormat = mode.Format;
    params.BackBufferCount = 1;
    params.SwapEffect = d3d::D3DSWAPEFFECT_COPY_VSYNC;
    params.hDeviceWindow = &panel;
    params.Windowed = 1;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = d3d::D3DFMT_D16;
    d3d::DevicePtr device;
    QVERIFY(d3d::FAILED(d3d->CreateDevice(0, d3d::D3DDEVTYPE_HAL, &panel, 0x20, params, device)));
    QVERIFY(!device);
}

void NoOpenGL::runFallsBackToTheReferenceDevice()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("needs the off-screen platform");
    if (!QFileInfo::exists(QStringLiteral(ORVANE_ASSET_DIR "/X-File/vorkan.x")))
        QSKIP("the delivered models have not been generated");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(ORVANE_ASSET_DIR));
    QStringList messages;
    platform::hooks().messageBox = [&](const QString& text) { messages << text; };
    platform::hooks().timeOfDay = [] { return 1000.0f; };
    d3d::SystemRuntime runtime;
    {
        ui::Form1 form(runtime);
        form.show();
        form.Command1_Click();
        QVERIFY(form.Timer1_->isActive());
        QVERIFY(form.Label7_->text().startsWith(QStringLiteral("面の数は   ")));
        form.Timer1_->stop();
        form.Timer1_Timer();
        QImage frame;
        QCOMPARE(form.module().Device->GetBackBufferImage(frame), d3d::D3D_OK);
        // The model is drawn lit: some pixels are neither black nor flat.
        int lit = 0;
        for (int y = 0; y < frame.height(); y += 4)
            for (int x = 0; x < frame.width(); x += 4)
                lit += qGray(frame.pixel(x, y)) > 40;
        QVERIFY2(lit > 100, qPrintable(QString::number(lit)));
    }
    platform::hooks() = {};
    QDir::setCurrent(previous);
    QVERIFY(messages.isEmpty());
}

void NoOpenGL::switchingOffTakesEffectOnEveryRun()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("needs the off-screen platform");
    if (!QFileInfo::exists(QStringLiteral(ORVANE_ASSET_DIR "/X-File/vorkan.x")))
        QSKIP("the delivered models have not been generated");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(ORVANE_ASSET_DIR));
    QStringList messages;
    platform::hooks().messageBox = [&](const QString& text) { messages << text; };
    platform::hooks().timeOfDay = [] { return 1000.0f; };
    d3d::SystemRuntime runtime;
    {
        ui::Form1 form(runtime);
        form.show();
        form.Command1_Click();
        const QImage solid = drawnFrame(form);
        const d3d::DevicePtr first = form.module().Device;
        form.Check7_->setValue16(1);  // wireframe on: a Run of its own
        const QImage wireframe = drawnFrame(form);
        QVERIFY(form.module().Device != first);
        form.Check7_->setValue16(0);  // and off again
        const QImage solidAgain = drawnFrame(form);
        QVERIFY(!solid.isNull());
        QVERIFY(wireframe != solid);
        QVERIFY2(solidAgain == solid, "unticking wireframe must give the solid picture back");

        form.Check8_->setValue16(0);  // the direct light off
        const QImage unlit = drawnFrame(form);
        QVERIFY(unlit != solid);
        form.Check8_->setValue16(1);
        QVERIFY(drawnFrame(form) == solid);
    }
    platform::hooks() = {};
    QDir::setCurrent(previous);
    QVERIFY(messages.isEmpty());
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    NoOpenGL test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_no_opengl.moc"
