// Stands in for a program the tested code starts (the updater, a browser):
// writes the arguments it was started with, one per line, to a file named
// after itself plus ".args". The file appears whole, under its name only once
// every line is in it.
#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    const std::string name = std::string(argv[0]) + ".args";
    {
        std::ofstream out(name + ".part", std::ios::binary);
        for (int i = 1; i < argc; ++i)
            out << argv[i] << '\n';
    }
    return std::rename((name + ".part").c_str(), name.c_str()) == 0 ? 0 : 1;
}
