#pragma once

#include <fstream>
#include <sstream>
#include <string>

// A file of tests/wizard/data (the expected files of the writers), byte for byte.
inline std::string readTestData(const std::string& name) {
    std::ifstream in(std::string(WIZARD_TEST_DATA) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
