// Orvane: a viewer for DirectX .x models.
#include "render/system_runtime.h"
#include "ui/form1.h"
#include "ui/toolkit/application.h"

int main(int argc, char** argv)
{
    toolkit::Application app(argc, argv);
    d3d::SystemRuntime runtime;
    ui::Form1 form(runtime);
    form.show();
    return app.exec();
}
