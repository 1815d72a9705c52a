// lumaret-make-placeholder: writes the placeholder picture that ships as data/exception_1.dat.
//   lumaret-make-placeholder PATH
#include <cstdio>
#include <string>

#include "placeholder_picture.h"
#include "platform/safewrite.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lumaret-make-placeholder PATH\n");
        return 2;
    }
    const std::vector<uint8_t> picture = placeholder::MakePlaceholder();
    std::string error;
    if (!platform::ReplaceFileWithBytes(argv[1], picture, error)) {
        std::fprintf(stderr, "lumaret-make-placeholder: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
