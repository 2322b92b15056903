#include "platform/services.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTime>
#include <cstdio>
#include <cstdlib>

namespace platform {

Hooks& hooks()
{
    static Hooks h;
    return h;
}

namespace {

QPointer<QWidget>& mainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

// A message box centred over its parent once it has its final size: the
// toolkit places it before laying out the text, and it then grows.
class CentredMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        if (!parentWidget())
            return;
        QRect frame = frameGeometry();
        frame.moveCenter(parentWidget()->window()->frameGeometry().center());
        move(frame.topLeft());
    }
};

}  // namespace

void setMainWindow(QWidget* window) { mainWindow() = window; }

void messageBox(const QString& text)
{
    if (hooks().messageBox)
        return hooks().messageBox(text);
    // A box without a parent belongs to the toolkit's hidden leader window
    // and comes up in the middle of the screen; in the toolkit's default
    // font, the Japanese letters of a message would come from a fallback
    // face and the rest from another.
    QWidget* owner = mainWindow();
    CentredMessageBox box(QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Ok, owner);
    if (owner)
        box.setFont(owner->font());
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
