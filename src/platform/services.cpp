#include "platform/services.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTime>
#include <cstdio>
#include <cstdlib>

namespace platform {

Hooks& hooks()
{
    static Hooks h;
    return h;
}

void messageBox(const QString& text)
{
    if (hooks().messageBox)
        return hooks().messageBox(text);
    QMessageBox box(QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Ok);
    box.exec();
}

void endProgram(int status)
{
    if (hooks().endProgram)
        hooks().endProgram(status);
    std::fflush(stdout);
    std::fflush(stderr);
    // At once: no event loop, no destructors, no close handlers.
    std::_Exit(status);
}

QString programFolder() { return QCoreApplication::applicationDirPath(); }

bool fileExists(const QString& path) { return QFileInfo(path).isFile(); }

float timeOfDay()
{
    if (hooks().timeOfDay)
        return hooks().timeOfDay();
    return static_cast<float>(QTime::currentTime().msecsSinceStartOfDay() / 1000.0);
}

}  // namespace platform
