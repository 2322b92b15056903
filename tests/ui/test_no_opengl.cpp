// With no OpenGL to be had (the off-screen platform has none) the hardware
// device fails with a status instead of crashing, and Run carries on with the
// reference device.
#include <QDir>
#include <QFileInfo>
#include <QtTest>
#include <memory>

#include "open_form1.h"
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
    void panelShowsItsFocusMarkOverTheFrame();
};

namespace {

// Why the delivered models cannot be drawn on the reference device here;
// empty when they can.
QString cannotDrawDeliveredModels()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        return QStringLiteral("needs the off-screen platform");
    if (!QFileInfo::exists(QStringLiteral(ORVANE_ASSET_DIR "/X-File/vorkan.x")))
        return QStringLiteral("the delivered models have not been generated");
    return {};
}

// For one test: the main window on the program's own runtime, shown, after
// its first Run; the delivered models' folder as the current folder, the
// message box answered by the test, and the clock stopped.
struct DeliveredModels {
    DeliveredModels() : previous(QDir::currentPath())
    {
        QDir::setCurrent(QStringLiteral(ORVANE_ASSET_DIR));
        platform::hooks().messageBox = [this](const QString& text) { messages << text; };
        platform::hooks().timeOfDay = [] { return 1000.0f; };
        form = std::make_unique<testing_support::OpenForm1>(runtime);
        form->show();
        form->Command1_Click();
    }
    ~DeliveredModels()
    {
        form.reset();
        platform::hooks() = {};
        QDir::setCurrent(previous);
    }
    QString previous;
    QStringList messages;
    d3d::SystemRuntime runtime;
    std::unique_ptr<testing_support::OpenForm1> form;
};

// One frame of the form's current scene, at a fixed time of day.
QImage drawnFrame(testing_support::OpenForm1& form)
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
    if (const QString why = cannotDrawDeliveredModels(); !why.isEmpty())
        QSKIP(qPrintable(why));
    DeliveredModels models;
    {
        testing_support::OpenForm1& form = *models.form;
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
    QVERIFY(models.messages.isEmpty());
}

void NoOpenGL::switchingOffTakesEffectOnEveryRun()
{
    if (const QString why = cannotDrawDeliveredModels(); !why.isEmpty())
        QSKIP(qPrintable(why));
    DeliveredModels models;
    {
        testing_support::OpenForm1& form = *models.form;
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
    QVERIFY(models.messages.isEmpty());
}

void NoOpenGL::panelShowsItsFocusMarkOverTheFrame()
{
    if (const QString why = cannotDrawDeliveredModels(); !why.isEmpty())
        QSKIP(qPrintable(why));
    DeliveredModels models;
    testing_support::OpenForm1& form = *models.form;
    drawnFrame(form);  // presented: the frame covers the panel
    // Pixels of the panel's second row that the black frame does not explain.
    auto marked = [&] {
        const QImage shown = form.picture1_->grab().toImage();
        int count = 0;
        for (int x = 2; x < shown.width() - 2; ++x)
            count += qGray(shown.pixel(x, 1)) > 60;
        return count;
    };
    QCOMPARE(marked(), 0);
    // Tab from 実行 lands on the panel, which shows the mark over the frame.
    form.activateWindow();
    form.Command1_->setFocus();
    QTest::keyClick(form.Command1_, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), form.picture1_);
    QVERIFY2(marked() > form.picture1_->width() / 3, qPrintable(QString::number(marked())));
    QTest::keyClick(form.picture1_, Qt::Key_Tab);
    QTRY_VERIFY(QApplication::focusWidget() != form.picture1_);
    QCOMPARE(marked(), 0);
    QVERIFY(models.messages.isEmpty());
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    NoOpenGL test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_no_opengl.moc"
