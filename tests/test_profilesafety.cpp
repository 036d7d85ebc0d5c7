// The settings file against the ways a save can go wrong on a real system:
// a program killed in the middle of a save, two programs saving at once, and a
// file too large to read.
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "settings/profile.h"
#include "settings/profile_io.h"
#include "support/files.h"

namespace fs = std::filesystem;
using namespace lumidex;

namespace {

int temporaries(const fs::path& file) {
    int count = 0;
    for (const auto& e : fs::directory_iterator(file.parent_path())) {
        count += profileio::isTemporaryName(e.path().filename().string(), file.filename().string());
    }
    return count;
}

// The two keys of save number n: a port and a settings text that belong together.
std::vector<ProfileEntry> pair(int n) {
    return {{"CommPort", std::to_string(n)}, {"Setting", std::to_string(n) + "00,n,8,1"}};
}

}  // namespace

class TestProfileSafety : public QObject {
    Q_OBJECT

  private slots:
#ifdef Q_OS_UNIX
    // A child saves pair after pair into a file padded to a few hundred KB and
    // is killed at random moments. After every kill the file holds one whole
    // save: both keys from the same save and every other byte as it was.
    void killDuringSaveLeavesOldOrNewPair() {
        QTemporaryDir dir;
        const fs::path file = dir.filePath("lumidex2.ini").toStdString();
        const std::string padding = "[Padding]\r\n" + std::string(300 * 1024, 'p') + "\r\n";
        QVERIFY(!writeProfileStrings(file, "Settings", pair(0)));
        { std::ofstream(file, std::ios::binary | std::ios::app) << padding; }
        std::mt19937 rng(11);
        int leftovers = 0;
        for (int kill = 0; kill < 100; ++kill) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                for (int n = 1;; n = n % 9 + 1) {
                    (void)writeProfileStrings(file, "Settings", pair(n));
                }
            }
            ::usleep(useconds_t(rng() % 20000));
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);

            const std::string content = test::fileBytes(file);
            const std::string port = profileLookup(content, "Settings", "CommPort");
            QVERIFY2(!port.empty(), "the file lost its keys");
            QCOMPARE(profileLookup(content, "Settings", "Setting"), port + "00,n,8,1");
            QVERIFY(content.size() >= padding.size());
            QCOMPARE(content.substr(content.size() - padding.size()), padding);
            leftovers += temporaries(file);
            QVERIFY(temporaries(file) <= 1);
        }
        // The next save removes what the killed ones left.
        QVERIFY(!writeProfileStrings(file, "Settings", pair(4)));
        QCOMPARE(temporaries(file), 0);
        qInfo("%d of 100 kills left a temporary file behind", leftovers);
    }

    // Two programs save different keys of one file at the same moment, over and
    // over: the lock makes the second read what the first wrote, so neither
    // change is lost.
    void twoWritersKeepBothChanges() {
        QTemporaryDir dir;
        const fs::path file = dir.filePath("lumidex2.ini").toStdString();
        test::writeFileBytes(file,
                             "; bench\r\n[Settings]\r\n" + std::string(100 * 1024, ';') + "\r\n");
        for (int round = 1; round <= 40; ++round) {
            int gate[2];
            QVERIFY(::pipe(gate) == 0);
            pid_t writers[2];
            for (int w = 0; w < 2; ++w) {
                writers[w] = ::fork();
                QVERIFY(writers[w] >= 0);
                if (writers[w] == 0) {
                    ::close(gate[1]);
                    char c;
                    (void)!::read(gate[0], &c, 1);  // both start when the gate closes
                    const bool ok = !writeProfileStrings(
                        file, "Settings", {{w == 0 ? "A" : "B", std::to_string(round)}});
                    ::_exit(ok ? 0 : 1);
                }
            }
            ::close(gate[0]);
            ::close(gate[1]);
            for (pid_t writer : writers) {
                int status = 0;
                ::waitpid(writer, &status, 0);
                QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            }
            const std::string content = test::fileBytes(file);
            QCOMPARE(profileLookup(content, "Settings", "A"), std::to_string(round));
            QCOMPARE(profileLookup(content, "Settings", "B"), std::to_string(round));
        }
        QCOMPARE(temporaries(file), 0);
    }

    // A save the disk cannot hold (a file size limit stands in for a full
    // disk) fails and leaves the folder as it found it: no temporary file, and
    // no empty settings file where there was none.
    void fullDiskLeavesNothingBehind_data() {
        QTest::addColumn<bool>("existed");
        QTest::newRow("no file before") << false;
        QTest::newRow("file before") << true;
    }
    void fullDiskLeavesNothingBehind() {
        QFETCH(bool, existed);
        QTemporaryDir dir;
        const fs::path file = dir.filePath("lumidex2.ini").toStdString();
        const std::string original = "; bench\r\n[Settings]\r\nCommPort=1\r\n";
        if (existed) {
            test::writeFileBytes(file, original);
        }
        rlimit limit{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const rlimit full{8, limit.rlim_max};
        const auto previous = ::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &full) == 0);
        const auto failure = writeProfileStrings(file, "Settings", pair(3));
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, previous);
        QVERIFY(failure);
        QCOMPARE(temporaries(file), 0);
        QCOMPARE(fs::exists(file), existed);
        if (existed) {
            QCOMPARE(test::fileBytes(file), original);
        }
    }
