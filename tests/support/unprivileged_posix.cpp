#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/unprivileged.h"

namespace lumidex::test {

int runUnprivileged(const std::function<int()>& body) {
    if (::geteuid() != 0) {
        return body();
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(99);
        }
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 99) {
        return -1;
    }
    return WEXITSTATUS(status);
}

}  // namespace lumidex::test
