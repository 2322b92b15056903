// Run on a scripted runtime: what the controls' values become on the new
// device, and what happens when no device can be made or a step fails.
#include <QtTest>

#include "form1_fixture.h"
#include "platform/application.h"
#include "render/d3dx_math.h"
#include "render/status.h"

using namespace d3d;
using testing_support::Form1Fixture;
using testing_support::ProgramEnd;
using testing_support::runToTheEnd;

namespace {

bool sameMatrix(const D3DMATRIX& a, const D3DMATRIX& b)
{
    for (int i = 0; i < 16; ++i)
        if (qAbs(a.m[i / 4][i % 4] - b.m[i / 4][i % 4]) > 1e-6f)
            return false;
    return true;
}

std::string join(const std::vector<std::string>& log)
{
    std::string all;
    for (const auto& op : log)
        all += op + " ";
    return all;
}

int enabledLights(const testing_support::RecordingDevice& device)
{
    int n = 0;
    for (const auto& slot : device.lights())
        n += slot.enabled;
    return n;
}

}  // namespace

class RunTest : public QObject {
    Q_OBJECT
private slots:
    void defaultsBuildTheDefaultScene();
    void callOrder();
    void strongLightPassesAboveOne();
    void lightAndAmbientSwitches();
    void cameraBars();
    void eachRunMakesANewDevice();
    void runWhileTheTimerIsOnKeepsItsTicks();
    void runsInQuickSuccessionLeaveTheFrameTimerBeating();
    void noDeviceShowsTheMessageAndLeavesTheTimerOff();
    void accessKeyAndMenuRunTheSamePass();
    void failingStepEndsTheProgramThroughTheEventLoop();
    void frameTickDrawsWithTheClockPose();
    void errorsWhileTheErrorMessageIsUpShowNoSecondMessage();
};

void RunTest::defaultsBuildTheDefaultScene()
{
    Form1Fixture f;
    f.form->Command1_Click();
    auto device = f.runtime.lastDevice();
    QVERIFY(device);
    QVERIFY(sameMatrix(device->view(), D3DXMatrixLookAtLH({0, 3, -10}, {0, 0, 0}, {0, 1, 0})));
    const float aspect = float(double(f.form->Picture1Height()) / f.form->Picture1Width());
    QVERIFY(qAbs(aspect - 1.1458f) < 1e-4f);
    const float fov = float(14.0 * 3.141592 / 180.0);
    QVERIFY(sameMatrix(device->projection(), D3DXMatrixPerspectiveFovLH(fov, aspect, 1, 1000)));
    QCOMPARE(enabledLights(*device), 1);
    const D3DLIGHT8& light = device->lights()[0].light;
    QCOMPARE(light.Diffuse.r, 1.0f);
    QCOMPARE(light.Diffuse.g, 1.0f);
    QCOMPARE(light.Diffuse.b, 1.0f);
    QCOMPARE(light.Diffuse.a, 1.0f);
    // White highlights, whatever the light's colour.
    QCOMPARE(light.Specular.r, 1.0f);
    QCOMPARE(light.Specular.g, 1.0f);
    QCOMPARE(light.Specular.b, 1.0f);
    QCOMPARE(light.Specular.a, 1.0f);
    QCOMPARE(light.Direction.x, -1.0f);
    QCOMPARE(light.Direction.y, -1.0f);
    QCOMPARE(light.Direction.z, 1.0f);
    QCOMPARE(light.Range, 1000.0f);
    QCOMPARE(device->renderState(D3DRS_AMBIENT), 0xFF191919u);  // 0.1 of each channel
    QVERIFY(f.form->Timer1_->isActive());
    QVERIFY(f.messages.isEmpty());
}

