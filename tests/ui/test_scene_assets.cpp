// Model and texture names, model loading and the material of a Run, on a
// scripted runtime with real files in a scratch folder.
#include <QtTest>

#include "form1_fixture.h"
#include "platform/application.h"
#include "render/status.h"

using namespace d3d;
using testing_support::Form1Fixture;
using testing_support::ProgramEnded;

namespace {

const QString kNotFound =
    QStringLiteral("Xファイル、または テクスチャが見つかりません。プログラムを終了します。");

// A folder below the program's own, removed when the test ends.
struct ProgramSubfolder {
    explicit ProgramSubfolder(const QString& name)
        : path(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name)
    {
        QDir().mkpath(path);
    }
    ~ProgramSubfolder() { QDir(path).removeRecursively(); }
    QString path;
};

}  // namespace

class SceneAssets : public QObject {
    Q_OBJECT
private slots:
    void loadsTheNamedModelAndShowsItsCounts();
    void currentFolderWinsOverTheProgramFolder();
    void fallsBackToTheProgramFolder();
    void matchesNamesWithoutRegardToCase();
    void hiddenFilesAreFoundWhenNamedExactly();
    void yenSignTypedForTheSeparator();
    void missingFileEndsTheProgramAfterTheMessage();
    void loaderFailureIsARuntimeErrorNamingTheFile();
    void listAndComboFillTheTextBoxes();
    void materialAtTheDefaults();
    void materialFollowsTheControls();
    void texturingBindsTheClampedGaussianTexture();
    void updateButtonRunsTwiceWhenTexturingWasOff();
};

void SceneAssets::loadsTheNamedModelAndShowsItsCounts()
{
    Form1Fixture f;
    f.runtime.meshFaces = 1234;
    f.runtime.meshVertices = 987;
    f.form->Command1_Click();
    QCOMPARE(f.runtime.meshPaths, std::vector<std::string>{"X-File\\vorkan.x"});
    QCOMPARE(f.form->Label7_->text(), QStringLiteral("面の数は   1234"));
    QCOMPARE(f.form->Label8_->text(), QStringLiteral("頂点の数は   987"));
    // Vertices are asked for first, then faces.
    const auto& log = f.runtime.log;
    QVERIFY(std::find(log.begin(), log.end(), "GetNumVertices") <
            std::find(log.begin(), log.end(), "GetNumFaces"));
    QVERIFY(f.form->scene().ModelMesh);
}

void SceneAssets::currentFolderWinsOverTheProgramFolder()
{
    Form1Fixture f;
    ProgramSubfolder below(QStringLiteral("orvane-test-assets"));
    Form1Fixture::touch(below.path + QStringLiteral("/both.x"));
    QDir().mkpath(QStringLiteral("orvane-test-assets"));
    Form1Fixture::touch(QStringLiteral("orvane-test-assets/both.x"));
    QCOMPARE(f.form->scene().ResolveAssetPath(QStringLiteral("orvane-test-assets\\both.x")),
             QStringLiteral("orvane-test-assets\\both.x"));
    // An absolute name that exists is used unchanged.
    const QString absolute = QDir::current().absoluteFilePath(QStringLiteral("X-File/box.x"));
    QCOMPARE(f.form->scene().ResolveAssetPath(absolute), absolute);
}

void SceneAssets::fallsBackToTheProgramFolder()
{
    Form1Fixture f;
    ProgramSubfolder below(QStringLiteral("orvane-test-assets"));
    Form1Fixture::touch(below.path + QStringLiteral("/only-below.x"));
    const QString resolved =
        f.form->scene().ResolveAssetPath(QStringLiteral("orvane-test-assets\\only-below.x"));
    // Program folder, one "\", then the name as given.
    QCOMPARE(resolved,
             QCoreApplication::applicationDirPath() + QStringLiteral("\\orvane-test-assets\\only-below.x"));
    f.form->setText1(QStringLiteral("orvane-test-assets\\only-below.x"));
    f.form->Command1_Click();
    QCOMPARE(QString::fromStdString(f.runtime.meshPaths.back()), resolved);
}

