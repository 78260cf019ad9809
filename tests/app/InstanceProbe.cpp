// A second process for the single-instance tests.
//
//   instance_probe try <exePath>   prints "acquired" or "busy" and ends (exit 0 or 1)
//   instance_probe hold <exePath>  as try, but when acquired keeps the guard until it is killed
#include "app/StartUp.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    const auto guard = SingleInstanceGuard::Acquire(argv[2]);
    std::puts(guard ? "acquired" : "busy");
    std::fflush(stdout);
    while (guard && std::strcmp(argv[1], "hold") == 0)
        pause();
    return guard ? 0 : 1;
}
