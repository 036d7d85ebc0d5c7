#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <random>
#include <string>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "settings/profile.h"
#include "settings/profile_io.h"
#include "support/files.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;
using namespace lumidex;
using lumidex::test::runUnprivileged;

namespace {

// Keeps NUL bytes of a literal, which QByteArray(const char*) would stop at.
template <std::size_t N>
QByteArray bin(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

std::string_view sv(const QByteArray& b) {
    return std::string_view(b.constData(), b.size());
}

// The directory's entries, less the hidden lock file that saves on Windows
// keep beside the settings file.
std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
#ifdef Q_OS_WIN
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".lock") == 0) {
            continue;
        }
#endif
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Makes `link` a symbolic link to `target` (relative to the link's folder).
// Wine's CreateSymbolicLinkW creates nothing, so under Wine the link is made
// by the host's ln through Wine's bridge to host programs.
bool makeSymbolicLink(const fs::path& target, const fs::path& link) {
    std::error_code ec;
    fs::create_symlink(target, link, ec);
#ifndef Q_OS_WIN
    return !ec;
#else
    if (!ec && GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    using UnixName = char*(__cdecl*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* hostLink = unixName ? unixName(link.c_str()) : nullptr;
    if (!hostLink) {
        return false;
    }
    std::wstring command = L"start.exe /wait /unix /bin/ln -s " + target.generic_wstring() + L" " +
                           QString::fromLocal8Bit(hostLink).toStdWString();
    HeapFree(GetProcessHeap(), 0, hostLink);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // The host's ln may finish after start.exe. MinGW's fs::exists fails on
    // links. Wine shows a link to nothing as no file at all.
    for (int wait = 0; wait < 100; ++wait) {
        if (GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        Sleep(20);
    }
    return false;
#endif
}

// Makes `file` read-only as an operator locks it: no write permission for its
// owner, or on Windows the read-only attribute; `on` false undoes it.
void setReadOnly(const fs::path& file, bool on) {
#ifdef Q_OS_WIN
    SetFileAttributesW(file.c_str(), on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
    ::chmod(file.c_str(), on ? 0444 : 0644);
#endif
}

}  // namespace

class TestProfile : public QObject {
    Q_OBJECT

  private slots:
    void lookup_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray s = "Settings", k = "CommPort";
        QTest::newRow("plain CRLF") << bin("[Settings]\r\nCommPort=3\r\n") << s << k << bin("3");
        QTest::newRow("letter case") << bin("[SETTINGS]\ncommport=3") << s << k << bin("3");
        QTest::newRow("blanks and tabs")
            << bin(" \t[ \tSettings \t] \n \tCommPort \t= \t3 4\t \n") << s << k << bin("3 4");
        QTest::newRow("requested names trimmed")
            << bin("[Settings]\nCommPort=3") << bin(" Settings\t") << bin(" CommPort ") << bin("3");
        QTest::newRow("double quotes")
            << bin("[Settings]\nCommPort=\" a b \"") << s << k << bin(" a b ");
        QTest::newRow("single quotes") << bin("[Settings]\nCommPort='x'") << s << k << bin("x");
        QTest::newRow("one pair only")
            << bin("[Settings]\nCommPort=\"\"x\"\"") << s << k << bin("\"x\"");
        QTest::newRow("mismatched quotes")
            << bin("[Settings]\nCommPort=\"x'") << s << k << bin("\"x'");
        QTest::newRow("comment lines")
            << bin("[Settings]\n;CommPort=1\n \t;CommPort=2\nCommPort=3") << s << k << bin("3");
        QTest::newRow("no inline comment")
            << bin("[Settings]\nCommPort=v ;x") << s << k << bin("v ;x");
        QTest::newRow("value holds =") << bin("[Settings]\nCommPort=a=b") << s << k << bin("a=b");
        QTest::newRow("name ends at first ]")
            << bin("[Settings]x]\nCommPort=3") << s << k << bin("3");
        QTest::newRow("before first section")
            << bin("CommPort=1\n[Settings]\n") << s << k << bin("");
        QTest::newRow("line without =")
            << bin("[Settings]\nCommPort\nCommPort=2") << s << k << bin("2");
        QTest::newRow("first key wins")
            << bin("[Settings]\nCommPort=1\ncommport=2") << s << k << bin("1");
        QTest::newRow("first section only")
            << bin("[Settings]\nx=1\n[Other]\nCommPort=2\n[settings]\nCommPort=3") << s << k
            << bin("");
        QTest::newRow("mixed endings")
            << bin("[a]\r\n\r[Settings]\n\r\nCommPort=3\r") << s << k << bin("3");
        QTest::newRow("missing section") << bin("[Other]\nCommPort=3") << s << k << bin("");
        QTest::newRow("missing key") << bin("[Settings]\nSetting=3") << s << k << bin("");
        QTest::newRow("empty value") << bin("[Settings]\nCommPort=  \t") << s << k << bin("");
        QTest::newRow("empty content") << bin("") << s << k << bin("");
        QTest::newRow("NUL bytes")
            << bin("[Settings]\0x\n\0\0\nCommPort=a\0b\n") << s << k << bin("a\0b");
    }
    void lookup() {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, expected);
        QCOMPARE(QByteArray::fromStdString(profileLookup(sv(content), sv(section), sv(key))),
                 expected);
    }

    void update_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("new file") << bin("") << bin("k") << bin("[s]\r\nk=v\r\n");
        QTest::newRow("replace in place")
            << bin("; top\n[S]\n  K = 1 \t\nz=2\n") << bin("k") << bin("; top\n[S]\nK=v\r\nz=2\n");
        QTest::newRow("replace last line")
            << bin("[s]\r\nk=1") << bin("k") << bin("[s]\r\nk=v\r\n");
        QTest::newRow("after last key, comments stay below")
            << bin("[s]\r\na=1\r\n; note\r\n\r\n[t]\r\nk=1\r\n") << bin("k")
            << bin("[s]\r\na=1\r\nk=v\r\n; note\r\n\r\n[t]\r\nk=1\r\n");
        QTest::newRow("section without keys")
            << bin("[s]\n; c\n[t]\n") << bin("k") << bin("[s]\nk=v\r\n; c\n[t]\n");
        QTest::newRow("header at end") << bin("[s]") << bin("k") << bin("[s]\r\nk=v\r\n");
        QTest::newRow("last key at end")
            << bin("[s]\ra=1") << bin("k") << bin("[s]\ra=1\r\nk=v\r\n");
        QTest::newRow("section appended")
            << bin("[a]\nx=1") << bin("k") << bin("[a]\nx=1\r\n[s]\r\nk=v\r\n");
        QTest::newRow("section appended after CR")
            << bin("x\r") << bin("k") << bin("x\r[s]\r\nk=v\r\n");
        QTest::newRow("first of two sections")
            << bin("[s]\na=1\n[s]\nk=2\n") << bin("k") << bin("[s]\na=1\nk=v\r\n[s]\nk=2\n");
        QTest::newRow("keys before any section untouched")
            << bin("k=1\n[s]\n") << bin("k") << bin("k=1\n[s]\nk=v\r\n");
        QTest::newRow("names trimmed") << bin("") << bin(" \tk ") << bin("[s]\r\nk=v\r\n");
    }
    void update() {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, expected);
        const auto updated = profileUpdate(sv(content), "s", sv(key), "v");
        QVERIFY(updated);
        QCOMPARE(QByteArray::fromStdString(*updated), expected);
    }

    void valueWrittenAsGiven() {
        const auto updated = profileUpdate("", "s", "k", " 9600,n,8,1 ;'x");
        QVERIFY(updated);
        QCOMPARE(*updated, std::string("[s]\r\nk= 9600,n,8,1 ;'x\r\n"));
    }

    void unstorable_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("LF in value") << bin("s") << bin("k") << bin("a\n[s]\nk=b");
        QTest::newRow("CR in value") << bin("s") << bin("k") << bin("a\rb");
        QTest::newRow("NUL in value") << bin("s") << bin("k") << bin("a\0b");
        QTest::newRow("= in key") << bin("s") << bin("k=x") << bin("v");
        QTest::newRow("comment key") << bin("s") << bin(" ;k") << bin("v");
        QTest::newRow("section-like key") << bin("s") << bin("[k") << bin("v");
        QTest::newRow("] in section") << bin("s]t") << bin("k") << bin("v");
        QTest::newRow("LF in section") << bin("s\n") << bin("k") << bin("v");
    }
    void unstorable() {
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        QVERIFY(!profileUpdate("[s]\nk=1\n", sv(section), sv(key), sv(value)));
        QTemporaryDir dir;
        const fs::path file = dir.filePath("p.ini").toStdString();
        test::writeFileBytes(file, "[s]\nk=1\n");
        QVERIFY(!writeProfileString(file, sv(section), sv(key), sv(value)));
        QCOMPARE(test::fileBytes(file), std::string("[s]\nk=1\n"));
    }

    // Random content built mostly from the characters that matter to the format.
    void fuzzUpdateThenLookup() {
        std::mt19937 rng(20240611);
        const std::string alphabet = "[]=; \t\"'\r\nsSkKaA";
        auto pick = [&](std::size_t maxLength, const std::string& chars, bool anyByte) {
            std::string out(rng() % (maxLength + 1), ' ');
            for (char& c : out) {
                c = (anyByte && rng() % 8 == 0) ? char(rng() % 256) : chars[rng() % chars.size()];
            }
            return out;
        };
        for (int round = 0; round < 4000; ++round) {
            const std::string content = pick(200, alphabet, true);
            const std::string section = pick(3, "sSa[ ", false);
            const std::string key = pick(3, "kKa ", false);
            const std::string value = pick(12, "ab=;[]\" '\t", true);
            const std::string otherSection = pick(2, "sSa", false),
                              otherKey = pick(2, "kKa", false);
            const std::string before = profileLookup(content, otherSection, otherKey);
            const auto updated = profileUpdate(content, section, key, value);
            QCOMPARE(bool(updated), profileEntryStorable(section, key, value));
            if (!updated) {
                continue;
            }
            const bool plain = value.find_first_of("\r\n") == std::string::npos &&
                               (value.empty() || (value.front() != ' ' && value.front() != '\t' &&
                                                  value.back() != ' ' && value.back() != '\t')) &&
                               !(value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
                                 value.back() == value[0]);
            if (plain) {
                QCOMPARE(profileLookup(*updated, section, key), value);
            }
            const bool same =
                QByteArray::fromStdString(otherSection)
                        .compare(QByteArray::fromStdString(section).trimmed(),
                                 Qt::CaseInsensitive) == 0 &&
                QByteArray::fromStdString(otherKey).compare(
                    QByteArray::fromStdString(key).trimmed(), Qt::CaseInsensitive) == 0;
            if (!same) {
                QCOMPARE(profileLookup(*updated, otherSection, otherKey), before);
            }
            QCOMPARE(profileUpdate(*updated, section, key, value), updated);  // idempotent
        }
    }

    void readLengths_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("expected");
        QTest::newRow("254 whole") << 254 << 254;
        QTest::newRow("255 cut") << 255 << 254;
        QTest::newRow("300 cut") << 300 << 254;
        QTest::newRow("line filling the size limit cut") << (1 << 20) - 9 << 254;
    }
    void readLengths() {
        QFETCH(int, length);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const fs::path file = dir.filePath("p.ini").toStdString();
        std::string value;
        for (int i = 0; i < length; ++i) {
            value += char('a' + i % 26);
        }
        test::writeFileBytes(file, "[s]\r\nk=" + value + "\r\n");
        QCOMPARE(readProfileString(file, "s", "k"), value.substr(0, std::size_t(expected)));
        QCOMPARE(readProfileString(file, "s", "k", 4), value.substr(0, 3));
        QVERIFY(writeProfileString(file, "s", "k", "short"));
        QCOMPARE(test::fileBytes(file), std::string("[s]\r\nk=short\r\n"));
    }

    // Both keys of a save in one replace, through each encoding a file may come in.
    void encodings_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("expected");  // empty: the save is refused
        const QByteArray saved = "[Settings]\r\nCommPort=5\r\nSetting=19200,n,8,1\r\n; end\r\n";
        QTest::newRow("plain") << bin("[Settings]\r\nCommPort=3\r\n; end\r\n") << saved;
        QTest::newRow("UTF-8 mark kept")
            << bin("\xEF\xBB\xBF[Settings]\r\nCommPort=3\r\n; end\r\n") << "\xEF\xBB\xBF" + saved;
        QTest::newRow("UTF-16 little-endian refused")
            << bin("\xFF\xFE[\0S\0e\0t\0t\0i\0n\0g\0s\0]\0\n\0C\0o\0m\0m\0P\0o\0r\0t\0=\0003\0")
            << QByteArray();
        QTest::newRow("UTF-16 big-endian refused")
            << bin("\xFE\xFF\0[\0S\0e\0t\0t\0i\0n\0g\0s\0]\0\n\0C\0o\0m\0m\0P\0o\0r\0t\0=\0003")
            << QByteArray();
    }
    void encodings() {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const fs::path file = dir.filePath("p.ini").toStdString();
        test::writeFileBytes(file, sv(content));
        QCOMPARE(readProfileString(file, "Settings", "CommPort"), std::string("3"));
        const auto failure =
            writeProfileStrings(file, "Settings", {{"CommPort", "5"}, {"Setting", "19200,n,8,1"}});
        if (expected.isEmpty()) {
            QVERIFY(failure);
            QVERIFY2(failure->reason.find("UTF-16") != std::string::npos, failure->reason.c_str());
            QCOMPARE(QByteArray::fromStdString(test::fileBytes(file)), content);
        } else {
            QVERIFY2(!failure, failure ? failure->reason.c_str() : "");
            QCOMPARE(QByteArray::fromStdString(test::fileBytes(file)), expected);
        }
    }

    // Unusable files read as "" and are never replaced by a write.
    void oddFiles_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("missing") << 0;
        QTest::newRow("directory") << 1;
        QTest::newRow("missing directory") << 2;
    }
    void oddFiles() {
        QFETCH(int, kind);
        QTemporaryDir dir;
        fs::path file = dir.filePath("p.ini").toStdString();
        if (kind == 1) {
            fs::create_directory(file);
        } else if (kind == 2) {
            file = dir.filePath("none/p.ini").toStdString();
        }
        QCOMPARE(readProfileString(file, "s", "k"), std::string());
        QCOMPARE(writeProfileString(file, "s", "k", "v"), kind == 0);
        QCOMPARE(fs::is_directory(file), kind == 1);
        QCOMPARE(readProfileString(file, "s", "k"), std::string(kind == 0 ? "v" : ""));
    }

    void garbageIsKept_data() {
        QTest::addColumn<QByteArray>("content");
        std::mt19937 rng(7);
        QByteArray noise(65536, '\0');
        for (char& c : noise) {
            c = char(rng() % 256);
        }
        QTest::newRow("random bytes") << noise;
        QTest::newRow("NUL bytes") << QByteArray(1000, '\0');
        QTest::newRow("line near the size limit") << QByteArray((1 << 20) - 64, 'x');
    }
    void garbageIsKept() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const fs::path file = dir.filePath("p.ini").toStdString();
        test::writeFileBytes(file, sv(content));
        QCOMPARE(readProfileString(file, "Settings", "CommPort"), std::string());
        QVERIFY(writeProfileString(file, "Settings", "CommPort", "3"));
        QCOMPARE(readProfileString(file, "Settings", "CommPort"), std::string("3"));
        QVERIFY(QByteArray::fromStdString(test::fileBytes(file)).startsWith(content));
    }

    void keepsPermissionsAndLeavesNoTemporaryFile() {
        QTemporaryDir dir;
        const fs::path file = dir.filePath("p.ini").toStdString();
        test::writeFileBytes(file, "[s]\nk=1\n");
        // A killed save's leftover goes; a file that merely looks alike stays.
        test::writeFileBytes(dir.filePath(".p.ini.tmp-a1B2c3").toStdString(), "left by a kill");
        test::writeFileBytes(dir.filePath(".p.ini.tmp-backup.old").toStdString(), "mine");
        fs::permissions(file,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        QVERIFY(writeProfileString(file, "s", "k", "2"));
#ifndef Q_OS_WIN  // Windows keeps no permission bits
        QCOMPARE(fs::status(file).permissions(),
                 fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
        QCOMPARE(entries(dir.path().toStdString()),
                 (std::vector<std::string>{".p.ini.tmp-backup.old", "p.ini"}));
    }

    void writesThroughSymbolicLink() {
        QTemporaryDir dir;
        const fs::path base = dir.path().toStdString();
        fs::create_directory(base / "real");
        test::writeFileBytes(base / "real" / "p.ini", "; keep\n[s]\nk=1\n");
        if (!makeSymbolicLink("real/p.ini", base / "p.ini")) {
            QSKIP("symbolic links cannot be created here");
        }
        QVERIFY(writeProfileString(base / "p.ini", "s", "k", "2"));
#ifndef Q_OS_WIN
        QVERIFY(fs::is_symlink(base / "p.ini"));  // MinGW cannot tell links apart
#endif
        QCOMPARE(test::fileBytes(base / "real" / "p.ini"), std::string("; keep\n[s]\nk=2\r\n"));
        QCOMPARE(entries(base / "real"), std::vector<std::string>{"p.ini"});
    }

    // A save through a link changes only a regular file its owner may write:
    // a link to nothing, to a folder or to a read-only file, and a read-only
    // file, are refused with the reason, and nothing is written or created.
    void refusedSaveTargets_data() {
        QTest::addColumn<QString>("link");  // what p.ini links to; empty: no link
        QTest::addColumn<QString>("made");  // what is made in real/
        QTest::addColumn<QString>("reason");
        QTest::newRow("link to nothing") << "real/gone.ini"
                                         << ""
                                         << "points to a file that does not exist";
        QTest::newRow("link to a folder") << "real/dir"
                                          << "dir"
                                          << "is not a regular file";
        QTest::newRow("link to a read-only file") << "real/p.ini"
                                                  << "read-only"
                                                  << "is read-only";
        QTest::newRow("read-only file") << ""
                                        << "read-only"
                                        << "it is read-only";
    }
    void refusedSaveTargets() {
        QFETCH(QString, link);
        QFETCH(QString, made);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const fs::path base = dir.path().toStdString();
        const fs::path file = base / "p.ini";
        const fs::path locked = link.isEmpty() ? file : base / "real" / "p.ini";
        fs::create_directories(base / "real" / "dir");
        if (made == "read-only") {
            test::writeFileBytes(locked, "[s]\r\nk=1\r\n");
            setReadOnly(locked, true);
        }
        if (!link.isEmpty() && !makeSymbolicLink(link.toStdString(), file)) {
            QSKIP("such a link cannot be made or seen here");
        }
        const auto before = std::make_pair(entries(base), entries(base / "real"));
        const auto failure = writeProfileStrings(file, "s", {{"k", "2"}});
        // Values a locked file already holds need no save.
        const bool unchanged = made != "read-only" || !writeProfileStrings(file, "s", {{"k", "1"}});
        setReadOnly(locked, false);
        QVERIFY(unchanged);
        QVERIFY(failure);
        QVERIFY2(failure->reason.find(reason.toStdString()) != std::string::npos,
                 failure->reason.c_str());
        QCOMPARE(std::make_pair(entries(base), entries(base / "real")), before);
        if (made == "read-only") {
            QCOMPARE(test::fileBytes(locked), std::string("[s]\r\nk=1\r\n"));
        }
    }

#ifdef Q_OS_WIN
    // What ReplaceFileW leaves when it fails with 1176: the original moved
    // away and gone, the new content under its temporary name.
    static unsigned long loseOriginal(const wchar_t* replaced, const wchar_t*) {
        const std::wstring away = std::wstring(replaced) + L".gone";
        MoveFileExW(replaced, away.c_str(), MOVEFILE_REPLACE_EXISTING);
        DeleteFileW(away.c_str());
        return ERROR_UNABLE_TO_MOVE_REPLACEMENT;
    }

    // When every move into place fails as well, the temporary file is the only
    // copy of the new settings: the next start reads it and the next save
    // builds on it instead of deleting it.
    void windowsStrandedSaveIsKept() {
        QTemporaryDir dir;
        const fs::path file = dir.filePath("p.ini").toStdWString();
        test::writeFileBytes(file, "; keep\r\n[s]\r\nk=1\r\n");
        profileio::setReplaceFileHook(loseOriginal);
        profileio::setMoveFileHook(
            [](const wchar_t*, const wchar_t*) -> unsigned long { return ERROR_ACCESS_DENIED; });
        const auto failure = writeProfileStrings(file, "s", {{ "k", "2" }});
        profileio::setReplaceFileHook(nullptr);
        profileio::setMoveFileHook(nullptr);
        QVERIFY(failure && failure->reason.find("the new settings are in") != std::string::npos);
        QCOMPARE(readProfileString(file, "s", "k"), std::string("2"));
        QVERIFY(!writeProfileStrings(file, "s", {{ "t", "3" }}));
        QCOMPARE(test::fileBytes(file), std::string("; keep\r\n[s]\r\nk=2\r\nt=3\r\n"));
        QCOMPARE(entries(dir.path().toStdWString()), std::vector<std::string>{"p.ini"});
    }

    // How a replace fails on Windows, and what the file holds afterwards.
    void windowsReplaceFailures_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("saved");
        QTest::newRow("read-only file") << "read-only" << false;
        QTest::newRow("directory in the way") << "directory" << false;
        QTest::newRow("original removed, replacement left (1176)") << "1176" << true;
        QTest::newRow("file in use for a moment") << "in use briefly" << true;
        QTest::newRow("file in use throughout") << "in use" << false;
    }
    void windowsReplaceFailures() {
        QFETCH(QString, obstacle);
        QFETCH(bool, saved);
        QTemporaryDir dir;
        const fs::path file = dir.filePath("p.ini").toStdWString();
        const std::string original = "; keep\r\n[s]\r\nk=1\r\n";
        if (obstacle == "directory") {
            fs::create_directory(file);
        } else {
            test::writeFileBytes(file, original);
        }
        HANDLE holder = INVALID_HANDLE_VALUE;
        HANDLE releaser = nullptr;
        if (obstacle == "read-only") {
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
        } else if (obstacle == "1176") {
            profileio::setReplaceFileHook(loseOriginal);
        } else if (obstacle.startsWith("in use")) {
            // An editor's handle that does not share deletion.
            holder = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
            QVERIFY(holder != INVALID_HANDLE_VALUE);
            if (obstacle == "in use briefly") {
                releaser = CreateThread(
                    nullptr, 0,
                    [](LPVOID handle) -> DWORD {
                        Sleep(300);
                        CloseHandle(static_cast<HANDLE>(handle));
                        return 0;
                    },
                    holder, 0, nullptr);
                holder = INVALID_HANDLE_VALUE;
            }
        }
        const auto failure = writeProfileStrings(file, "s", {{ "k", "2" }});
        profileio::setReplaceFileHook(nullptr);
        if (releaser) {
            WaitForSingleObject(releaser, INFINITE);
            CloseHandle(releaser);
        }
        if (holder != INVALID_HANDLE_VALUE) {
            CloseHandle(holder);
        }
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        QCOMPARE(!failure, saved);
        if (obstacle == "directory") {
            QVERIFY(fs::is_directory(file));
        } else {
            QCOMPARE(test::fileBytes(file),
                     saved ? std::string("; keep\r\n[s]\r\nk=2\r\n") : original);
        }
        QCOMPARE(entries(dir.path().toStdWString()), std::vector<std::string>{"p.ini"});
    }
#endif

    // Permission refusals. As root, permission bits stop nothing, so the writes
    // run in a child process that has dropped to an unprivileged user.
    void refusals_data() {
        QTest::addColumn<int>("dirMode");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<bool>("writes");
        QTest::addColumn<bool>("readable");
        QTest::newRow("read-only directory and file") << 0555 << 0444 << false << true;
        // A replace needs a new file beside the old one; the file is never
        // rewritten in place, as a kill during that could cut it.
        QTest::newRow("read-only directory, writable file") << 0555 << 0666 << false << true;
        QTest::newRow("read-only file") << 0777 << 0444 << false << true;
        QTest::newRow("unreadable file") << 0777 << 0222 << false << false;
    }
    void refusals() {
#ifdef Q_OS_UNIX
        QFETCH(int, dirMode);
        QFETCH(int, fileMode);
        QFETCH(bool, writes);
        QFETCH(bool, readable);
        QTemporaryDir top;
        const fs::path dir = fs::path(top.path().toStdString()) / "d";
        const fs::path file = dir / "p.ini";
        fs::create_directory(dir);
        const std::string original = "; note\n[s]\nk=1\n[t]\nx=2";
        test::writeFileBytes(file, original);
        struct stat before {};
        ::stat(file.c_str(), &before);
        ::chmod(top.path().toLocal8Bit().constData(), 0755);
        ::chmod(file.c_str(), mode_t(fileMode));
        ::chmod(dir.c_str(), mode_t(dirMode));
        const int result = runUnprivileged([&] {
            const bool read = readProfileString(file, "s", "k") == "1";
            return (writeProfileString(file, "s", "k", "22") ? 1 : 0) | (read ? 2 : 0);
        });
        ::chmod(dir.c_str(), 0755);
        ::chmod(file.c_str(), 0644);
        if (result < 0) {
            QSKIP("cannot switch to an unprivileged user to test permissions");
        }
        QCOMPARE(bool(result & 1), writes);
        QCOMPARE(bool(result & 2), readable);
        QCOMPARE(test::fileBytes(file), writes ? "; note\n[s]\nk=22\r\n[t]\nx=2" : original);
        QCOMPARE(entries(dir), std::vector<std::string>{"p.ini"});
        struct stat after {};
        ::stat(file.c_str(), &after);
        QCOMPARE(after.st_ino, before.st_ino);  // written in place, or not at all
#else
        QSKIP("permission bits are a POSIX matter");
#endif
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "test_profile.moc"