void SceneAssets::matchesNamesWithoutRegardToCase()
{
    Form1Fixture f;
    const QString resolved = f.form->scene().ResolveAssetPath(QStringLiteral("x-file\\VORKAN.X"));
    QCOMPARE(resolved, QStringLiteral("X-File/vorkan.x"));
    QCOMPARE(f.form->scene().ResolveAssetPath(QStringLiteral("texture\\city02_01.JPG")),
             QStringLiteral("Texture/City02_01.jpg"));
}

void SceneAssets::hiddenFilesAreFoundWhenNamedExactly()
{
    // A leading dot keeps a file out of listings, not out of reach of a
    // user who names it: as typed, from the current folder and below the
    // program's folder, the model loads.
    {
        Form1Fixture f;
        ProgramSubfolder below(QStringLiteral("orvane-test-dotted"));
        Form1Fixture::touch(QStringLiteral("X-File/.secret.x"));
        Form1Fixture::touch(below.path + QStringLiteral("/.x"));
        QCOMPARE(f.form->scene().ResolveAssetPath(QStringLiteral("X-File\\.secret.x")),
                 QStringLiteral("X-File\\.secret.x"));
        QCOMPARE(f.form->scene().ResolveAssetPath(QStringLiteral("orvane-test-dotted\\.x")),
                 QCoreApplication::applicationDirPath() + QStringLiteral("\\orvane-test-dotted\\.x"));
        f.form->setText1(QStringLiteral("X-File\\.secret.x"));
        f.form->Command1_Click();
        QCOMPARE(f.runtime.meshPaths, std::vector<std::string>{"X-File\\.secret.x"});
        QVERIFY(f.messages.isEmpty());
    }
    // A spelling that only a case-insensitive listing could match never
    // guesses a hidden file.
    for (const char* name : {"X-File\\.SECRET.x", "x-file\\.Secret.X"}) {
        Form1Fixture f;
        Form1Fixture::touch(QStringLiteral("X-File/.secret.x"));
        QVERIFY_EXCEPTION_THROWN(f.form->scene().ResolveAssetPath(QString::fromLatin1(name)), ProgramEnded);
        QCOMPARE(f.messages, QStringList{kNotFound});
    }
    // A hidden folder on the way to a visible file is no obstacle.
    Form1Fixture g;
    QDir().mkpath(QStringLiteral(".models"));
    Form1Fixture::touch(QStringLiteral(".models/seen.x"));
    QCOMPARE(g.form->scene().ResolveAssetPath(QStringLiteral(".MODELS\\Seen.x")),
             QStringLiteral(".models/seen.x"));
}

void SceneAssets::yenSignTypedForTheSeparator()
{
    // The Japanese face draws "\" as "¥"; a user who types the sign means
    // the separator, for the model and the texture alike.
    const QString yen(QChar(0x00A5));
    Form1Fixture f;
    f.form->setText1(QStringLiteral("X-File") + yen + QStringLiteral("box.x"));
    f.form->setText2(QStringLiteral("Texture") + yen + QStringLiteral("earth1.jpg"));
    f.form->Command5_Click();  // texturing on, then Run
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.runtime.meshPaths.back(), std::string("X-File/box.x"));
    QCOMPARE(f.runtime.texturePaths.back(), std::string("Texture/earth1.jpg"));
    // A file whose name holds the sign itself is taken as typed.
    Form1Fixture::touch(QStringLiteral("X-File") + yen + QStringLiteral("box.x"));
    QCOMPARE(f.form->scene().ResolveAssetPath(QStringLiteral("X-File") + yen + QStringLiteral("box.x")),
             QStringLiteral("X-File") + yen + QStringLiteral("box.x"));
    // A name found in neither spelling still ends the program.
    QVERIFY_EXCEPTION_THROWN(
        f.form->scene().ResolveAssetPath(QStringLiteral("X-File") + yen + QStringLiteral("none.x")),
        ProgramEnded);
    QCOMPARE(f.messages, QStringList{kNotFound});
}

