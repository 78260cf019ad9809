// A second process for the single-instance tests.
//
//   instance_probe try <exePath>   prints "acquired" or "busy" and ends (exit 0 or 1)
//   instance_probe hold <exePath>  as try, but when acquired keeps the guard until its
//                                  standard input closes or it is killed
#include "app/StartUp.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "try") != 0 && std::strcmp(argv[1], "hold") != 0)) {
        std::fprintf(stderr, "usage: instance_probe try|hold <exePath>\n");
        return 2;
    }
    auto guard = SingleInstanceGuard::Acquire(argv[2]);
    if (!guard) {
        std::puts("busy");
        return 1;
    }
    std::puts("acquired");
    std::fflush(stdout);
    if (std::strcmp(argv[1], "hold") == 0) {
        char c;
        while (read(STDIN_FILENO, &c, 1) > 0) {
        }
    }
    return 0;
}
