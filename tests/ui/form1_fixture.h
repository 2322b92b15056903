// A main window on a scripted runtime, with the message box and the end of the
// program answered by the test instead of a person.
#pragma once

#include <QStringList>
#include <memory>
#include <stdexcept>

#include "scripted_runtime.h"
#include "ui/form1.h"
#include "ui/toolkit/services.h"

namespace testing_support {

// Thrown by the end-of-program hook so that a test survives the end.
struct ProgramEnded : std::runtime_error {
    explicit ProgramEnded(int status) : std::runtime_error("program ended"), status(status) {}
    int status;
};

struct Form1Fixture {
    Form1Fixture()
    {
        toolkit::hooks().messageBox = [this](const QString& text) { messages << text; };
        toolkit::hooks().endProgram = [](int status) { throw ProgramEnded(status); };
        runtime.useWidgetParents = true;
        form = std::make_unique<ui::Form1>(runtime);
    }
    ~Form1Fixture()
    {
        form.reset();
        toolkit::hooks() = {};
    }

    ScriptedRuntime runtime;
    std::unique_ptr<ui::Form1> form;
    QStringList messages;
};

}  // namespace testing_support
