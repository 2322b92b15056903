// The application object and the one place where run-time errors end up:
// an error raised in any handler or timer tick unwinds to the event loop,
// which shows the standard run-time error message and ends the program.
#pragma once

#include <QApplication>
#include <QTranslator>

namespace platform {

class Application : public QApplication {
public:
    // Also loads Qt's Japanese translations (qtbase_ja) where installed.
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QTranslator qtTranslations_;
};

// Shows the standard run-time error message for the error being handled and
// ends the program with a non-zero status.
[[noreturn]] void reportRuntimeError(const std::exception& error);

// Makes the Windows font names of the forms resolve to the fonts at hand.
void installFontSubstitutes();

}  // namespace platform
