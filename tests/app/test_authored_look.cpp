// The authored look: the model framed the same at any size and aspect, every
// attribute group in its own colour, textures found the way files name them.
// Drawn by the reference device on the off-screen platform.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <array>

#include "render_to_file.h"
#include "viewer/authored_look.h"
#include "viewer/texture_search.h"
#include "xfile/xfile.h"

namespace {

constexpr QRgb kBackground = 0xFF7F7F7F;

struct Drawn {
    QImage image;
    QStringList notes;
};

Drawn draw(const QString& model, QSize size)
{
    app::RenderRequest request;
    request.model = model;
    request.size = size;
    request.deviceType = 2;
    request.look = app::Look::Authored;
    std::string error;
    Drawn drawn;
    const std::optional<QImage> image = app::renderFrame(request, error, {}, &drawn.notes);
    if (!image)
        qWarning("%s", error.c_str());
    drawn.image = image ? *image : QImage();
    return drawn;
}

// The smallest rectangle holding every pixel that is not background.
QRect modelBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) | 0xFF000000) != kBackground)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// Pixels whose hue lies within 20° of `hue` and that are clearly coloured
// (the side away from the light shows a dark shade of its colour).
int pixelsOfHue(const QImage& image, int hue)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgb(image.pixel(x, y));
            const int d = std::abs(c.hsvHue() - hue);
            count += c.hsvSaturation() > 100 && c.value() > 12 && std::min(d, 360 - d) <= 20;
        }
    return count;
}

struct Vec {
    double x, y, z;
};

// A cube of half-side `scale` around `centre`, one material and one normal
// per face in the order -x, +x, -y, +y, -z (front), +z, each material given
// as diffuse RGB; inside a frame with `frameMatrix` (16 numbers) if given.
QByteArray cubeModel(double scale, Vec centre, const std::array<Vec, 6>& colours,
                     const char* frameMatrix = nullptr)
{
    QByteArray x = "xof 0303txt 0032\n";
    if (frameMatrix)
        x += QByteArray("Frame { FrameTransformMatrix { ") + frameMatrix + ";; }\n";
    x += "Mesh {\n8;\n";
    auto corner = [&](int i) {
        return Vec{centre.x + ((i & 1) ? scale : -scale), centre.y + ((i & 2) ? scale : -scale),
                   centre.z + ((i & 4) ? scale : -scale)};
    };
    for (int i = 0; i < 8; ++i) {
        const Vec p = corner(i);
        x += QByteArray::number(p.x, 'g', 9) + ';' + QByteArray::number(p.y, 'g', 9) + ';' +
             QByteArray::number(p.z, 'g', 9) + (i < 7 ? ";,\n" : ";;\n");
    }
    // Corners of each face in an order that winds clockwise seen from outside
    // (the front face of a left-handed space).
    const int faces[6][4] = {{4, 6, 2, 0}, {3, 7, 5, 1}, {1, 5, 4, 0},
                             {6, 7, 3, 2}, {2, 3, 1, 0}, {5, 7, 6, 4}};
    x += "6;\n";
    for (int f = 0; f < 6; ++f)
        x += QStringLiteral("4;%1,%2,%3,%4;%5\n")
                 .arg(faces[f][0])
                 .arg(faces[f][1])
                 .arg(faces[f][2])
                 .arg(faces[f][3])
                 .arg(f < 5 ? "," : ";")
                 .toLatin1();
    x += "MeshMaterialList {\n6;\n6;\n0,1,2,3,4,5;;\n";
    for (const Vec& c : colours)
        x += QStringLiteral("Material {\n%1;%2;%3;1.0;;\n0.0;\n0.0;0.0;0.0;;\n0.0;0.0;0.0;;\n}\n")
                 .arg(c.x)
                 .arg(c.y)
                 .arg(c.z)
                 .toLatin1();
    x += "}\nMeshNormals {\n6;\n-1;0;0;,\n1;0;0;,\n0;-1;0;,\n0;1;0;,\n0;0;-1;,\n0;0;1;;\n6;\n";
    for (int f = 0; f < 6; ++f)
        x += QStringLiteral("4;%1,%1,%1,%1;%2\n").arg(f).arg(f < 5 ? "," : ";").toLatin1();
    x += "}\n}\n";
    if (frameMatrix)
        x += "}\n";
    return x;
}

