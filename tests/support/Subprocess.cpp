#include "Subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace turfpad::testing {
namespace {

std::vector<char*> Argv(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

int StatusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw); }

}  // namespace

RunResult Run(const std::string& program, const std::vector<std::string>& args, const std::string& input) {
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe");
    std::vector<char*> argv = Argv(program, args);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);
    RunResult r;
    std::size_t written = 0;
    int fdIn = in[1], fdOut = out[0], fdErr = err[0];
    if (input.empty()) {
        close(fdIn);
        fdIn = -1;
    }
    char buf[65536];
    while (fdOut >= 0 || fdErr >= 0) {
        // poll() skips entries whose descriptor is negative.
        pollfd fds[3] = {{fdOut, POLLIN, 0}, {fdErr, POLLIN, 0}, {fdIn, POLLOUT, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[2].revents) {
            ssize_t w = write(fdIn, input.data() + written, input.size() - written);
            if (w > 0) written += static_cast<std::size_t>(w);
            if ((w < 0 && errno != EAGAIN) || written == input.size()) {
                close(fdIn);
                fdIn = -1;
            }
        }
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents) continue;
            ssize_t got = read(fds[i].fd, buf, sizeof buf);
            if (got > 0) {
                (i == 0 ? r.out : r.err).append(buf, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                close(fds[i].fd);
                (i == 0 ? fdOut : fdErr) = -1;
            }
        }
    }
    if (fdIn >= 0) close(fdIn);
    int raw = 0;
    waitpid(pid, &raw, 0);
    r.status = StatusOf(raw);
    return r;
}

pid_t Start(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv = Argv(program, args);
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

void Kill(pid_t pid) {
    kill(pid, SIGKILL);
    Wait(pid);
}

int Wait(pid_t pid) {
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    return StatusOf(raw);
}

}  // namespace turfpad::testing
