#include "module/modulewindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/pictures.h"
#include "ui/toolkit.h"

namespace lumidex {

namespace {

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) {
        out += (out.empty() ? "" : "; ") + item;
    }
    return out;
}

}  // namespace

ModuleWindow::ModuleWindow(ModuleModel& model, PrintFn print)
    : model_(model), print_(std::move(print)) {
    setWindowTitle(QStringLiteral("Lumidex virtual module"));
    setWindowIcon(appIcon());
    unit_ = new QLabel(this);
    unit_->setObjectName(QStringLiteral("lblUnit"));
    // The unit line names the device path and the status line quotes bytes
    // from the line: plain text, never markup.
    unit_->setTextFormat(Qt::PlainText);
    unit_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    display_ = new ModuleDisplay(this);
    display_->setObjectName(QStringLiteral("display"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblStatus"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    exposeAsText(status_, QStringLiteral("Status"));
    auto* restart = new QPushButton(QStringLiteral("Restart"), this);
    restart->setObjectName(QStringLiteral("cmdRestart"));
    connect(restart, &QPushButton::clicked, this, [this] {
        model_.restart();
        lastUnderstood_ = "restart: the start-up state";
        lastIgnored_.clear();
        refresh();
        printScreen("  " + lastUnderstood_);
    });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(restart, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(unit_);
    layout->addWidget(display_, 1);
    layout->addLayout(bottom);
    resize(520, 270);
    refresh();
}

void ModuleWindow::setListening(const QString& path) {
    path_ = path;
    refresh();
}

void ModuleWindow::frame(const DecodedFrame& frame) {
    const ModuleResponse response = model_.apply(frame);
    if (response.obeyed) {
        lastUnderstood_ = response.frame;
    }
    lastIgnored_ = joined(response.ignored);
    refresh();
    std::string notes;
    if (response.obeyed) {
        notes += "  " + response.frame;
    }
    if (!response.ignored.empty()) {
        notes += "  ignored: " + lastIgnored_;
    }
    printScreen(notes);
}

void ModuleWindow::printScreen(const std::string& notes) {
    if (print_) {
        print_(screenLine(model_.screen()) + notes + '\n');
    }
}

void ModuleWindow::refresh() {
    QString unit = QStringLiteral("UID %1").arg(model_.uid());
    if (const auto baud = model_.configuredBaud()) {
        unit += QStringLiteral(", configured for %1 baud").arg(*baud);
    }
    if (!path_.isEmpty()) {
        unit += QStringLiteral("  \u2014  listening on ") + path_;
    }
    unit_->setText(unit);
    display_->setScreen(model_.screen());
    setAnnouncedText(status_,
                     QStringLiteral("Last understood: %1\nIgnored: %2")
                         .arg(lastUnderstood_.empty() ? QStringLiteral("nothing yet")
                                                      : QString::fromStdString(lastUnderstood_),
                              lastIgnored_.empty() ? QStringLiteral("nothing")
                                                   : QString::fromStdString(lastIgnored_)));
}

}  // namespace lumidex
