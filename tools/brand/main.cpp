#include "tools/brand/BrandTool.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return runBrandTool(arguments, std::cout, std::cerr);
}
