#pragma once

#include <ostream>
#include <string>
#include <vector>

// tipsmith-brand: one command per brander's task, each an entry of the
// command table. Arguments are the raw bytes of the command line.

struct BrandArguments {
    std::vector<std::string> positional;
    // The --passphrase value, or the program's own pass phrase.
    std::string passPhrase;
};

struct BrandCommand {
    const char* name;
    const char* usage;   // what follows the command name
    const char* summary; // one line for --help
    size_t positionalCount;
    int (*run)(const BrandArguments& arguments, std::ostream& out, std::ostream& err);
};

// Exit codes.
inline constexpr int BrandExitOk = 0;
inline constexpr int BrandExitFailed = 1; // a file could not be read or written, or did not open
inline constexpr int BrandExitUsage = 2;  // the command line was wrong

const std::vector<BrandCommand>& brandCommands();

// Runs the tool on arguments without the program name.
[[nodiscard]] int runBrandTool(const std::vector<std::string>& arguments, std::ostream& out,
                               std::ostream& err);
