// tipsmith-save-loop: saves numbered versions of a file one after the other
// until it is killed, so a test can kill it at a random point of a save.
//
//     tipsmith-save-loop config FILE     Save Configuration of version 1, 2, ...
//     tipsmith-save-loop newsid PROFILE  SaveLastNewsId with the ids 1, 2, ...
//
// It writes "ready" before the first save and the version's number after each
// completed save, one line each, straight to standard output (no buffering),
// so the test knows which save was the last to complete.

#include "net/NewsProtocol.h"
#include "tests/tools/robustness/SaveVersions.h"
#include "util/UserError.h"
#include "wizard/Configuration.h"

#include <QString>

#include <cstring>
#include <iostream>
#include <string>

#include <unistd.h>

namespace {

void say(const std::string& line) {
    const std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n <= 0)
            _exit(4);
        done += static_cast<size_t>(n);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "config") != 0 && std::strcmp(argv[1], "newsid") != 0)) {
        std::cerr << "usage: tipsmith-save-loop config|newsid FILE\n";
        return 2;
    }
    const bool config = std::strcmp(argv[1], "config") == 0;
    const QString file = QString::fromLocal8Bit(argv[2]);
    say("ready");
    try {
        // Stops by itself in the end, so a test that never kills it cannot hang.
        for (int version = 1; version <= 100000; ++version) {
            if (config) {
                configuration::saveFile(save_versions::configuration(version), file);
            } else if (!news::SaveLastNewsId(file, std::to_string(version))) {
                std::cerr << "the profile is missing or not authentic\n";
                return 3;
            }
            say(std::to_string(version));
        }
    } catch (const UserError& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