// The next frame after a click comes on the running timer's next tick, not a
// whole interval after Run.
void RunTest::runWhileTheTimerIsOnKeepsItsTicks()
{
    Form1Fixture f;
    f.form->Command1_Click();
    QVERIFY(f.form->Timer1_->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(f.form->Timer1_->remainingTime() <= 15, 1000);
    f.form->Command1_Click();
    QVERIFY(f.form->Timer1_->isActive());
    QVERIFY2(f.form->Timer1_->remainingTime() <= 15, "Run restarted the timer's interval");
}

void RunTest::callOrder()
{
    Form1Fixture f;
    f.form->Command1_Click();
    const std::vector<std::string> head(f.runtime.log.begin(), f.runtime.log.begin() + 8);
    QCOMPARE(head, (std::vector<std::string>{"Direct3DCreate8", "GetAdapterDisplayMode", "CreateDevice",
                                             "SetTransform", "SetTransform", "SetLight", "LightEnable",
                                             "SetRenderState"}));
    QCOMPARE(f.runtime.createCalls.at(0).type, D3DDEVTYPE_HAL);
    QCOMPARE(f.runtime.createCalls.at(0).params.hDeviceWindow, f.form->picture1_);
    QCOMPARE(f.runtime.createCalls.at(0).focus, static_cast<QWidget*>(f.form.get()));
    QCOMPARE(f.runtime.createCalls.at(0).params.Flags, 0u);
    // The model is loaded on the new device before its material is set.
    const auto& log = f.runtime.log;
    const auto load = std::find(log.begin(), log.end(), "D3DXLoadMeshFromX");
    const auto material = std::find(log.begin(), log.end(), "SetMaterial");
    QVERIFY(load != log.end() && material != log.end());
    QVERIFY(load < material);
}

void RunTest::strongLightPassesAboveOne()
{
    Form1Fixture f;
    f.form->HScroll6_->setValue16(200);  // its handler runs Run
    QCOMPARE(f.form->Check12_->text(), QStringLiteral("6.67"));
    const D3DLIGHT8& light = f.runtime.lastDevice()->lights()[0].light;
    QCOMPARE(light.Diffuse.r, 6.6666665f);
    QCOMPARE(light.Diffuse.b, 6.6666665f);
}

void RunTest::lightAndAmbientSwitches()
{
    // Each colour box switches its own channel: red and blue are told apart.
    for (int channel = 0; channel < 3; ++channel) {
        Form1Fixture g;
        (*g.form->Check10_)[channel]->setValue16(0);
        const D3DCOLORVALUE diffuse = g.runtime.lastDevice()->lights()[0].light.Diffuse;
        QCOMPARE((QList<float>{diffuse.r, diffuse.g, diffuse.b}),
                 (QList<float>{channel == 0 ? 0.0f : 1.0f, channel == 1 ? 0.0f : 1.0f,
                               channel == 2 ? 0.0f : 1.0f}));
        (*g.form->Check11_)[channel]->setValue16(0);
        const std::uint32_t ambientWithout[] = {0xFF001919u, 0xFF190019u, 0xFF191900u};
        QCOMPARE(g.runtime.lastDevice()->renderState(D3DRS_AMBIENT), ambientWithout[channel]);
    }

    Form1Fixture f;
    (*f.form->Check10_)[1]->setValue16(0);
    const D3DLIGHT8& light = f.runtime.lastDevice()->lights()[0].light;
    QCOMPARE(light.Diffuse.r, 1.0f);
    QCOMPARE(light.Diffuse.g, 0.0f);
    QCOMPARE(light.Diffuse.b, 1.0f);

    f.form->Check8_->setValue16(0);
    QCOMPARE(enabledLights(*f.runtime.lastDevice()), 0);
    QVERIFY(!f.form->HScroll6_->isVisibleTo(f.form.get()));
    QCOMPARE(f.runtime.lastDevice()->renderState(D3DRS_AMBIENT), 0xFF191919u);

    f.form->Check9_->setValue16(0);
    QCOMPARE(f.runtime.lastDevice()->renderState(D3DRS_AMBIENT), 0u);  // the new device's black

    f.form->Check8_->setValue16(1);
    QVERIFY(f.form->HScroll6_->isVisibleTo(f.form.get()));
    QCOMPARE(f.runtime.lastDevice()->lights()[0].light.Diffuse.g, 0.0f);  // hidden values kept
}

void RunTest::cameraBars()
{
    Form1Fixture f;
    f.form->HScroll5_->setValue16(0);
    QVERIFY(sameMatrix(f.runtime.lastDevice()->view(),
                       D3DXMatrixLookAtLH({0, 3, -10}, {0, -2.5f, 0}, {0, 1, 0})));
    f.form->HScroll5_->setValue16(50);
    QVERIFY(
        sameMatrix(f.runtime.lastDevice()->view(), D3DXMatrixLookAtLH({0, 3, -10}, {0, 2.5f, 0}, {0, 1, 0})));
    f.form->HScroll10_->setValue16(0);
    f.form->HScroll11_->setValue16(203);
    QVERIFY(sameMatrix(f.runtime.lastDevice()->view(),
                       D3DXMatrixLookAtLH({0, 103, -1000}, {0, 2.5f, 0}, {0, 1, 0})));
    f.form->HScroll4_->setValue16(50);
    const float fov = float(50.0 * 3.141592 / 180.0);
    const float aspect = f.form->Picture1Height() / f.form->Picture1Width();
    QVERIFY(
        sameMatrix(f.runtime.lastDevice()->projection(), D3DXMatrixPerspectiveFovLH(fov, aspect, 1, 1000)));
}

void RunTest::eachRunMakesANewDevice()
{
    Form1Fixture f;
    f.form->Command1_Click();
    f.form->Command1_Click();
    QCOMPARE(f.runtime.devices.size(), size_t(2));
    QCOMPARE(f.runtime.direct3DObjects, 2);
    QVERIFY(f.form->module().Device == f.runtime.devices[1]);
}

void RunTest::runsInQuickSuccessionLeaveTheFrameTimerBeating()
{
    Form1Fixture f;
    // A Run every 10 ms, faster than the 30 ms beat, for half a second.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500) {
        f.form->Command1_Click();
        QTest::qWait(10);
    }
    f.form->Timer1_->stop();
    // About 16 beats were due; each draws one frame.
    QVERIFY2(f.runtime.count("Present") >= 5, qPrintable(QString::number(f.runtime.count("Present"))));
}

