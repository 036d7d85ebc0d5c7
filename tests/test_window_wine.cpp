// The Windows program itself, lumidex-app.exe, as an operator runs it: under
// Wine with a real window on an X server of its own (Xvfb), COM2 of the Wine
// prefix linked to the pseudo-terminal of a Linux lumidex-monitor, and the
// settings file beside the program naming COM2. The test clicks and types
// through the window with xdotool at the places where the same controls sit
// in the native window, so a layout that differs on Windows misses. Every
// command the window sends must reach the monitor exactly as the native window
// sends it on the same clicks; closing the window writes the settings file.
// With LUMIDEX_SCREENSHOTS set to a folder, both windows' five pages are saved
// there for a look side by side.
//
// Runs under `make test-windows` (LUMIDEX_WINE_RUN, LUMIDEX_WINDOWS_BUILD and
// WINEPREFIX set); skips elsewhere.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "protocol/decoder.h"
#include "support/files.h"
#include "support/program.h"
#include "support/recordingport.h"
#include "support/window.h"
#include "ui/fonts.h"
#include "ui/tabbedpages.h"

using namespace lumidex;
using namespace lumidex::test;

namespace {

// One operator action: click a control (bringing its page to the front), type
// into a text box, or pick a list entry with the keyboard.
struct Step {
    enum Kind { Click, Type, Pick } kind;
    const char* control;
    QString text = {};
    int position = 0;
};

// Connects, sends every command the window has, disconnects and changes the
// baud rate (which the settings file must record).
const Step kSteps[] = {
    {Step::Click, "cmdConnect"},   {Step::Type, "txtASCII", "12ab"},
    {Step::Click, "cmdSendAscii"}, {Step::Click, "cmdSendInteger"},
    {Step::Click, "Check1"},       {Step::Click, "cmdSendInteger"},
    {Step::Click, "cmdSendBCD"},   {Step::Click, "cmdSaveCS_0"},
    {Step::Click, "cmdSaveCS_1"},  {Step::Click, "cmdDP"},
    {Step::Click, "chkD1_1"},      {Step::Click, "chkD4_64"},
    {Step::Click, "cmdSendSD"},    {Step::Click, "chkDP_2"},
    {Step::Click, "cmdDPCtl"},     {Step::Click, "cmdConfig"},
    {Step::Click, "cmdConnect"},   {Step::Pick, "cboBaud", {}, 1},
};

// A process stopped when the test is over.
struct Child {
    QProcess process;
    ~Child() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
    }
};

}  // namespace

class WindowWineTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void operatorRunsTheWindowsProgram();

  private:
    // Where `control` of the native window is (its centre, or that of its
    // page's tab), relative to the window's top left corner.
    QPoint place(const QString& control) const;
    QPoint tabPlace(int page) const;
    int pageOf(const QString& control) const;

    // Runs xdotool on the test's display; false (and the reason in
    // xdoError_) when it fails. Its output goes to `output`.
    bool xdo(const QStringList& args, QString* output = nullptr, int ms = 10000);
    void clickAt(QPoint point);
    // Waits for the monitor's next decoded line, without its time stamp.
    QString nextMonitorLine(int ms);
    void screenshot(const QString& path);

    RecordingPort nativePort_;
    std::unique_ptr<WindowDriver> native_;
    QString display_;
    QString xdoError_;
    QString window_;
    QPoint origin_;
    QSize size_;
    Child xvfb_;
    Child monitor_;
    Child app_;
    QString monitorOutput_;
};

void WindowWineTest::initTestCase() {
    if (qEnvironmentVariableIsEmpty("LUMIDEX_WINE_RUN")) {
        QSKIP("runs under make test-windows");
    }
    for (const char* tool : {"Xvfb", "xdotool", "import"}) {
        QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(), tool);
    }
    loadWindowFont();
    native_ = std::make_unique<WindowDriver>(nativePort_);
}

int WindowWineTest::pageOf(const QString& control) const {
    auto* pages = native_->get<TabbedPages>("SSTab1");
    QWidget* widget = native_->get(control);
    for (int i = 0; i < pages->count(); ++i) {
        if (pages->page(i)->isAncestorOf(widget)) {
            return i;
        }
    }
    return -1;
}

QPoint WindowWineTest::place(const QString& control) const {
    QWidget* widget = native_->get(control);
    return widget->mapTo(&native_->window(), widget->rect().center());
}

QPoint WindowWineTest::tabPlace(int page) const {
    QTabBar* tabs = native_->get<TabbedPages>("SSTab1")->tabBar();
    return tabs->mapTo(&native_->window(), tabs->tabRect(page).center());
}

