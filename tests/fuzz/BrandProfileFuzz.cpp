// The brand profile reader on any decrypted profile text: no crash, at most
// sixteen entries of each numbered family and none empty, the brander's
// checker reading exactly the values the program reads, and this run's choice
// of welcome page, banner and two different links taken from them.
//
// The input is the profile text.

#include "tests/fuzz/BrandFuzzSupport.h"

using namespace brandfuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFolders();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    checkProfileText(fuzzref::bytesOf(data, size));
    return 0;
}