void RunTest::noDeviceShowsTheMessageAndLeavesTheTimerOff()
{
    Form1Fixture f;
    f.runtime.createDeviceResults = {D3DERR_NOTAVAILABLE, D3DERR_NOTAVAILABLE};
    f.form->Command1_Click();
    QCOMPARE(f.messages, QStringList{QStringLiteral("Direct3Dは使えません。")});
    QVERIFY(!f.form->Timer1_->isActive());
    QCOMPARE(f.runtime.count("SetTransform"), 0);
    QCOMPARE(f.form->Label7_->text(), QStringLiteral("面の数"));
    // Pressing Run again tries again from the start.
    f.form->Command1_Click();
    QVERIFY(f.form->Timer1_->isActive());
    QCOMPARE(f.runtime.createCalls.back().type, D3DDEVTYPE_HAL);
}

void RunTest::accessKeyAndMenuRunTheSamePass()
{
    Form1Fixture f;
    QVERIFY(f.showActive());
    QTest::keyClick(f.form.get(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(f.runtime.count("CreateDevice"), 1);
    f.form->Timer1_->stop();
    // The pass itself, without the frames the timer drew since.
    auto firstFrame = std::find(f.runtime.log.begin(), f.runtime.log.end(), "Clear");
    if (firstFrame != f.runtime.log.end())
        --firstFrame;  // a tick sets the world transform before it clears
    const std::vector<std::string> byKey(f.runtime.log.begin(), firstFrame);
    f.runtime.log.clear();
    f.form->mnuStart_->trigger();
    QCOMPARE(QString::fromStdString(join(f.runtime.log)), QString::fromStdString(join(byKey)));
}

void RunTest::failingStepEndsTheProgramThroughTheEventLoop()
{
    Form1Fixture f;
    f.runtime.failures["SetLight"] = D3DERR_INVALIDCALL;
    // A click arrives as an event; the error unwinds to the application.
    const ProgramEnd end = runToTheEnd(
        [&] { QTest::mouseClick(f.form->Command1_, Qt::LeftButton); },
        [&] { return f.form->Timer1_->isActive() ? QStringLiteral("frames") : QStringLiteral("no frames"); });
    QVERIFY(end.status > 0);
    QCOMPARE(end.messages.size(), 1);
    QVERIFY(end.messages[0].startsWith(QStringLiteral("実行時エラー '-2005530516 (8876086c)':")));
    QVERIFY(end.messages[0].contains(QStringLiteral("SetLight")));
    QCOMPARE(end.atEnd, QStringLiteral("no frames"));
}

void RunTest::frameTickDrawsWithTheClockPose()
{
    Form1Fixture f;
    platform::hooks().timeOfDay = [] { return 2.0f; };
    f.form->Command1_Click();
    f.runtime.log.clear();
    f.form->Timer1_Timer();
    QCOMPARE(f.runtime.log, (std::vector<std::string>{"SetTransform", "Clear", "BeginScene", "DrawSubset",
                                                      "EndScene", "Present"}));
    QCOMPARE(f.runtime.drawnSubsets, std::vector<std::uint32_t>{0});  // attribute group 0 only
    // Y on at speed 100: 2 radians; X off: identity.
    QVERIFY(sameMatrix(f.runtime.lastDevice()->world(), D3DXMatrixRotationY(2.0f)));
    f.form->Check2_->setValue16(1);
    f.form->HScroll2_->setValue16(200);  // half speed: 1 radian
    f.form->Timer1_Timer();
    QVERIFY(sameMatrix(f.runtime.lastDevice()->world(),
                       D3DXMatrixMultiply(D3DXMatrixRotationX(1.0f), D3DXMatrixRotationY(2.0f))));
    f.form->Check1_->setValue16(0);
    f.form->Check2_->setValue16(0);
    f.form->Timer1_Timer();
    QVERIFY(sameMatrix(f.runtime.lastDevice()->world(), D3DXMatrixIdentity()));
    const auto& clear = f.runtime.lastDevice()->clears.back();
    QCOMPARE(clear.color, 0xFF000000u);
    QCOMPARE(clear.flags, 3u);
}

void RunTest::errorsWhileTheErrorMessageIsUpShowNoSecondMessage()
{
    Form1Fixture f;
    f.form->Command1_Click();
    f.runtime.failures["Clear"] = D3DERR_DEVICELOST;
    // While the first message waits, the frame timer ticks and fails again.
    platform::hooks().messageBox = [&](const QString& text) {
        f.messages << text;
        QTimerEvent tick(f.form->Timer1_->timerId());
        QCoreApplication::sendEvent(f.form->Timer1_, &tick);
    };
    const ProgramEnd end = runToTheEnd([&] {
        QTimerEvent tick(f.form->Timer1_->timerId());
        QCoreApplication::sendEvent(f.form->Timer1_, &tick);
    });
    QCOMPARE(end.status, 1);
    QCOMPARE(end.messages.size(), 1);
    QVERIFY(end.messages[0].contains(QStringLiteral("D3DERR_DEVICELOST")));
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    RunTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_run.moc"
