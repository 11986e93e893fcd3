// SPDX-License-Identifier: GPL-3.0-or-later
// cli_harness.h: the command line run in-process with string streams, on a product folder and
// a per-user store of the test's own.
#pragma once

#include "cli/commands.h"
#include "support/files.h"

#include <sstream>
#include <string>
#include <vector>

namespace nimbora::test {

class CliHarness {
public:
    struct Result {
        Exit code;
        std::string out, err;
    };

    Result run(std::vector<std::string> args, const std::string& input = "")
    {
        std::istringstream in(input);
        std::ostringstream out, err;
        Console console{in, out, err, false};
        CliEnv env{console, store, home};
        const Exit code = run_cli(args, env);
        return {code, out.str(), err.str()};
    }

    TempDir dir;
    std::string home = dir.folder() + "Nimbora/";
    MemoryUserStore store;
};

}  // namespace nimbora::test
