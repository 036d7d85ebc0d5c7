#include "ui/toolkit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
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

// Dynamic properties: the mark of a widget exposed as text; while an
// announcement waits for the handler to return, the text it changed from; and
// the mark of a label whose text is being changed (see setAnnouncedText).
constexpr char kExposedAsText[] = "lumidexExposedAsText";
constexpr char kAnnouncedFrom[] = "lumidexAnnouncedFrom";
constexpr char kChanging[] = "lumidexChanging";

QString textOf(const QWidget* widget) {
    return widget->property("text").toString();
}

// Read-only text under a fixed name, with no caret or selection of its own.
class TextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit TextAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface && !widget()->property(kChanging).isValid()) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? textOf(widget()) : QAccessibleWidget::text(kind);
    }

    QString text(int start, int end) const override {
        const QString all = textOf(widget());
        if (end < 0 || end > all.size()) {
            end = int(all.size());
        }
        return start < 0 || start >= end ? QString() : all.mid(start, end - start);
    }
    int characterCount() const override { return int(textOf(widget()).size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }
};

AnnouncementWatch& announcementWatch() {
    static AnnouncementWatch watch;
    return watch;
}

QAccessibleInterface* textAccessibleFor(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget && widget->property(kExposedAsText).toBool()) {
        return new TextAccessible(widget);
    }
    return nullptr;
}

}  // namespace

void exposeAsText(QWidget* widget, const QString& name) {
    static const bool installed = [] {
        QAccessible::installFactory(textAccessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
    widget->setProperty(kExposedAsText, true);
    widget->setAccessibleName(name);
}

void announceTextChange(QWidget* widget, const QString& before) {
    if (widget->property(kAnnouncedFrom).isValid()) {
        return;
    }
    widget->setProperty(kAnnouncedFrom, before);
    // Queued on the widget: dropped if the widget goes first.
    QMetaObject::invokeMethod(
        widget,
        [widget] {
            if (widget->property(kChanging).isValid()) {
                // Lays the label's last text out while its text interface is
                // still withheld, then gives the interface back.
                widget->sizeHint();
                widget->setProperty(kChanging, QVariant());
            }
            const QString from = widget->property(kAnnouncedFrom).toString();
            widget->setProperty(kAnnouncedFrom, QVariant());
            QAccessibleTextUpdateEvent event(widget, 0, from, textOf(widget));
            if (announcementWatch()) {
                announcementWatch()(widget, event.textInserted());
            }
            QAccessible::updateAccessibility(&event);
        },
        Qt::QueuedConnection);
}

void watchAnnouncements(AnnouncementWatch watch) {
    announcementWatch() = std::move(watch);
}

// A label whose text can be selected reports each change itself, in pieces,
// with blanks for the text it removed, as it sets and as it lays out its
// text. Those reports need the label's text interface, so it is withheld
// from the first change a handler makes until the change is announced, once,
// whole. The label lays its text out once then (or when painted), not at
// every change: a frame's echo changes once a byte.
void setAnnouncedText(QLabel* label, const QString& text) {
    const QString before = label->text();
    if (text != before) {
        label->setProperty(kChanging, true);
        label->setText(text);
        announceTextChange(label, before);
    }
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