const std::array<Vec, 6> kGrey = {Vec{.7, .7, .7}, {.7, .7, .7}, {.7, .7, .7},
                                  {.7, .7, .7},    {.7, .7, .7}, {.7, .7, .7}};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class AuthoredLook : public QObject {
    Q_OBJECT
private slots:
    void anySizeFillsTheSameShare();
    void aspectFollowsTheImage();
    void everyGroupShowsItsColour();
    void mirroringFramesShowTheOutside();
    void corpusGroupsShowTheirColours();
    void deliveredTextureIsDrawnAndAMissingOneNoted();
    void textureNamesAreDecodedAndFound();
    void posedModelStaysFramedWhileItMoves();

private:
    QTemporaryDir dir_;
};

void AuthoredLook::anySizeFillsTheSameShare()
{
    QVERIFY(writeFile(dir_.filePath("tiny.x"), cubeModel(1e-20, {3e-20, -2e-20, 1e-20}, kGrey)));
    QVERIFY(writeFile(dir_.filePath("huge.x"), cubeModel(1e20, {3e20, 1e20, -2e20}, kGrey)));
    const QImage tinyImage = draw(dir_.filePath("tiny.x"), {256, 256}).image;
    const QImage hugeImage = draw(dir_.filePath("huge.x"), {256, 256}).image;
    const QRect tiny = modelBounds(tinyImage), huge = modelBounds(hugeImage);
    QVERIFY(!tiny.isEmpty() && !huge.isEmpty());
    // The cube's outline spans most of the bounding sphere's 80 %.
    const double share = std::max(tiny.width(), tiny.height()) / 256.0;
    QVERIFY2(share > 0.6 && share < 0.85, qPrintable(QString::number(share)));
    QVERIFY(std::abs(tiny.width() - huge.width()) <= 2 && std::abs(tiny.height() - huge.height()) <= 2);
    // Lit alike, too.
    int differing = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const QRgb a = tinyImage.pixel(x, y), b = hugeImage.pixel(x, y);
            differing += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                             std::abs(qBlue(a) - qBlue(b)) >
                         6;
        }
    QVERIFY2(differing < 256 * 256 / 100, qPrintable(QString::number(differing)));
    // Centred.
    QVERIFY(std::abs(tiny.center().x() - 128) <= 12 && std::abs(tiny.center().y() - 128) <= 12);
}

void AuthoredLook::aspectFollowsTheImage()
{
    QVERIFY(writeFile(dir_.filePath("cube.x"), cubeModel(1, {0, 0, 0}, kGrey)));
    const QRect square = modelBounds(draw(dir_.filePath("cube.x"), {200, 200}).image);
    const QRect wide = modelBounds(draw(dir_.filePath("cube.x"), {400, 200}).image);
    const QRect tall = modelBounds(draw(dir_.filePath("cube.x"), {200, 400}).image);
    const double ratio = double(square.width()) / square.height();
    QVERIFY2(std::abs(double(wide.width()) / wide.height() - ratio) < 0.05 * ratio, "wide picture squeezes");
    QVERIFY2(std::abs(double(tall.width()) / tall.height() - ratio) < 0.05 * ratio, "tall picture squeezes");
    // The shorter side limits the size.
    QVERIFY(std::abs(wide.height() - square.height()) <= 3 && std::abs(tall.width() - square.width()) <= 3);
}

void AuthoredLook::everyGroupShowsItsColour()
{
    // The three faces seen from the front-upper-left: red, green and blue.
    const std::array<Vec, 6> colours = {Vec{1, 0, 0}, {.5, .5, .5}, {.5, .5, .5},
                                        {0, 1, 0},    {0, 0, 1},    {.5, .5, .5}};
    QVERIFY(writeFile(dir_.filePath("rgb.x"), cubeModel(1, {0, 0, 0}, colours)));
    const QImage image = draw(dir_.filePath("rgb.x"), {128, 128}).image;
    QVERIFY(!image.isNull());
    for (int hue : {0, 120, 240})
        QVERIFY2(pixelsOfHue(image, hue) > 400, qPrintable(QStringLiteral("hue %1").arg(hue)));
}

