// lumaret-copy: applies the files the updater staged. The updater that stages them is not
// built yet, so this program only explains how it will be called and changes nothing.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("lumaret-copy %s\n", LUMARET_VERSION);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: lumaret-copy -$\n"
                 "  Started by Lumaret at exit to move staged updates into the program folder.\n"
                 "  Applying updates is not available in this version: nothing was changed.\n");
    return 2;
}