#endif

#ifdef Q_OS_WIN
    // Two threads, each with its own handle, save different keys at the same
    // moment over and over: the lock makes neither change get lost.
    void twoWritersKeepBothChanges() {
        QTemporaryDir dir;
        const fs::path file = dir.filePath("lumidex2.ini").toStdWString();
        for (int round = 1; round <= 40; ++round) {
            std::atomic<int> failures{0};
            std::atomic<bool> go{false};
            auto writer = [&](const char* key) {
                while (!go) {
                }
                failures +=
                    bool(writeProfileStrings(file, "Settings", {{key, std::to_string(round)}}));
            };
            std::thread a(writer, "A");
            std::thread b(writer, "B");
            go = true;
            a.join();
            b.join();
            QCOMPARE(failures.load(), 0);
            const std::string content = test::fileBytes(file);
            QCOMPARE(profileLookup(content, "Settings", "A"), std::to_string(round));
            QCOMPARE(profileLookup(content, "Settings", "B"), std::to_string(round));
        }
        QCOMPARE(temporaries(file), 0);
    }
#endif

    // A sparse 4 GiB file: refused at once, without reading it, and never
    // written.
    void oversizedFileIsNotReadNorWritten() {
        QTemporaryDir dir;
        const fs::path file = dir.filePath("lumidex2.ini").toStdWString();
        test::writeFileBytes(file, "[Settings]\r\nCommPort=3\r\n");
        fs::resize_file(file, std::uintmax_t(4) << 30);
        const auto modified = fs::last_write_time(file);
#ifdef Q_OS_UNIX
        struct stat before {};
        QVERIFY(::stat(file.c_str(), &before) == 0);
#endif

        const auto start = std::chrono::steady_clock::now();
        const ProfileFile loaded = loadProfile(file);
        const auto failure = writeProfileStrings(file, "Settings", pair(5));
        const auto elapsed = std::chrono::steady_clock::now() - start;

        QCOMPARE(int(loaded.state), int(ProfileFile::State::Unusable));
        QCOMPARE(loaded.problem, std::string("it is larger than 1 MiB"));
        QVERIFY(failure);
        QCOMPARE(failure->reason, loaded.problem);
        QVERIFY(elapsed < std::chrono::milliseconds(200));
        QCOMPARE(fs::file_size(file), std::uintmax_t(4) << 30);
        QVERIFY(fs::last_write_time(file) == modified);
#ifdef Q_OS_UNIX
        struct stat after {};
        QVERIFY(::stat(file.c_str(), &after) == 0);
        QCOMPARE(after.st_blocks, before.st_blocks);

        // A FIFO in the file's place does not hang the read either.
        const fs::path fifo = dir.filePath("fifo.ini").toStdString();
        QVERIFY(::mkfifo(fifo.c_str(), 0644) == 0);
        QCOMPARE(int(loadProfile(fifo).state), int(ProfileFile::State::Unusable));
        QVERIFY(writeProfileStrings(fifo, "Settings", pair(5)));
#endif
    }
};

QTEST_GUILESS_MAIN(TestProfileSafety)
#include "test_profilesafety.moc"
