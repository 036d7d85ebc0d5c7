// Drives the real window the way an operator does: clicks tabs, buttons and
// check boxes, picks list entries with the keyboard, and records message boxes
// instead of showing them.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "settings/modini.h"
#include "settings/portpins.h"
#include "support/commandrows.h"
#include "ui/frmmain.h"

namespace lumidex::test {

class WindowDriver {
  public:
    // Shows a window on `port` with its settings file in `appDir` (a fresh
    // temporary directory when empty), read as the program's start-up reads it.
    explicit WindowDriver(SerialPort& port, const QString& appDir = QString());
    // Shows a window on `port` with settings a test read itself.
    WindowDriver(SerialPort& port, const modINI& settings, const PortPins& pins);
    ~WindowDriver();

    frmMain& window() { return *window_; }
    QString appDir() const { return appDir_; }

    template <typename W = QWidget>
    W* get(const QString& name) const {
        W* widget = window_->findChild<W*>(name);
        if (!widget) {
            qFatal("no control named %s", qPrintable(name));
        }
        return widget;
    }
    QString text(const QString& name) const;
    QComboBox* list(const QString& name) const { return get<QComboBox>(name); }

    // Brings the page holding `control` to the front by clicking its tab, if
    // it is on a page; then clicks it. A disabled control ignores the click.
    void click(const QString& control);
    // Brings the page holding `list` to the front, if it is on a page; then
    // picks the entry at `position` with the keyboard (Home, then Down).
    void pick(const QString& list, int position);
    void setChecked(const QString& box, bool on);
    void typeText(const QString& box, const QString& text);
    void showPage(int index);

    // Sets the row's inputs on the controls its button reads (and the UID
    // selector, except for a configuration), whatever they showed before.
    void enter(const CommandRow& row);
    // The button that sends the row's command.
    static QString buttonOf(const CommandRow& row);
    // Enters the row and clicks its button.
    void send(const CommandRow& row);

    // Message boxes shown since the last call.
    QStringList takeMessages();

    // Closes the window (writes the settings file) and forgets it.
    void close();

  private:
    void show(SerialPort& port, const modINI& settings, const PortPins& pins);
    void showPageOf(QWidget* widget);

    std::unique_ptr<QTemporaryDir> tempDir_;
    QString appDir_;
    std::unique_ptr<modINI> settings_;
    std::unique_ptr<frmMain> window_;
    QStringList messages_;
};

// "FF 6E " for {0xFF, 0x6E}.
QString hexOf(const std::vector<std::uint8_t>& bytes);

// The echo the row's frame leaves: "FF 6E ".
QString echoOf(const CommandRow& row);

// What a reader sees of `text` shown in `format` (a tooltip's is AutoText):
// rich text's markup is drawn, not shown.
QString shownText(const QString& text, Qt::TextFormat format = Qt::AutoText);

}  // namespace lumidex::test
