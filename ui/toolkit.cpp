#include "ui/toolkit.h"

#include <QMessageBox>
#include <QSignalBlocker>
#include <QTextDocument>
#include <stdexcept>
#include <utility>

namespace lumidex {

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setMaxVisibleItems(16);
    connect(this, &QComboBox::activated, this, [this](int) { emit Click(); });
}

void DropDownList::AddItem(const QString& text) {
    AddItems({text});
}

void DropDownList::AddItems(const QStringList& texts) {
    const QSignalBlocker quiet(this);
    const int before = currentIndex();
    addItems(texts);
    // A pick-only combo box selects its first entry by itself; keep "no entry
    // picked" until something picks one.
    setCurrentIndex(before);
}

void DropDownList::setListIndex(int position) {
    if (position < 0 || position >= count()) {
        throw std::out_of_range(objectName().toStdString() + " has no entry at position " +
                                std::to_string(position));
    }
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(position);
    }
    emit Click();
}

void DropDownList::showPopup() {
    emit PopupAboutToShow();
    QComboBox::showPopup();
}

namespace {
MessageSink& messageSink() {
    static MessageSink sink;
    return sink;
}
}  // namespace

void setMessageSink(MessageSink sink) {
    messageSink() = std::move(sink);
}

void showMessage(QWidget* parent, const QString& text) {
    if (messageSink()) {
        messageSink()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("LumidexApp"), text, QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString plainToolTip(const QString& text) {
    return Qt::convertFromPlainText(text);
}

}  // namespace lumidex
