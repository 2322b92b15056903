// Times the viewer's own work on the hardware device: one whole Run (device,
// model, material), a settings reset's 21 Runs, and for each model the click
// to the next frame (a check box whose handler runs Run, then the event loop
// until the frame loop has presented its next frame) and steady frames.
//   bench_viewer [MODEL.x ...]   (run from the folder that holds X-File/)
// Prints medians in milliseconds. Needs an X server with OpenGL.
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "open_form1.h"
#include "platform/application.h"
#include "platform/services.h"
#include "render/system/system_runtime.h"
#include "ui/form1.h"

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template <class F>
std::vector<double> timeRepeated(int count, F&& work)
{
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return ms;
}

// Every handled control away from its default, so that a reset runs 21 times.
void changeEverySetting(testing_support::OpenForm1& w)
{
    for (ui::ScrollBar* bar : {w.HScroll4_, w.HScroll5_, w.HScroll6_, w.HScroll7_, w.HScroll8_, w.HScroll9_,
                               w.HScroll10_, w.HScroll11_}) {
        bar->blockSignals(true);
        bar->setValue16(bar->Value() == bar->minimum() ? bar->minimum() + 1 : bar->minimum());
        bar->blockSignals(false);
    }
    std::vector<ui::CheckBox*> boxes = {w.Check7_, w.Check8_, w.Check9_};
    for (ui::CheckArray* array : {w.Check6_, w.Check10_, w.Check11_})
        for (int i = 0; i < 3; ++i)
            boxes.push_back((*array)[i]);
    for (ui::CheckBox* box : boxes) {
        box->blockSignals(true);
        box->setValue16(1 - box->Value());
        box->blockSignals(false);
    }
}

// A wavy grid of about `triangles` triangles as a text .x file.
QString writeGrid(int triangles)
{
    const int n = std::max(2, int(std::sqrt(triangles / 2.0)));
    const QString path = QStringLiteral("/tmp/orvane-bench-grid-%1.x").arg(triangles);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return path;
    QByteArray out = "xof 0303txt 0032\nMesh {\n";
    out += QByteArray::number((n + 1) * (n + 1)) + ";\n";
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) {
            const double u = 2.0 * x / n - 1, v = 2.0 * y / n - 1;
            out += QByteArray::number(u, 'f', 5) + ";" + QByteArray::number(v, 'f', 5) + ";" +
                   QByteArray::number(0.1 * std::sin(6 * u) * std::cos(6 * v), 'f', 5) +
                   (y == n && x == n ? ";;\n" : ";,\n");
        }
    out += QByteArray::number(n * n) + ";\n";
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int a = y * (n + 1) + x;
            out += "4;" + QByteArray::number(a) + "," + QByteArray::number(a + n + 1) + "," +
                   QByteArray::number(a + n + 2) + "," + QByteArray::number(a + 1) +
                   (y == n - 1 && x == n - 1 ? ";;\n" : ";,\n");
        }
    out += "}\n";
    file.write(out);
    return path;
}

// From a click on the directional-light check box to the next frame the
// frame loop presents, `count` times.
std::vector<double> clickToFrame(testing_support::OpenForm1& form, int count)
{
    bool presented = false;
    // Connected after the form's own handler, so it runs once the frame is presented.
    const auto watch = QObject::connect(form.Timer1_, &QTimer::timeout, [&] { presented = true; });
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        presented = false;
        form.Check8_->click();
        while (!presented)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 100)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    QObject::disconnect(watch);
    return ms;
}

}  // namespace

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    d3d::SystemRuntime runtime;
    testing_support::OpenForm1 form(runtime);
    form.show();
    QCoreApplication::processEvents();

    const auto runs = timeRepeated(25, [&] { form.Command1_Click(); });
    std::printf("Run (default model): median %.2f ms over %zu\n", median(runs), runs.size());
    form.Timer1_->stop();

    const auto resets = timeRepeated(5, [&] {
        changeEverySetting(form);
        form.Command4_Click();
    });
    std::printf("settings reset (21 Runs): median %.1f ms\n", median(resets));

    std::vector<QString> models = {QStringLiteral("X-File\\vorkan.x")};
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        // --grid=N: a generated grid of about N triangles.
        models.push_back(arg.startsWith(QStringLiteral("--grid=")) ? writeGrid(arg.mid(7).toInt()) : arg);
    }
    for (const QString& model : models) {
        form.setText1(model);
        form.Command1_Click();
        const auto clicks = clickToFrame(form, 7);
        std::printf("click to frame, %s: median %.1f ms over %zu\n", qPrintable(model), median(clicks),
                    clicks.size());
        form.Timer1_->stop();
        // The first frames compile and upload; the loop's steady state follows.
        timeRepeated(3, [&] {
            form.Timer1_Timer();
            QCoreApplication::processEvents();
        });
        auto frames = timeRepeated(100, [&] {
            form.Timer1_Timer();
            QCoreApplication::processEvents();
        });
        std::sort(frames.begin(), frames.end());
        std::printf("frame of %s (%s): median %.2f ms, 95th percentile %.2f ms, worst %.2f ms\n",
                    qPrintable(model), qPrintable(form.Label7_->text()), median(frames),
                    frames[frames.size() * 95 / 100], frames.back());
    }
    std::fflush(stdout);
    platform::endProgram(0);
}