void SceneAssets::missingFileEndsTheProgramAfterTheMessage()
{
    Form1Fixture f;
    f.form->Command1_Click();  // frames are running
    f.form->setText1(QStringLiteral("X-File\\nothing-here.x"));
    int status = -1;
    try {
        f.form->Command1_Click();
    } catch (const ProgramEnded& ended) {
        status = ended.status;
    }
    QCOMPARE(f.messages, QStringList{kNotFound});
    QVERIFY(status > 0);
    QCOMPARE(f.runtime.meshPaths.size(), size_t(1));
    // The frame loop is held while the program ends: no drawing with the old
    // model on the new device.
    f.runtime.log.clear();
    f.form->Timer1_Timer();
    QVERIFY(f.runtime.log.empty());

    // An empty name is no exception.
    Form1Fixture g;
    g.form->setText1(QString());
    QVERIFY_EXCEPTION_THROWN(g.form->Command1_Click(), ProgramEnded);
    QCOMPARE(g.messages, QStringList{kNotFound});
}

void SceneAssets::loaderFailureIsARuntimeErrorNamingTheFile()
{
    Form1Fixture f;
    f.runtime.failures["D3DXLoadMeshFromX"] = D3DXERR_INVALIDDATA;
    try {
        f.form->Command1_Click();
        QFAIL("a failing load must raise");
    } catch (const platform::RuntimeError& e) {
        QCOMPARE(e.code(), D3DXERR_INVALIDDATA);
        QVERIFY(QString::fromStdString(e.description()).contains(QStringLiteral("D3DXLoadMeshFromX")));
    }
    QCOMPARE(f.form->Label7_->text(), QStringLiteral("面の数"));
    QVERIFY(!f.form->Timer1_->isActive());
}

void SceneAssets::listAndComboFillTheTextBoxes()
{
    Form1Fixture f;
    f.form->List1_->setCurrentRow(15);  // "teapot"
    QCOMPARE(f.form->Text1(), QStringLiteral("X-File\\teapot.x"));
    QCOMPARE(f.runtime.meshPaths, std::vector<std::string>{"X-File\\teapot.x"});
    f.form->List1_->setCurrentRow(7);
    QCOMPARE(f.form->Text1(), QStringLiteral("X-File\\city02_01.x"));
    QCOMPARE(f.runtime.devices.size(), size_t(2));

    const size_t runs = f.runtime.devices.size();
    f.form->Combo1_->setCurrentIndex(3);
    QCOMPARE(f.form->Text2(), QStringLiteral("Texture\\earth1.jpg"));
    f.form->Combo1_->setEditText(QStringLiteral("/abs/sky.jpg"));
    QCOMPARE(f.form->Text2(), QStringLiteral("Texture\\/abs/sky.jpg"));
    f.form->Combo1_->setEditText(QString());
    QCOMPARE(f.form->Text2(), QStringLiteral("Texture\\"));
    QCOMPARE(f.runtime.devices.size(), runs);  // choosing a texture runs nothing
    QVERIFY(f.runtime.texturePaths.empty());
}

void SceneAssets::materialAtTheDefaults()
{
    Form1Fixture f;
    f.form->Command1_Click();
    const auto& d = *f.runtime.lastDevice();
    const D3DMATERIAL8& m = d.material();
    QCOMPARE(m.Diffuse.r, 1.0f);
    QCOMPARE(m.Diffuse.a, 1.0f);
    QCOMPARE(m.Ambient.r + m.Ambient.g + m.Ambient.b + m.Ambient.a, 4.0f);
    QCOMPARE(m.Specular.r + m.Specular.g + m.Specular.b, 0.0f);
    QCOMPARE(m.Specular.a, 1.0f);
    QCOMPARE(m.Emissive.r + m.Emissive.g + m.Emissive.b + m.Emissive.a, 0.0f);
    QCOMPARE(m.Power, 0.0f);
    QCOMPARE(d.renderState(D3DRS_ALPHABLENDENABLE), 1u);
    QCOMPARE(d.renderState(D3DRS_SRCBLEND), std::uint32_t(D3DBLEND_SRCALPHA));
    QCOMPARE(d.renderState(D3DRS_DESTBLEND), std::uint32_t(D3DBLEND_INVSRCALPHA));
    QCOMPARE(d.renderState(D3DRS_SPECULARENABLE), 1u);
    QCOMPARE(d.renderState(D3DRS_FILLMODE), std::uint32_t(D3DFILL_SOLID));
    QVERIFY(!d.texture());
    QCOMPARE(f.runtime.count("SetTextureStageState"), 0);
    QVERIFY(f.runtime.texturePaths.empty());
}

