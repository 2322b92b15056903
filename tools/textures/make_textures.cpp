// Build-time tool: paints every delivered texture into the folder given as
// the only argument. Windows-era loaders expect 24-bit BMPs and baseline
// JPEGs, which is what this writes.

#include "texture_catalog.h"

#include <QCoreApplication>
#include <QDir>
#include <QImageWriter>

#include <iostream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);  // lets the JPEG writer plug-in be found
    if (argc != 2) {
        std::cerr << "usage: make_textures <output folder>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::cerr << "make_textures: cannot create " << argv[1] << '\n';
        return 1;
    }
    for (const texgen::DeliveredTexture& texture : texgen::deliveredTextures()) {
        const QString name = QString::fromStdString(texture.fileName);
        const bool bmp = name.endsWith(QStringLiteral(".bmp"));
        QImageWriter writer(folder.filePath(name), bmp ? "bmp" : "jpeg");
        if (!bmp) {
            writer.setQuality(90);
        }
        const QImage image = texture.draw().convertToFormat(QImage::Format_RGB888);
        if (!writer.write(image)) {
            std::cerr << "make_textures: " << texture.fileName << ": " << writer.errorString().toStdString()
                      << '\n';
            return 1;
        }
    }
    return 0;
}
