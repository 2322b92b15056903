#include "platform/application.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#include "platform/runtime_error.h"
#include "platform/services.h"

namespace platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(kAppTitle);
    installFontSubstitutes();
    // The toolkit's own menus and dialogs (a text box's context menu, a
    // scroll bar's "Scroll here") speak the language of the forms.
    if (qtTranslations_.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                             QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&qtTranslations_);
}

namespace {

// Set while the error message is up: the frame timer keeps ticking inside
// the message box, and a second error must not stack a second box on it.
bool reporting = false;

}  // namespace

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (reporting)
            return false;
        reportRuntimeError(error);
    }
}

void reportRuntimeError(const std::exception& error)
{
    QString text;
    if (const auto* runtimeError = dynamic_cast<const platform::RuntimeError*>(&error))
        text = QString::fromStdString(runtimeError->message());
    else if (dynamic_cast<const std::bad_alloc*>(&error))
        text = QStringLiteral("実行時エラー '7':\n\nメモリが不足しています。");
    else
        text = QStringLiteral("実行時エラー '5':\n\n%1").arg(QString::fromLocal8Bit(error.what()));
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    reporting = true;
    messageBox(text);
    reporting = false;
    endProgram(1);
}

void installFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
}

}  // namespace platform
