// Opens its argument as the program opens an address in the browser, then
// prints the registered browser's program and whether anything was started.
// Each case runs it anew: GIO reads the XDG folders once per process.
#include "util/Utils.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::string program = registeredHttpBrowser();
    const bool started = OpenInBrowser(argv[1]);
    std::cout << program << '\n' << (started ? "started" : "not started") << '\n';
    return 0;
}
