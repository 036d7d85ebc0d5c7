// lumidex-module: a virtual display module. It listens on a serial line like
// a module, obeys the frames addressed to it and shows the four digits a
// module would light, so commands can be tried without hardware.
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/lineinput.h"
#include "app/moduledisplay.h"
#include "protocol/modulemodel.h"
#include "ui/fonts.h"
#include "ui/pictures.h"

namespace {

using namespace lumidex;
using namespace lumidex::cli;

constexpr char Program[] = "lumidex-module";

const char UsageText[] =
    "usage: lumidex-module [--uid N] [--print] [--baud N] [--idle-ms N] DEVICE\n"
    "       lumidex-module [--uid N] [--print] [--idle-ms N] --pty\n";

const char HelpText[] =
    "Shows a window acting as one display module on a serial line: the four\n"
    "digits it lights for the frames it receives.\n"
    "\n"
    "  DEVICE        serial device to listen on, e.g. /dev/ttyUSB0 or COM3\n"
    "                (opened read-only, raw, 8 data bits, no parity, 1 stop bit)\n"
    "  --baud N      baud rate of DEVICE (default 9600)\n"
    "  --pty         create a pseudo-terminal instead and listen on it; its\n"
    "                path is printed first (\"listening on PATH\")\n"
    "  --uid N       the module's unit identifier, 0 to 255 (default 255)\n"
    "  --print       after every frame print one line: \"screen S4 S3 S2 S1 dim\"\n"
    "                (or bright), the segment bytes of Digit 4 to Digit 1 in\n"
    "                hexadecimal, then the frame obeyed and anything ignored\n"
    "  --idle-ms N   give up on a frame after N milliseconds without a byte\n"
    "                (default 500, 0 never)\n"
    "  --help        show this text\n"
    "\n"
    "Runs until its window is closed or it is interrupted (Ctrl+C or SIGTERM);\n"
    "exit status 0 then, 1 when the device cannot be opened or read, 2 for bad\n"
    "arguments. With QT_QPA_PLATFORM=offscreen it runs without a display.\n";

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) {
        out += (out.empty() ? "" : "; ") + item;
    }
    return out;
}

// The window: where it listens, the digits, the status line and Restart.
class ModuleWindow : public QWidget {
  public:
    ModuleWindow(ModuleModel& model, bool print) : model_(model), print_(print) {
        setWindowTitle(QStringLiteral("Lumidex virtual module"));
        setWindowIcon(appIcon());
        unit_ = new QLabel(this);
        unit_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        display_ = new ModuleDisplay(this);
        status_ = new QLabel(this);
        status_->setWordWrap(true);
        status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* restart = new QPushButton(QStringLiteral("Restart"), this);
        restart->setObjectName(QStringLiteral("cmdRestart"));
        connect(restart, &QPushButton::clicked, this, [this] {
            model_.restart();
            lastUnderstood_ = "restart: the start-up state";
            lastIgnored_.clear();
            refresh();
        });
        auto* bottom = new QHBoxLayout;
        bottom->addWidget(status_, 1);
        bottom->addWidget(restart, 0, Qt::AlignTop);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(unit_);
        layout->addWidget(display_, 1);
        layout->addLayout(bottom);
        refresh();
    }

    void setListening(const QString& path) {
        path_ = path;
        refresh();
    }

    void frame(const DecodedFrame& frame) {
        const ModuleResponse response = model_.apply(frame);
        if (response.obeyed) {
            lastUnderstood_ = response.frame;
        }
        lastIgnored_ = joined(response.ignored);
        refresh();
        if (print_) {
            std::string line = screenLine(model_.screen());
            if (response.obeyed) {
                line += "  " + response.frame;
            }
            if (!response.ignored.empty()) {
                line += "  ignored: " + lastIgnored_;
            }
            line += '\n';
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fflush(stdout);
        }
    }

  private:
    void refresh() {
        QString unit = QStringLiteral("UID %1").arg(model_.uid());
        if (const auto baud = model_.configuredBaud()) {
            unit += QStringLiteral(", configured for %1 baud").arg(*baud);
        }
        if (!path_.isEmpty()) {
            unit += QStringLiteral("  \u2014  listening on ") + path_;
        }
        unit_->setText(unit);
        display_->setScreen(model_.screen());
        status_->setText(
            QStringLiteral("Last understood: %1\nIgnored: %2")
                .arg(lastUnderstood_.empty() ? QStringLiteral("nothing yet")
                                             : QString::fromStdString(lastUnderstood_),
                     lastIgnored_.empty() ? QStringLiteral("nothing")
                                          : QString::fromStdString(lastIgnored_)));
    }

    ModuleModel& model_;
    bool print_;
    QString path_;
    std::string lastUnderstood_;
    std::string lastIgnored_;
    QLabel* unit_;
    ModuleDisplay* display_;
    QLabel* status_;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    int uid = 255;
    bool print = false;
    const std::vector<ExtraOption> extra = {
        {QStringLiteral("--uid"), true,
         [&uid](const QString& value) -> std::optional<std::string> {
             const std::optional<int> n = wholeNumber(value);
             if (!n || *n > 255) {
                 return "unit identifier must be a whole number from 0 to 255: '" +
                        value.toStdString() + "'";
             }
             uid = *n;
             return std::nullopt;
         }},
        {QStringLiteral("--print"), false,
         [&print](const QString&) -> std::optional<std::string> {
             print = true;
             return std::nullopt;
         }},
    };
    LineOptions options;
    if (const auto exitCode = handleArguments(
            Program, UsageText, HelpText,
            [&extra] { return parseLineArguments(QCoreApplication::arguments(), extra); },
            options)) {
        return *exitCode;
    }

    loadWindowFont();
    QTimer stopPoll;
    quitOnStopSignals(stopPoll);

    ModuleModel model(static_cast<std::uint8_t>(uid));
    ModuleWindow window(model, print);
    FrameReader reader(options.idleMs, [&window](const DecodedFrame& frame) {
        window.frame(frame);
    });
    int exitCode = ExitOk;
    auto fail = [&exitCode](const std::string& message) {
        if (exitCode != ExitOk) {
            return;  // already ending; say it once
        }
        printError(Program, message);
        exitCode = ExitFailure;
        QCoreApplication::exit(ExitFailure);
    };

    LineInput line;
    try {
        line.open(
            options,
            [&reader](const std::uint8_t* data, std::size_t size) { reader.bytes(data, size); },
            fail);
    } catch (const std::runtime_error& e) {
        printError(Program, e.what());
        return ExitFailure;
    }
    window.setListening(line.path());
    window.show();

    app.exec();
    if (exitCode == ExitOk) {
        line.readPending();
    }
    reader.flush();
    return exitCode;
}
