// The small window-toolkit layer the handlers rely on: pick-only selection
// lists whose selection handler runs for code and operator alike, twips
// geometry, text a screen reader reads and hears change, and the one place
// message boxes are shown.
#pragma once

#include <QComboBox>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class QLabel;
class QWidget;

namespace lumidex {

// Twips (1/1440 inch) to device-independent pixels: 15 twips a pixel at 96 dpi.
// Qt scales device-independent pixels on other screens.
constexpr int twips(int value) {
    return (value + 7) / 15;
}
inline QRect twipsRect(int left, int top, int width, int height) {
    return {twips(left), twips(top), twips(width), twips(height)};
}

// A drop-down list the operator can only pick from (typed keys jump to the
// matching entry). Each entry carries the value it stands for as its item
// data, so handlers read values, not positions. Click() is emitted when an
// entry is picked by the operator and when code assigns the position with
// setListIndex, before it returns. Appending entries emits nothing.
class DropDownList : public QComboBox {
    Q_OBJECT
  public:
    explicit DropDownList(QWidget* parent = nullptr);

    // Appends entries showing `texts` and standing for `values`, in one step
    // rather than a model update per entry.
    void AddItems(const QStringList& texts, const QList<int>& values);
    int ListIndex() const { return currentIndex(); }
    // Picks the entry at `position` and runs the selection handler. A position
    // that does not exist is refused with std::out_of_range.
    void setListIndex(int position);
    // The value of the picked entry; -1 when none is picked, a value every
    // encoder refuses.
    int Value() const;
    // Picks the entry standing for `value`, as setListIndex does.
    void selectValue(int value);

    void showPopup() override;

  signals:
    void Click();
    // The entries are about to be shown: a chance to refresh what they say.
    void PopupAboutToShow();
};

// Has assistive technology read `widget` as text: `name` is its accessible
// name and its text is the widget's "text" property (a label's text). Call it
// before the widget is given its text: a label reports its text as it gets
// it, and Qt keeps the first accessible interface it makes for a widget.
void exposeAsText(QWidget* widget, const QString& name);

// Tells assistive technology that the text of a widget exposed as text has
// changed from `before`, so a screen reader can announce it. Changes made
// within one handler make one announcement, once the handler has returned:
// a frame echoed byte by byte is announced once, as a whole.
void announceTextChange(QWidget* widget, const QString& before);

// Shows `text` in `label` and, when that changes what it showed, announces it
// (a label exposed as text).
void setAnnouncedText(QLabel* label, const QString& text);

// Also hands each announcement to `watch` (for tests: Qt drops accessibility
// events where no platform layer listens, as offscreen); an empty function
// stops.
using AnnouncementWatch = std::function<void(QWidget* widget, const QString& text)>;
void watchAnnouncements(AnnouncementWatch watch);

// Shows a modal message box: one OK button, no icon, title "LumidexApp". The
// text is shown as plain text: messages quote file paths, device names and
// the system's reasons, which are never markup.
void showMessage(QWidget* parent, const QString& text);

// A tooltip that shows `text` exactly as it stands. Qt draws a tooltip as rich
// text whenever it looks like markup, so the text is escaped and marked up as
// one preformatted paragraph.
QString plainToolTip(const QString& text);

// Replaces the message box (for tests, and once nobody may be there to click
// one); an empty function restores it.
using MessageSink = std::function<void(const QString& text)>;
void setMessageSink(MessageSink sink);

}  // namespace lumidex