bool WindowWineTest::xdo(const QStringList& args, QString* output, int ms) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    process.setProcessEnvironment(env);
    process.start("xdotool", args);
    const bool finished = process.waitForFinished(ms);
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    if (output) {
        *output = QString::fromUtf8(process.readAllStandardOutput());
    }
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        xdoError_ = "xdotool " + args.join(' ') + " failed: " + process.readAllStandardError();
        return false;
    }
    return true;
}

void WindowWineTest::clickAt(QPoint point) {
    const QPoint at = origin_ + point;
    QVERIFY2(xdo({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())}) &&
                 xdo({"click", "1"}),
             qPrintable(xdoError_));
    QTest::qWait(300);
}

QString WindowWineTest::nextMonitorLine(int ms) {
    QDeadlineTimer deadline(ms);
    while (!monitor_.process.canReadLine() && !deadline.hasExpired()) {
        monitor_.process.waitForReadyRead(100);
    }
    if (!monitor_.process.canReadLine()) {
        return {};
    }
    const QString line = QString::fromUtf8(monitor_.process.readLine()).trimmed();
    monitorOutput_ += line + '\n';
    return line.section("  ", 1);
}

void WindowWineTest::screenshot(const QString& path) {
    QProcess process;
    process.start("import", {"-display", display_, "-window", "root", "-crop",
                             QString("%1x%2+%3+%4")
                                 .arg(size_.width())
                                 .arg(size_.height())
                                 .arg(origin_.x())
                                 .arg(origin_.y()),
                             path});
    QVERIFY(process.waitForFinished(20000));
}

