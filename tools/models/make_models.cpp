// Build-time tool: writes every delivered model into the folder given as the
// only argument.

#include "model_catalog.h"

#include <exception>
#include <filesystem>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_models <output folder>\n";
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        for (const xgen::DeliveredModel& model : xgen::deliveredModels()) {
            xgen::writeXFile(folder / model.fileName, model.build(), model.format);
        }
    } catch (const std::exception& e) {
        std::cerr << "make_models: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