void SceneAssets::materialFollowsTheControls()
{
    Form1Fixture f;
    f.form->HScroll8_->setValue16(37);
    QCOMPARE(f.runtime.lastDevice()->material().Diffuse.a, float(37 / 100.0));
    QCOMPARE(f.form->Label14_->text(), QStringLiteral("透明度       0.37"));
    f.form->HScroll9_->setValue16(100);
    const D3DMATERIAL8& m = f.runtime.lastDevice()->material();
    QCOMPARE(m.Specular.r, 1.0f);
    QCOMPARE(m.Specular.b, 1.0f);
    QCOMPARE(m.Power, 0.0f);
    QCOMPARE(f.form->Label15_->text(), QStringLiteral("光沢          1.00"));
    for (int i = 0; i < 3; ++i)
        (*f.form->Check6_)[i]->setValue16(0);
    const D3DCOLORVALUE a = f.runtime.lastDevice()->material().Ambient;
    QCOMPARE(a.r + a.g + a.b, 0.0f);
    QCOMPARE(a.a, 1.0f);
    f.form->Check7_->setValue16(1);
    QCOMPARE(f.runtime.lastDevice()->renderState(D3DRS_FILLMODE), std::uint32_t(D3DFILL_WIREFRAME));
    f.form->Check7_->setValue16(0);
    QCOMPARE(f.runtime.lastDevice()->renderState(D3DRS_FILLMODE), std::uint32_t(D3DFILL_SOLID));
}

void SceneAssets::texturingBindsTheClampedGaussianTexture()
{
    Form1Fixture f;
    for (int i = 0; i < 3; ++i)
        (*f.form->Check6_)[i]->setValue16(0);
    f.form->Check3_->setValue16(1);
    const auto& d = *f.runtime.lastDevice();
    QCOMPARE(f.runtime.texturePaths, std::vector<std::string>{"Texture\\1.bmp"});
    QVERIFY(d.texture());
    QCOMPARE(d.stageState(D3DTSS_ADDRESSU), std::uint32_t(D3DTADDRESS_CLAMP));
    QCOMPARE(d.stageState(D3DTSS_ADDRESSV), std::uint32_t(D3DTADDRESS_CLAMP));
    QCOMPARE(d.stageState(D3DTSS_MAGFILTER), std::uint32_t(D3DTEXF_GAUSSIANCUBIC));
    QCOMPARE(d.stageState(D3DTSS_MINFILTER), std::uint32_t(D3DTEXF_POINT));
    const D3DCOLORVALUE a = d.material().Ambient;
    QCOMPARE(a.r + a.g + a.b + a.a, 4.0f);  // texturing makes the ambient white

    // Texturing off again: no texture is read even when its file is missing.
    f.form->setText2(QStringLiteral("Texture\\missing.bmp"));
    f.form->Check3_->setValue16(0);
    QCOMPARE(f.runtime.texturePaths.size(), size_t(1));
    QVERIFY(!f.runtime.lastDevice()->texture());
    QVERIFY(f.messages.isEmpty());
}

void SceneAssets::updateButtonRunsTwiceWhenTexturingWasOff()
{
    Form1Fixture f;
    f.form->Command5_Click();
    QCOMPARE(f.runtime.devices.size(), size_t(2));
    QCOMPARE(f.form->Check(3), std::int16_t(1));
    f.form->Command5_Click();
    QCOMPARE(f.runtime.devices.size(), size_t(3));
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    SceneAssets test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_scene_assets.moc"
