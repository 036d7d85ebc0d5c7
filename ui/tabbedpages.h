// A row of tabs over pages whose controls are placed relative to the whole
// control, tab strip included, so a page's coordinates match the control's.
#pragma once

#include <QWidget>

class QFrame;
class QStackedWidget;
class QTabBar;

namespace lumidex {

class TabbedPages : public QWidget {
    Q_OBJECT
  public:
    explicit TabbedPages(QWidget* parent = nullptr);

    // Adds a page with a tab captioned `caption`; returns the page to place
    // controls on. The page covers the whole control.
    QWidget* addPage(const QString& caption);

    int count() const;
    int currentIndex() const;
    void setCurrentIndex(int index);
    QWidget* page(int index) const;
    QTabBar* tabBar() const { return tabs_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void arrange();

    QFrame* frame_;
    QStackedWidget* pages_;
    QTabBar* tabs_;
};

}  // namespace lumidex