void AuthoredLook::mirroringFramesShowTheOutside()
{
    // Mirrored in x, the cube looks the same: the same faces, lit the same.
    QVERIFY(writeFile(dir_.filePath("plain.x"), cubeModel(1, {0, 0, 0}, kGrey)));
    QVERIFY(writeFile(dir_.filePath("mirrored.x"),
                      cubeModel(1, {0, 0, 0}, kGrey, "-1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1")));
    const QImage plain = draw(dir_.filePath("plain.x"), {128, 128}).image;
    const QImage mirrored = draw(dir_.filePath("mirrored.x"), {128, 128}).image;
    QVERIFY(!plain.isNull() && !mirrored.isNull());
    int differing = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            differing += qGray(plain.pixel(x, y)) / 8 != qGray(mirrored.pixel(x, y)) / 8;
    QVERIFY2(differing < 128 * 128 / 100, qPrintable(QString::number(differing)));
}

void AuthoredLook::corpusGroupsShowTheirColours()
{
    const QString folder = QStringLiteral(ORVANE_XCORPUS_DIR);
    if (!QFileInfo::exists(folder))
        QSKIP("the corpus is not beside the repository");
    // Models whose groups differ in colour, several of them small parts.
    for (const char* name :
         {"blitz3d/samples/mak/driver/car.x", "MiniGame_01/MiniGame/data/MODEL/pingu/pengu000_Head1.x"}) {
        const QString model = folder + QLatin1Char('/') + QString::fromUtf8(name);
        xfile::MeshData mesh;
        xfile::LoadError error;
        QVERIFY2(xfile::loadMeshFile(model.toStdString(), mesh, error), error.message.c_str());
        const QImage image = draw(model, {384, 384}).image;
        QVERIFY(!image.isNull());
        int coloured = 0;
        for (const xfile::MeshData::Group& group : mesh.groups) {
            const xfile::Material& m = mesh.materials.at(group.attribute);
            const QColor diffuse = QColor::fromRgbF(m.diffuse[0], m.diffuse[1], m.diffuse[2]);
            if (!m.textureFilename.empty() || diffuse.hsvSaturation() < 128 || diffuse.value() < 80)
                continue;
            ++coloured;
            QVERIFY2(pixelsOfHue(image, diffuse.hsvHue()) > 3,
                     qPrintable(QStringLiteral("%1: group %2 (hue %3)")
                                    .arg(model)
                                    .arg(group.attribute)
                                    .arg(diffuse.hsvHue())));
        }
        QVERIFY2(coloured >= 2, name);
    }
}

void AuthoredLook::deliveredTextureIsDrawnAndAMissingOneNoted()
{
    const QString city = QStringLiteral(ORVANE_ASSET_DIR "/X-File/city02_01.x");
    if (!QFileInfo::exists(city))
        QSKIP("the delivered models have not been generated");
    const Drawn textured = draw(city, {160, 160});
    QVERIFY(textured.notes.isEmpty());
    QVERIFY(QFile::copy(city, dir_.filePath("city.x")));
    const Drawn bare = draw(dir_.filePath("city.x"), {160, 160});
    QVERIFY2(!bare.image.isNull(), "a missing texture is not an error");
    QCOMPARE(bare.notes.size(), 1);
    QVERIFY(bare.notes[0].contains(QLatin1String("City02_01.jpg")));
    int differing = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 160; ++x)
            differing += textured.image.pixel(x, y) != bare.image.pixel(x, y);
    QVERIFY2(differing > 1000, qPrintable(QString::number(differing)));
}

void AuthoredLook::textureNamesAreDecodedAndFound()
{
    // "テクスチャ\ソ.PNG" in CP932: the second byte of ソ is the byte of "\".
    const std::string cp932 = "\x83\x65\x83\x4e\x83\x58\x83\x60\x83\x83\\\x83\x5c.PNG";
    QCOMPARE(viewer::decodeTextureName(cp932), QStringLiteral("テクスチャ\\ソ.PNG"));
    QCOMPARE(viewer::decodeTextureName("木\\bark.bmp"), QStringLiteral("木\\bark.bmp"));

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("model/テクスチャ")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("model/deep/er")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("textures")));
    for (const char* file : {"model/テクスチャ/ソ.png", "model/deep/er/Bark.BMP", "textures/up.png"})
        QVERIFY(writeFile(dir.filePath(QString::fromUtf8(file)), "x"));
    const QString model = dir.filePath(QStringLiteral("model"));
    // As written, relative to the model, in any case.
    QCOMPARE(viewer::findTexture(model, viewer::decodeTextureName(cp932)),
             std::optional(dir.filePath(QStringLiteral("model/テクスチャ/ソ.png"))));
    QCOMPARE(viewer::findTexture(model, QStringLiteral("..\\Textures\\UP.png")),
             std::optional(dir.filePath(QStringLiteral("textures/up.png"))));
    // An absolute path of another machine: the same file name below the model.
    QCOMPARE(viewer::findTexture(model, QStringLiteral("C:\\Users\\me\\bark.bmp")),
             std::optional(dir.filePath(QStringLiteral("model/deep/er/Bark.BMP"))));
    QCOMPARE(viewer::findTexture(model, QStringLiteral("C:\\nowhere\\none.png")), std::nullopt);
}

