// Runs a program with given input and collects what it writes, for command-line tests.
#include "support/RunProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <string_view>

extern char** environ;

namespace brisklet::test {

namespace {

void Drain(int fd, std::string& into) {
    char buffer[4096];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0)
        into.append(buffer, static_cast<size_t>(got));
}

} // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input, const std::string& outputPath,
                         const std::vector<std::string>& environment) {
    // Built before the fork: the child only execs.
    std::vector<char*> envp;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view name = std::string_view(*entry).substr(0, std::string_view(*entry).find('=') + 1);
        const auto given = [&name](const std::string& variable) { return variable.starts_with(name); };
        if (!name.starts_with("PB_TOOL_") && std::none_of(environment.begin(), environment.end(), given))
            envp.push_back(*entry);
    }
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        return {};
    std::signal(SIGPIPE, SIG_IGN);
    const pid_t child = fork();
    if (child == 0) {
        dup2(in[0], 0);
        if (outputPath.empty()) {
            dup2(out[1], 1);
        } else {
            const int file = open(outputPath.c_str(), O_WRONLY);
            dup2(file, 1);
        }
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    ProcessResult result;
    size_t written = 0;
    bool outOpen = true, errOpen = true;
    if (input.empty()) {
        close(in[1]);
        in[1] = -1;
    }
    while (outOpen || errOpen) {
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
        fds[0].fd = outOpen ? out[0] : -1;
        fds[1].fd = errOpen ? err[0] : -1;
        if (poll(fds, 3, -1) < 0)
            break;
        if (fds[2].revents != 0) {
            const ssize_t put = write(in[1], input.data() + written, input.size() - written);
            written += put > 0 ? static_cast<size_t>(put) : input.size();
            if (written >= input.size()) {
                close(in[1]);
                in[1] = -1;
            }
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents == 0)
                continue;
            std::string& into = i == 0 ? result.Output : result.Errors;
            const size_t before = into.size();
            Drain(fds[i].fd, into);
            if (into.size() == before)
                (i == 0 ? outOpen : errOpen) = false;
        }
    }
    if (in[1] >= 0)
        close(in[1]);
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace brisklet::test
