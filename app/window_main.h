// The entry of the module that holds the window and --render: main()'s
// arguments, main()'s exit status. Everything but `--info FILE...` goes here.
#pragma once

extern "C" __attribute__((visibility("default"))) int orvane_window_main(int argc, char** argv);

// The module's file name, beside the program.
#define ORVANE_WINDOW_MODULE "liborvane_window.so"
