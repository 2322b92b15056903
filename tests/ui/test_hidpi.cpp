// The main window at a device pixel ratio above one (QT_SCALE_FACTOR=2 on the
// X server): the layout in device-independent pixels is the one of ratio 1,
// and the panel's back buffer and what is presented hold one pixel per device
// pixel, on whichever device Run made (OpenGL, or the reference device when
// the platform offers no OpenGL: QT_XCB_GL_INTEGRATION=none).
#include <QDir>
#include <QFileInfo>
#include <QWindow>
#include <QtTest>

#include "open_form1.h"
#include "platform/application.h"
#include "platform/services.h"
#include "render/ref/ref_presenter.h"
#include "render/system/system_runtime.h"
#include "ui/app_icon.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/units.h"

class HiDpi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void layoutKeepsItsPlaces();
    void panelDrawsAtDevicePixels();
    void aboutBannerIsDrawnAtDevicePixels();
    void cleanupTestCase();

private:
    qreal ratio_ = 1;
    d3d::SystemRuntime runtime_;
    std::unique_ptr<testing_support::OpenForm1> form_;
    QString previousDir_;
};

void HiDpi::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    ratio_ = qEnvironmentVariableIntValue("QT_SCALE_FACTOR");
    if (ratio_ < 2)
        QSKIP("run with QT_SCALE_FACTOR=2 or more");
    if (!QFileInfo::exists(QStringLiteral(ORVANE_ASSET_DIR "/X-File/vorkan.x")))
        QSKIP("the delivered models have not been generated");
    previousDir_ = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(ORVANE_ASSET_DIR));
    platform::hooks().messageBox = [](const QString& text) { QFAIL(qPrintable(text)); };
    platform::hooks().timeOfDay = [] { return 1000.0f; };
    form_ = std::make_unique<testing_support::OpenForm1>(runtime_);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void HiDpi::layoutKeepsItsPlaces()
{
    QCOMPARE(form_->devicePixelRatioF(), ratio_);
    QCOMPARE(form_->windowHandle()->devicePixelRatio(), ratio_);
    // Geometry in device-independent pixels is the layout of ratio 1: the
    // panel's 7575 × 7485 twips at 96 dpi, at its place in the window.
    QCOMPARE(form_->picture1_->geometry(), ui::twipsToPixels(0, 0, 7575, 7485, 96.0));
    QCOMPARE(form_->Command1_->devicePixelRatioF(), ratio_);
}

void HiDpi::panelDrawsAtDevicePixels()
{
    form_->Command1_Click();
    QVERIFY(form_->Timer1_->isActive());
    form_->Timer1_->stop();
    form_->Timer1_Timer();
    QWidget* panel = form_->picture1_;
    const QSize devicePixels = panel->size() * ratio_;

    QImage backBuffer;
    QCOMPARE(form_->module().Device->GetBackBufferImage(backBuffer), d3d::D3D_OK);
    QCOMPARE(backBuffer.size(), devicePixels);

    auto* glSurface = panel->findChild<QWidget*>(QStringLiteral("orvane-device-window"));
    auto* presenter = dynamic_cast<d3d::ref::RefPresenter*>(
        panel->findChild<QObject*>(QStringLiteral("orvane-ref-presenter"), Qt::FindDirectChildrenOnly));
    QVERIFY2(bool(glSurface) != bool(presenter), "exactly one device presents in the panel");
    if (presenter) {
        qInfo("reference device");
        // The presented frame paints one to one, no scaling at paint time.
        QCOMPARE(presenter->frame().size(), devicePixels);
        QCOMPARE(presenter->frame().devicePixelRatio(), ratio_);
        return;
    }
    qInfo("OpenGL device");
    QWindow* surface = glSurface->property("orvaneWindow").value<QWindow*>();
    QVERIFY(surface);
    QCOMPARE(surface->devicePixelRatio(), ratio_);
    // The window the back buffer is copied into has the same device pixels,
    // so presenting copies one to one.
    QCOMPARE(surface->size() * surface->devicePixelRatio(), devicePixels);
}

void HiDpi::aboutBannerIsDrawnAtDevicePixels()
{
    ui::Form2 about(ui::appIcon());
    const QPixmap banner = about.Image4_->pixmap();
    QCOMPARE(banner.devicePixelRatio(), ratio_);
    QCOMPARE(banner.size(), QSize(200, 40) * ratio_);
}

void HiDpi::cleanupTestCase()
{
    form_.reset();
    platform::hooks() = {};
    if (!previousDir_.isEmpty())
        QDir::setCurrent(previousDir_);
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    HiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_hidpi.moc"
