#include "support/window.h"

#include <QLineEdit>
#include <QTabBar>
#include <QTest>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "protocol/frame.h"
#include "ui/tabbedpages.h"
#include "ui/toolkit.h"

namespace lumidex::test {

WindowDriver::WindowDriver(SerialPort& port, const QString& appDir) : appDir_(appDir) {
    if (appDir_.isEmpty()) {
        tempDir_ = std::make_unique<QTemporaryDir>();
        appDir_ = tempDir_->path() + "/";
    }
    settings_ = std::make_unique<modINI>(appDir_);
    settings_->Load();
    show(port, *settings_, readPortPins(*settings_));
}

WindowDriver::WindowDriver(SerialPort& port, const modINI& settings, const PortPins& pins) {
    show(port, settings, pins);
}

void WindowDriver::show(SerialPort& port, const modINI& settings, const PortPins& pins) {
    setMessageSink([this](const QString& text) { messages_ << text; });
    window_ = std::make_unique<frmMain>(port, settings, pins);
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) {
        qWarning("window was not exposed");
    }
}

WindowDriver::~WindowDriver() {
    window_.reset();
    setMessageSink({});
}

QString WindowDriver::text(const QString& name) const {
    QWidget* widget = get(name);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        return combo->currentText();
    }
    qFatal("control %s has no text", qPrintable(name));
}

void WindowDriver::showPage(int index) {
    auto* pages = get<TabbedPages>("SSTab1");
    QTabBar* tabs = pages->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
}

void WindowDriver::showPageOf(QWidget* widget) {
    auto* pages = get<TabbedPages>("SSTab1");
    for (int i = 0; i < pages->count(); ++i) {
        if (pages->page(i)->isAncestorOf(widget)) {
            showPage(i);
        }
    }
}

void WindowDriver::click(const QString& control) {
    auto* widget = get(control);
    showPageOf(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void WindowDriver::pick(const QString& name, int position) {
    auto* combo = list(name);
    showPageOf(combo);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < position; ++i) {
        QTest::keyClick(combo, Qt::Key_Down);
    }
}

void WindowDriver::setChecked(const QString& name, bool on) {
    auto* box = get<QCheckBox>(name);
    if (box->isChecked() != on) {
        click(name);
    }
}

void WindowDriver::typeText(const QString& name, const QString& text) {
    auto* edit = get<QLineEdit>(name);
    click(name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    // Key events carry any character, not only Latin-1 ones.
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

void WindowDriver::enter(const CommandRow& row) {
    // Picks only a list that shows another entry, which spares the keyboard
    // a walk through 256 entries to the one preset.
    const auto choose = [this](const QString& name, int position) {
        if (list(name)->currentIndex() != position) {
            pick(name, position);
        }
    };
    const std::vector<int>& in = row.inputs;
    if (!commandOf(row).toConfigUnit) {
        choose("cboUID", row.uid);
    }
    switch (commandOf(row).code) {
        case code::Text:
            typeText("txtASCII", QString::fromStdU32String(row.text));
            break;
        case code::Bcd:
            showPage(1);
            choose("cboBCDHi", in[0]);
            choose("cboBCDLo", in[1]);
            break;
        case code::Unsigned:
        case code::Signed:
            showPage(1);
            setChecked("Check1", in[0] != 0);
            choose("cboHighByte", in[1]);
            choose("cboLowByte", in[2]);
            break;
        case code::Segments:
            for (int digit = 4; digit >= 1; --digit) {
                for (int bit = 1; bit <= 128; bit <<= 1) {
                    setChecked(QStringLiteral("chkD%1_%2").arg(digit).arg(bit),
                               in[std::size_t(4 - digit)] & bit);
                }
            }
            break;
        case code::DecimalPoints:
            for (int bit = 1; bit <= 8; bit <<= 1) {
                setChecked(QStringLiteral("chkDP_%1").arg(bit), in[0] & bit);
            }
            break;
        case code::Brightness:
            break;
        case code::Save:
        case code::Recall:
            showPage(2);
            choose("cboMEM", in[0]);
            break;
        case code::Configure:
            showPage(4);
            choose("cboMBaud", in[0]);
            choose("cboMuid", in[1]);
            for (std::size_t i = 0; i < 4; ++i) {
                setChecked(QStringLiteral("chkDP4_%1").arg(i), in[2 + i] != 0);
            }
            break;
    }
}

QString WindowDriver::buttonOf(const CommandRow& row) {
    return QString::fromStdString(row.button);
}

void WindowDriver::send(const CommandRow& row) {
    enter(row);
    click(buttonOf(row));
}

QStringList WindowDriver::takeMessages() {
    QStringList taken;
    taken.swap(messages_);
    return taken;
}

void WindowDriver::close() {
    window_->close();
    window_.reset();
}

QString echoOf(const CommandRow& row) {
    return QString::fromStdString(row.wire) + ' ';
}

QString shownText(const QString& text, Qt::TextFormat format) {
    const bool rich =
        format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    return rich ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
}

QString hexOf(const std::vector<std::uint8_t>& bytes) {
    QString text;
    for (std::uint8_t byte : bytes) {
        text += QString::fromStdString(lumidex::echoOf(byte));
    }
    return text;
}

}  // namespace lumidex::test
