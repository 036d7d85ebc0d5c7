// Start-up time of programs against a baseline program, seen from the X
// server: from just before exec until the program's first top-level window is
// mapped, and the program's resident memory at that moment. The programs run
// in turn, one at a time, on the same display, their order rotating every
// round. A command is one argument: a program and its options, separated by
// blanks.
//
// Usage: lumidex-startwatch [--runs N] BASELINE COMMAND...
#include <X11/Xlib.h>
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Sample {
    double milliseconds;
    double cpuMilliseconds;
    long rssKiB;
};

double now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

// Processor time the process has used so far, all its threads together. On a
// busy machine this varies far less than the elapsed time.
double cpuMilliseconds(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    double total = 0;
    if (DIR* dir = opendir(tasks.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            std::ifstream stat(tasks + "/" + entry->d_name + "/schedstat");
            double nanoseconds = 0;
            if (entry->d_name[0] != '.' && stat >> nanoseconds) {
                total += nanoseconds / 1e6;
            }
        }
        closedir(dir);
    }
    return total;
}

// Runs `command` until its first top-level window is mapped, then stops it.
bool measure(Display* display, const std::string& command, Sample& sample) {
    std::vector<std::string> words;
    std::istringstream split(command);
    for (std::string word; split >> word;) {
        words.push_back(word);
    }
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const char* program = argv[0];
    // Drop whatever earlier runs left queued.
    XSync(display, True);
    const double start = now();
    const pid_t pid = fork();
    if (pid == 0) {
        // The programs' own chatter would drown the figures.
        if (FILE* quiet = std::freopen("/dev/null", "w", stderr)) {
            (void)quiet;
        }
        execv(program, argv.data());
        _exit(127);
    }
    if (pid < 0) {
        return false;
    }
    bool mapped = false;
    const int fd = ConnectionNumber(display);
    while (!mapped && now() - start < 20000) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.event == DefaultRootWindow(display)) {
                sample.milliseconds = now() - start;
                sample.rssKiB = residentKiB(pid);
                sample.cpuMilliseconds = cpuMilliseconds(pid);
                mapped = true;
                break;
            }
        }
        if (!mapped) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(fd, &readable);
            timeval wait{0, 100000};
            select(fd + 1, &readable, nullptr, nullptr, &wait);
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                std::fprintf(stderr, "%s ended before showing a window\n", command.c_str());
                return false;
            }
        }
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return mapped;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    int runs = 11;
    int arg = 1;
    if (argc > 2 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::max(1, std::atoi(argv[2]));
        arg = 3;
    }
    const std::vector<std::string> commands(argv + arg, argv + argc);
    if (commands.size() < 2) {
        std::fprintf(stderr, "usage: %s [--runs N] BASELINE COMMAND...\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display (run under xvfb-run)\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);

    const size_t count = commands.size();
    std::vector<std::vector<double>> times(count), cpu(count), rss(count);
    // One unmeasured round warms the file cache; then every round runs each
    // command once, starting one further along each time.
    for (int round = -1; round < runs; ++round) {
        for (size_t k = 0; k < count; ++k) {
            const size_t which = (k + static_cast<size_t>(round + 1)) % count;
            Sample sample{};
            if (!measure(display, commands[which], sample)) {
                return 1;
            }
            if (round >= 0) {
                times[which].push_back(sample.milliseconds);
                cpu[which].push_back(sample.cpuMilliseconds);
                rss[which].push_back(sample.rssKiB / 1024.0);
            }
        }
    }
    XCloseDisplay(display);

    std::printf("exec to mapped window, median of %d runs each:\n", runs);
    const double baseline = median(times[0]);
    const double cpuBaseline = median(cpu[0]);
    for (size_t which = 0; which < count; ++which) {
        std::vector<double> sorted = times[which];
        std::sort(sorted.begin(), sorted.end());
        std::printf(
            "  %s\n    elapsed %6.1f ms (%.1f to %.1f), ratio %.3f; processor %5.1f ms, "
            "ratio %.3f; resident %4.1f MiB\n",
            commands[which].c_str(), median(times[which]), sorted.front(), sorted.back(),
            median(times[which]) / baseline, median(cpu[which]), median(cpu[which]) / cpuBaseline,
            median(rss[which]));
    }
    std::printf("start-up ratio: %.3f (processor time: %.3f)\n", median(times[1]) / baseline,
                median(cpu[1]) / cpuBaseline);
    std::printf("resident memory at the window's mapping: %.1f MiB\n", median(rss[1]));
    return 0;
}
