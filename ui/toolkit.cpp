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

void DropDownList::AddItems(const QStringList& texts, const QList<int>& values) {
    const QSignalBlocker quiet(this);
    const int before = currentIndex();
    const int first = count();
    addItems(texts);
    for (int i = 0; i < values.size(); ++i) {
        setItemData(first + i, values[i]);
    }
    // A pick-only combo box selects its first entry by itself; keep "no entry
    // picked" until something picks one.
    setCurrentIndex(before);
}

int DropDownList::Value() const {
    return currentIndex() < 0 ? -1 : currentData().toInt();
}

void DropDownList::selectValue(int value) {
    const int position = findData(value);
    if (position < 0) {
        throw std::out_of_range(objectName().toStdString() + " has no entry for " +
                                std::to_string(value));
    }
    setListIndex(position);
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