// A red square that stands still and a green arm that rises far above it in
// one second, then waves back down in a second set.
const char kLiftingArm[] = R"(xof 0303txt 0032
Frame Body {
 Mesh Base { 4; -1;-1;0;, -1;1;0;, 1;1;0;, 1;-1;0;; 2; 3;0,1,2;, 3;0,2,3;;
  MeshMaterialList { 1; 2; 0,0;; Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; } } }
 Frame Arm {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 2,0,0,1;; }
  Mesh Stick { 4; 0;-0.3;0;, 0;0.3;0;, 2;0.3;0;, 2;-0.3;0;; 2; 3;0,1,2;, 3;0,2,3;;
   MeshMaterialList { 1; 2; 0,0;; Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } } }
 }
}
AnimationSet Lift { Animation { { Arm } AnimationKey { 2; 2; 0;3;2,0,0;;, 4800;3;2,6,0;;; } } }
AnimationSet Wave { Animation { { Arm } AnimationKey { 2; 2; 0;3;2,6,0;;, 9600;3;2,-6,0;;; } } }
)";

void AuthoredLook::posedModelStaysFramedWhileItMoves()
{
    QVERIFY(writeFile(dir_.filePath("arm.x"), kLiftingArm));
    app::RenderRequest request;
    request.model = dir_.filePath("arm.x");
    request.size = {128, 128};
    request.deviceType = 2;
    request.look = app::Look::Authored;
    auto at = [&](double seconds) {
        request.time = seconds;
        std::string error;
        const std::optional<QImage> image = app::renderFrame(request, error);
        return image ? *image : QImage();
    };
    auto pixels = [](const QImage& image, QRgb colourMask) {
        QRect bounds;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = QColor::fromRgb(image.pixel(x, y));
                const bool red = c.red() > c.green() + 40, green = c.green() > c.red() + 40;
                if ((colourMask == 0xFF0000 && red) || (colourMask == 0x00FF00 && green))
                    bounds |= QRect(x, y, 1, 1);
            }
        return bounds;
    };
    const QImage start = at(0), middle = at(0.5), top = at(0.99);
    QVERIFY(!start.isNull() && !middle.isNull() && !top.isNull());
    // The camera holds still: the body is drawn in the same place throughout.
    const QRect body = pixels(start, 0xFF0000);
    QVERIFY(!body.isEmpty());
    QCOMPARE(pixels(middle, 0xFF0000), body);
    QCOMPARE(pixels(top, 0xFF0000), body);
    // The arm rises and stays in the picture, its highest pose included.
    const QRect low = pixels(start, 0x00FF00), high = pixels(top, 0x00FF00);
    QVERIFY(!low.isEmpty() && !high.isEmpty());
    QVERIFY2(high.top() < low.top() - 20, qPrintable(QStringLiteral("%1 %2").arg(high.top()).arg(low.top())));
    QVERIFY(QRect(1, 1, 126, 126).contains(high));

    // One load posed at many times draws what a load per time draws.
    std::string error;
    const std::optional<QImage> many =
        app::renderAuthoredFrames(request, error, [&](viewer::AuthoredModel& model) {
            QCOMPARE(model.animationSets(), (QStringList{QStringLiteral("Lift"), QStringLiteral("Wave")}));
            QCOMPARE(model.playing(), 0);
            QCOMPARE(model.periodSeconds(), 1.0);
            for (double t : {0.9, 0.1, 0.5}) {
                model.poseAt(t);
                model.draw(128, 128);
            }
        });
    QVERIFY(many);
    QCOMPARE(*many, middle);
}

QTEST_MAIN(AuthoredLook)
#include "test_authored_look.moc"
