// Run on the program's own runtime (the reference device, as on a host
// without OpenGL) when a named file cannot be used: the status the loaders
// answer and the cause the run-time error message gives.
#include <QDir>
#include <QFile>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QtTest>

#include "open_form1.h"
#include "platform/application.h"
#include "platform/runtime_error.h"
#include "platform/services.h"
#include "render/status.h"
#include "render/system/system_runtime.h"
#include "ui/form1.h"

namespace {

const char kTriangle[] = "xof 0303txt 0032\n"
                         "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }\n";

// A scratch folder as the current folder, holding the files a test writes.
struct ScratchFolder {
    ScratchFolder() : previous(QDir::currentPath())
    {
        QDir::setCurrent(folder.path());
        QDir().mkpath(QStringLiteral("X-File"));
        QDir().mkpath(QStringLiteral("Texture"));
    }
    ~ScratchFolder() { QDir::setCurrent(previous); }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QTemporaryDir folder;
    QString previous;
};

// The run-time error that Run raises with the given model and texture
// (texturing on when `texture` is not empty).
platform::RuntimeError runFailure(const QString& model, const QString& texture = {})
{
    d3d::SystemRuntime runtime;
    testing_support::OpenForm1 form(runtime);
    form.setText1(model);
    if (!texture.isEmpty()) {
        form.setText2(texture);
        const QSignalBlocker quiet(form.Check3_);
        form.Check3_->setValue16(1);
    }
    try {
        form.Command1_Click();
    } catch (const platform::RuntimeError& error) {
        return error;
    }
    return platform::RuntimeError(0, "no error");
}

}  // namespace

class LoadFailures : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        platform::hooks().messageBox = [](const QString&) {};
    }
    void cleanup() { platform::hooks() = {}; }
    void aFileWithoutAMeshIsAPlainFailure();
    void aBrokenModelIsInvalidData();
    void aTextureThatFailsToDecodeSaysWhy();
};

void LoadFailures::aFileWithoutAMeshIsAPlainFailure()
{
    ScratchFolder scratch;
    scratch.write(QStringLiteral("X-File/header.x"), "xof 0303txt 0032");
    scratch.write(QStringLiteral("X-File/empty.x"), "xof 0303txt 0032\nMesh { 0;; 0;; }\n");
    for (const char* name : {"X-File\\header.x", "X-File\\empty.x"}) {
        const platform::RuntimeError error = runFailure(QString::fromLatin1(name));
        QCOMPARE(error.code(), d3d::E_FAIL);
        QVERIFY2(QString::fromStdString(error.description()).contains(QStringLiteral("no mesh in file")),
                 error.description().c_str());
    }
}

void LoadFailures::aBrokenModelIsInvalidData()
{
    ScratchFolder scratch;
    scratch.write(QStringLiteral("X-File/broken.x"), "xof 0303txt 0032\nMesh { 3; 0.0;0.0;");
    scratch.write(QStringLiteral("X-File/other.x"), "this is no model");
    for (const char* name : {"X-File\\broken.x", "X-File\\other.x"})
        QCOMPARE(runFailure(QString::fromLatin1(name)).code(), d3d::D3DXERR_INVALIDDATA);
}

void LoadFailures::aTextureThatFailsToDecodeSaysWhy()
{
    ScratchFolder scratch;
    scratch.write(QStringLiteral("X-File/tri.x"), kTriangle);
    scratch.write(QStringLiteral("Texture/broken.bmp"), QByteArray("BM\x10\0\0\0garbage", 13));
    const platform::RuntimeError error =
        runFailure(QStringLiteral("X-File\\tri.x"), QStringLiteral("Texture\\broken.bmp"));
    const QString description = QString::fromStdString(error.description());
    QVERIFY2(description.contains(QStringLiteral("D3DXCreateTextureFromFile")), qPrintable(description));
    // The cause, naming the file: not just the call that failed.
    QVERIFY2(description.contains(QStringLiteral("broken.bmp")), qPrintable(description));
    QVERIFY2(description.contains(QStringLiteral("not a readable")), qPrintable(description));
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    LoadFailures test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_load_failures.moc"
