// SPDX-License-Identifier: GPL-3.0-or-later
// nimbora-cli: the command line and unattended daemon of Nimbora.
#include "automation/UserStore.h"
#include "cli/commands.h"

#include <QCoreApplication>

#include <curl/curl.h>
#include <unistd.h>

#include <clocale>
#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    // Before anything can start a thread: libcurl's global set-up is not thread-safe.
    if (const CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT); rc != CURLE_OK) {
        std::cerr << "nimbora-cli: curl_global_init: " << curl_easy_strerror(rc) << '\n';
        return nimbora::kFailed;
    }
    QCoreApplication app(argc, argv);
    // Qt adopted the user's locale; reports and settings need '.' as the decimal point.
    std::setlocale(LC_NUMERIC, "C");

    int code = nimbora::kFailed;
    try {
        nimbora::Console console{std::cin, std::cout, std::cerr, isatty(STDERR_FILENO) == 1,
                                 isatty(STDIN_FILENO) == 1};
        nimbora::QtUserStore store;
        nimbora::CliEnv env{console, store, nimbora::documents_HomePath()};
        std::vector<std::string> args(argv + 1, argv + argc);
        code = nimbora::run_cli(args, env);
    } catch (const std::exception& e) {
        std::cerr << "nimbora-cli: " << e.what() << '\n';
    } catch (...) {
        std::cerr << "nimbora-cli: unexpected failure\n";
    }
    std::cout.flush();
    curl_global_cleanup();
    return code;
}
