// Test helper: another process holding named mutexes.
// Usage: zetrino-mutex-holder NAME...  Takes every mutex, prints "held" and keeps them until its
// standard input reaches end of file. Prints "busy NAME" and exits with 3 when one is taken.
#include "platform/NamedMutex.h"

#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

int main(int argc, char** argv)
{
    std::vector<std::unique_ptr<platform::NamedMutex>> held;
    for (int i = 1; i < argc; ++i) {
        held.push_back(std::make_unique<platform::NamedMutex>(argv[i]));
        if (!held.back()->held()) {
            std::printf("busy %s\n", argv[i]);
            return 3;
        }
    }
    std::printf("held\n");
    std::fflush(stdout);
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    return 0;
}
