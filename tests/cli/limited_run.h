// SPDX-License-Identifier: GPL-3.0-or-later
// limited_run.h: the real nimbora-cli under a file-size limit, the way a full disk looks to it.
#pragma once

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

namespace nimbora::test {

struct Child {
    int status = -1;  // the exit status, -1 when it did not exit
    std::string out, err;
};

// Runs nimbora-cli with `args` in a child process under a limit of `limit` bytes on every
// file it writes, SIGXFSZ ignored, so a write past the limit fails with EFBIG as on a full
// disk. Its output goes to pipes, which the limit does not touch.
inline Child run_limited(std::vector<std::string> args, rlim_t limit)
{
    args.insert(args.begin(), NIMBORA_CLI);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(err[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    Child child;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&child.out, &child.err};
    for (int open_pipes = 2; open_pipes > 0;) {
        if (poll(fds, 2, 60000) <= 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                texts[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_pipes;
            }
        }
    }
    for (const pollfd& p : fds)
        if (p.fd >= 0) close(p.fd);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        child.status = WEXITSTATUS(status);
    return child;
}

}  // namespace nimbora::test
