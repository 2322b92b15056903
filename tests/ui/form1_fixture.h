// A main window on a scripted runtime, with the message box and the end of the
// program answered by the test instead of a person.
#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "open_form1.h"
#include "platform/services.h"
#include "scripted_runtime.h"
#include "ui/form1.h"

namespace testing_support {

// Thrown by the end-of-program hook so that a test survives the end of a
// handler it calls directly. Not a std::exception, so that the event loop's
// error handler would let it pass; but an end that comes through Qt's event
// delivery is tested with runToTheEnd instead, as Qt's frames do not unwind.
struct ProgramEnded {
    int status;
};

// How the program ended under runToTheEnd.
struct ProgramEnd {
    int status = -1;       // the exit status; -1 when the action returned instead
    QStringList messages;  // the message boxes shown, in order
    QString atEnd;         // what the `atEnd` probe said as the program ended
};

// Runs `action` in a copy of this process in which the end of the program is
// the real one: the process ends at once, as the program does, so nothing
// unwinds through Qt and this process keeps a whole, consistent state. The
// message box hook in force still runs; `atEnd` runs just before the end.
inline ProgramEnd runToTheEnd(const std::function<void()>& action, const std::function<QString()>& atEnd = {})
{
    int channel[2];
    if (pipe(channel) != 0)
        throw std::runtime_error("pipe failed");
    std::fflush(nullptr);  // nothing buffered is written twice
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        close(channel[0]);
        alarm(60);  // a child that hangs ends as a failure, not a stuck test
        // Records: a kind letter, UTF-8 text, a NUL.
        auto send = [fd = channel[1]](char kind, const QString& text) {
            const QByteArray record = kind + text.toUtf8() + '\0';
            for (qsizetype sent = 0; sent < record.size();) {
                const ssize_t n = write(fd, record.constData() + sent, size_t(record.size() - sent));
                if (n <= 0)
                    std::_Exit(125);
                sent += n;
            }
        };
        const auto shown = platform::hooks().messageBox;
        platform::hooks().messageBox = [=](const QString& text) {
            send('M', text);
            if (shown)
                shown(text);
        };
        // Returning from the hook lets the real end follow.
        platform::hooks().endProgram = [=](int) { send('E', atEnd ? atEnd() : QString()); };
        action();
        send('R', QString());
        std::_Exit(0);
    }
    close(channel[1]);
    QByteArray received;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            received.append(buffer, n);
        else if (errno != EINTR)
            break;
    }
    close(channel[0]);
    int wait = 0;
    waitpid(child, &wait, 0);

    ProgramEnd end;
    bool ended = false;
    for (const QByteArray& record : received.split('\0')) {
        if (record.isEmpty())
            continue;
        const QString text = QString::fromUtf8(record.mid(1));
        if (record[0] == 'M')
            end.messages << text;
        else if (record[0] == 'E')
            ended = true, end.atEnd = text;
    }
    if (WIFSIGNALED(wait))
        end.status = 128 + WTERMSIG(wait);  // a crash is no clean end
    else if (ended)
        end.status = WEXITSTATUS(wait);
    return end;
}

// Works in a scratch folder that holds every delivered asset name as an
// empty file; the scripted runtime never reads them.
struct Form1Fixture {
    Form1Fixture()
    {
        previousFolder = QDir::currentPath();
        QDir::setCurrent(folder.path());
        QDir().mkpath(QStringLiteral("X-File"));
        QDir().mkpath(QStringLiteral("Texture"));
        for (const char* model : {"beer",     "beer_",       "box2",        "box",         "box_2",  "circle",
                                  "circle_2", "city02_01",   "haguruma",    "hedra",       "object", "panel",
                                  "panel2",   "panel3",      "stars",       "teapot",      "tours",  "tube",
                                  "vorkan",   "vorkan_mozi", "vorkan_logo", "vorkan_logo_"})
            touch(QStringLiteral("X-File/%1.x").arg(QLatin1String(model)));
        for (const char* texture : {"1.bmp", "2.bmp", "City02_01.jpg", "earth1.jpg", "earth2.jpg",
                                    "earth3.jpg", "mars1.jpg", "moon1.jpg", "sky1.jpg", "sky2.jpg"})
            touch(QStringLiteral("Texture/%1").arg(QLatin1String(texture)));
        platform::hooks().messageBox = [this](const QString& text) { messages << text; };
        platform::hooks().endProgram = [](int status) { throw ProgramEnded{status}; };
        runtime.useWidgetParents = true;
        form = std::make_unique<testing_support::OpenForm1>(runtime);
    }
    ~Form1Fixture()
    {
        form.reset();
        platform::hooks() = {};
        QDir::setCurrent(previousFolder);
    }

    // Shows the window and makes it the active one. On an X server without a
    // window manager nothing activates a new window; the program asks itself.
    bool showActive()
    {
        form->show();
        form->raise();
        form->activateWindow();
        return QTest::qWaitForWindowActive(form.get());
    }

    static void touch(const QString& path)
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
    }

    QTemporaryDir folder;
    QString previousFolder;

    ScriptedRuntime runtime;
    std::unique_ptr<testing_support::OpenForm1> form;
    QStringList messages;
};

}  // namespace testing_support