void WindowWineTest::operatorRunsTheWindowsProgram() {
    const QString exe = qEnvironmentVariable("LUMIDEX_WINDOWS_BUILD") + "/lumidex-app.exe";
    QVERIFY2(QFile::exists(exe), qPrintable(exe));
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    QVERIFY(QFileInfo(prefix + "/dosdevices").isDir());
    const QString shots = qEnvironmentVariable("LUMIDEX_SCREENSHOTS");

    // The frames the native window sends, click by click (none for a step
    // that only sets a control).
    QStringList expected;
    for (const Step& step : kSteps) {
        if (&step == &kSteps[1] && !shots.isEmpty()) {
            // The pages as they look once connected.
            QDir().mkpath(shots);
            for (int page = 0; page < 5; ++page) {
                native_->showPage(page);
                native_->window().grab().save(
                    QString("%1/linux-page%2.png").arg(shots).arg(page + 1));
            }
        }
        nativePort_.bytes.clear();
        if (step.kind == Step::Type) {
            native_->typeText(step.control, step.text);
        } else if (step.kind == Step::Pick) {
            native_->pick(step.control, step.position);
        } else {
            native_->click(step.control);
        }
        QVERIFY2(native_->takeMessages().isEmpty(), step.control);
        expected << (nativePort_.bytes.empty()
                         ? QString()
                         : QString::fromStdString(decodeFrame(nativePort_.bytes).description));
    }
    // Ten frames: text, unsigned and signed integer, BCD, save, recall,
    // brightness, segments, decimal points, configuration.
    QCOMPARE(expected.size() - expected.count(QString()), 10);
    QCOMPARE(native_->text("cboBaud"), QString("19200"));

    // An X server, the monitor, and COM2 of the prefix on the monitor's
    // pseudo-terminal.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // From display 99 up (Wine's own processes may reach for a low one), the
    // first whose server comes up: another run may take a number between the
    // check and the start, and that server then ends at once.
    for (int number = 99; number < 150 && xvfb_.process.state() != QProcess::Running; ++number) {
        if (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(number)) ||
            QFile::exists(QString("/tmp/.X%1-lock").arg(number))) {
            continue;
        }
        display_ = QString(":%1").arg(number);
        xvfb_.process.start("Xvfb", {display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QDeadlineTimer xvfbUp(10000);
        while (!QFile::exists(QString("/tmp/.X11-unix/X%1").arg(number)) &&
               xvfb_.process.state() != QProcess::NotRunning && !xvfbUp.hasExpired()) {
            xvfb_.process.waitForFinished(50);
        }
    }
    QVERIFY2(xvfb_.process.state() == QProcess::Running, "Xvfb did not start");

    monitor_.process.start(builtProgram("lumidex-monitor"), {"--pty"});
    QVERIFY(monitor_.process.waitForReadyRead(10000));
    const QString listening = QString::fromUtf8(monitor_.process.readLine()).trimmed();
    QVERIFY2(listening.startsWith("listening on /dev/"), qPrintable(listening));
    const QString pty = listening.section(' ', 2);
    const QString com2 = prefix + "/dosdevices/com2";
    QFile::remove(com2);
    QVERIFY(QFile::link(pty, com2));

    // The program in a folder of its own, with a settings file that names COM2
    // and holds a comment that must survive.
    const QString appExe = dir.filePath("lumidex-app.exe");
    QVERIFY(QFile::copy(exe, appExe));
    const QString ini = dir.filePath("lumidex2.ini");
    writeFileBytes(ini, "; bench 3\r\n[Settings]\r\nCommPort=2\r\nSetting=9600,n,8,1\r\n");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    env.insert("WINEQT_QPA_PLATFORM", "windows");
    app_.process.setProcessEnvironment(env);
    // Wine's helper processes (the desktop, device services) inherit the
    // program's output and outlive it; on the test's own output they would
    // keep CTest waiting after the test is done.
    app_.process.setStandardOutputFile(QProcess::nullDevice());
    app_.process.setStandardErrorFile(QProcess::nullDevice());
    app_.process.start(qEnvironmentVariable("LUMIDEX_WINE_RUN"), {appExe});
    QVERIFY(app_.process.waitForStarted(10000));

    QString found;
    QVERIFY2(xdo({"search", "--sync", "--onlyvisible", "--name", "^Lumidex App$"}, &found, 90000),
             qPrintable(
                 QString("no window on %1 (the program %2)")
                     .arg(display_, app_.process.state() == QProcess::Running ? "runs" : "ended")));
    window_ = found.split('\n').value(0).trimmed();
    QString geometry;
    QVERIFY2(xdo({"getwindowgeometry", "--shell", window_}, &geometry), qPrintable(xdoError_));
    const auto value = [&geometry](const QString& key) {
        return QRegularExpression("^" + key + "=(\\d+)$", QRegularExpression::MultilineOption)
            .match(geometry)
            .captured(1)
            .toInt();
    };
    origin_ = QPoint(value("X"), value("Y"));
    size_ = QSize(value("WIDTH"), value("HEIGHT"));
    // The window has the native window's size: the same twips geometry.
    QCOMPARE(size_, native_->window().size());
    QVERIFY2(xdo({"windowfocus", "--sync", window_}), qPrintable(xdoError_));
    QTest::qWait(1000);

    int page = -2;
    for (std::size_t i = 0; i < std::size(kSteps); ++i) {
        const Step& step = kSteps[i];
        if (i == 1 && !shots.isEmpty()) {
            for (int p = 0; p < 5; ++p) {
                clickAt(tabPlace(p));
                screenshot(QString("%1/wine-page%2.png").arg(shots).arg(p + 1));
            }
            page = 4;
        }
        if (const int p = pageOf(step.control); p >= 0 && p != page) {
            clickAt(tabPlace(p));
            page = p;
        }
        clickAt(place(step.control));
        QStringList keys;
        if (step.kind == Step::Type) {
            QVERIFY2(xdo({"key", "ctrl+a", "Delete"}) && xdo({"type", "--delay", "50", step.text}),
                     qPrintable(xdoError_));
        } else if (step.kind == Step::Pick) {
            // The click opened the list; close it and pick with the keyboard.
            keys << "Escape"
                 << "Home";
            for (int k = 0; k < step.position; ++k) {
                keys << "Down";
            }
            QVERIFY2(xdo(QStringList{"key", "--delay", "100"} + keys), qPrintable(xdoError_));
        }
        if (!expected[int(i)].isEmpty()) {
            QCOMPARE(nextMonitorLine(10000), expected[int(i)]);
        }
    }
    // Nothing more than those frames went out.
    QCOMPARE(nextMonitorLine(1000), QString());

    // Closing the window writes the settings file beside the program.
    QVERIFY2(xdo({"key", "alt+F4"}), qPrintable(xdoError_));
    QVERIFY2(app_.process.waitForFinished(30000), "the window did not close");
    const QByteArray written = fileBytes(ini);
    QVERIFY2(written.startsWith("; bench 3\r\n[Settings]\r\n"), written.constData());
    QVERIFY2(written.contains("CommPort=2\r\n"), written.constData());
    QVERIFY2(written.contains("Setting=19200,n,8,1\r\n"), written.constData());
}

QTEST_MAIN(WindowWineTest)
#include "test_window_wine.moc"
