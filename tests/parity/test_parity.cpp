// The two devices draw the same scenes alike: every delivered model under a
// matrix of settings, rendered by the OpenGL device and by the reference
// rasteriser, must agree to within 3/255 per channel on 99 % of the pixels.
// A failing case leaves both images and an amplified difference beside the
// test's output.
#include <QDir>
#include <QtTest>
#include <functional>

#include "platform/application.h"
#include "render_to_file.h"
#include "viewer/stored_controls.h"

namespace {

struct Setting {
    const char* name;
    const char* texture;  // texturing on with this image, or null
    std::function<void(viewer::StoredControls&)> adjust;
    app::Look look = app::Look::Viewer;
};

const std::vector<Setting>& settings()
{
    static const std::vector<Setting> all = {
        {"default", nullptr, {}},
        {"texture", "Texture\\earth1.jpg", {}},
        {"wireframe", nullptr, [](viewer::StoredControls& c) { c.setCheck(7, 1); }},
        {"opacity37", nullptr, [](viewer::StoredControls& c) { c.setHScroll(8, 37); }},
        {"gloss100", nullptr, [](viewer::StoredControls& c) { c.setHScroll(9, 100); }},
        {"no-direct-light", nullptr, [](viewer::StoredControls& c) { c.setCheck(8, 0); }},
        {"no-ambient", nullptr, [](viewer::StoredControls& c) { c.setCheck(9, 0); }},
        {"fov1", nullptr, [](viewer::StoredControls& c) { c.setHScroll(4, 1); }},
        {"fov50", nullptr, [](viewer::StoredControls& c) { c.setHScroll(4, 50); }},
        {"camera-far", nullptr, [](viewer::StoredControls& c) { c.setHScroll(10, 0); }},
        {"camera-near", nullptr, [](viewer::StoredControls& c) { c.setHScroll(10, 999); }},
        {"authored", nullptr, {}, app::Look::Authored},
    };
    return all;
}

// The share of pixels whose channels all lie within `tolerance`, and an
// image of the differences, amplified eight times.
double agreement(const QImage& a, const QImage& b, int tolerance, QImage& diff)
{
    diff = QImage(a.size(), QImage::Format_RGB32);
    qint64 close = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int dr = qAbs(qRed(p) - qRed(q)), dg = qAbs(qGreen(p) - qGreen(q)),
                      db = qAbs(qBlue(p) - qBlue(q));
            close += dr <= tolerance && dg <= tolerance && db <= tolerance;
            diff.setPixel(x, y, qRgb(qMin(255, dr * 8), qMin(255, dg * 8), qMin(255, db * 8)));
        }
    return double(close) / (qint64(a.width()) * a.height());
}

}  // namespace

class DeviceParity : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void sameScene_data();
    void sameScene();
    void ddsTexturedCorpusModels();

private:
    QString previousFolder_;
};

void DeviceParity::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("the OpenGL device is compared on an X server (run under xvfb-run)");
    if (!QFileInfo::exists(QStringLiteral(ORVANE_ASSET_DIR "/X-File/vorkan.x")))
        QSKIP("the delivered models have not been generated");
    previousFolder_ = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(ORVANE_ASSET_DIR));
    QDir().mkpath(QStringLiteral(ORVANE_PARITY_OUTPUT));
}

void DeviceParity::cleanupTestCase()
{
    if (!previousFolder_.isEmpty())
        QDir::setCurrent(previousFolder_);
}

void DeviceParity::sameScene_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("setting");
    const QStringList models =
        QDir(QStringLiteral(ORVANE_ASSET_DIR "/X-File")).entryList({"*.x"}, QDir::Files);
    for (const QString& model : models)
        for (int s = 0; s < int(settings().size()); ++s)
            QTest::addRow("%s/%s", qPrintable(model), settings()[std::size_t(s)].name) << model << s;
}

void DeviceParity::sameScene()
{
    QFETCH(QString, model);
    QFETCH(int, setting);
    const Setting& s = settings()[std::size_t(setting)];
    app::RenderRequest request;
    request.model = QStringLiteral("X-File\\") + model;
    request.time = 1000.25;
    request.look = s.look;
    if (s.texture)
        request.texture = QString::fromLatin1(s.texture);

    std::string error;
    request.deviceType = 1;
    const std::optional<QImage> hal = app::renderFrame(request, error, s.adjust);
    QVERIFY2(hal, error.c_str());
    request.deviceType = 2;
    const std::optional<QImage> ref = app::renderFrame(request, error, s.adjust);
    QVERIFY2(ref, error.c_str());
    QCOMPARE(hal->size(), ref->size());

    // The comparison means something only where a model was drawn.
    if (QByteArray(s.name) == "default" || QByteArray(s.name) == "authored") {
        // The corner shows the background.
        const QRgb background = hal->pixel(0, 0);
        int drawn = 0;
        for (int y = 0; y < hal->height(); y += 2)
            for (int x = 0; x < hal->width(); x += 2)
                drawn += hal->pixel(x, y) != background;
        QVERIFY2(drawn > 100, "the model covers almost nothing");
    }

    QImage diff;
    const double share = agreement(*hal, *ref, 3, diff);
    if (share < 0.99) {
        const QString stem =
            QStringLiteral(ORVANE_PARITY_OUTPUT "/%1-%2").arg(QFileInfo(model).baseName(), s.name);
        hal->save(stem + QStringLiteral("-hal.png"));
        ref->save(stem + QStringLiteral("-ref.png"));
        diff.save(stem + QStringLiteral("-diff.png"));
    }
    QVERIFY2(share >= 0.99, qPrintable(QStringLiteral("%1 % of pixels agree").arg(share * 100, 0, 'f', 2)));
}

// Models of the corpus whose textures are DDS files (DXT1 with their own mip
// levels, X8R8G8B8 with a zero fourth byte), in the authored look: both
// devices read every texture and draw them alike.
void DeviceParity::ddsTexturedCorpusModels()
{
    const QString folder = QStringLiteral(ORVANE_XCORPUS_DIR "/dxsdk-legacy/Media");
    if (!QFileInfo::exists(folder))
        QSKIP("the corpus is not beside the repository");
    for (const char* name : {"Tiny/tiny.x", "Dwarf/Dwarf.x"}) {
        app::RenderRequest request;
        request.model = folder + QLatin1Char('/') + QLatin1String(name);
        request.size = {192, 192};
        request.look = app::Look::Authored;
        std::string error;
        QStringList halNotes, refNotes;
        request.deviceType = 1;
        const std::optional<QImage> hal = app::renderFrame(request, error, {}, &halNotes);
        QVERIFY2(hal, error.c_str());
        request.deviceType = 2;
        const std::optional<QImage> ref = app::renderFrame(request, error, {}, &refNotes);
        QVERIFY2(ref, error.c_str());
        QVERIFY2(halNotes.isEmpty(), qPrintable(halNotes.join(QLatin1Char('\n'))));
        QVERIFY2(refNotes.isEmpty(), qPrintable(refNotes.join(QLatin1Char('\n'))));
        QImage diff;
        const double share = agreement(*hal, *ref, 3, diff);
        QVERIFY2(
            share >= 0.99,
            qPrintable(QStringLiteral("%1: %2 % of pixels agree").arg(name).arg(share * 100, 0, 'f', 2)));
    }
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    DeviceParity test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_parity.moc"
