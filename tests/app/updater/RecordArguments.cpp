// Stands in for the updater in the window tests: writes the arguments it was
// started with, one per line, to a file named after itself plus ".args".
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    std::ofstream out(std::string(argv[0]) + ".args", std::ios::binary);
    for (int i = 1; i < argc; ++i)
        out << argv[i] << '\n';
    return 0;
}
