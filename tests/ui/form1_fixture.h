// A main window on a scripted runtime, with the message box and the end of the
// program answered by the test instead of a person.
#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <stdexcept>

#include "platform/services.h"
#include "scripted_runtime.h"
#include "ui/form1.h"

namespace testing_support {

// Thrown by the end-of-program hook so that a test survives the end. Not a
// std::exception, so that the event loop's error handler lets it pass.
struct ProgramEnded {
    int status;
};

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
        form = std::make_unique<ui::Form1>(runtime);
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
    std::unique_ptr<ui::Form1> form;
    QStringList messages;
};

}  // namespace testing_support
