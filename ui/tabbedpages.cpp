#include "ui/tabbedpages.h"

#include <QFrame>
#include <QStackedWidget>
#include <QTabBar>

namespace lumidex {

TabbedPages::TabbedPages(QWidget* parent)
    : QWidget(parent),
      frame_(new QFrame(this)),
      pages_(new QStackedWidget(this)),
      tabs_(new QTabBar(this)) {
    frame_->setFrameShape(QFrame::StyledPanel);
    tabs_->setExpanding(true);
    tabs_->setUsesScrollButtons(false);
    tabs_->setDrawBase(false);
    tabs_->setElideMode(Qt::ElideNone);
    tabs_->setObjectName(QStringLiteral("tabs"));
    // The tab strip lies over the top of the pages; page controls start below it.
    tabs_->raise();
    connect(tabs_, &QTabBar::currentChanged, pages_, &QStackedWidget::setCurrentIndex);
}

QWidget* TabbedPages::addPage(const QString& caption) {
    auto* page = new QWidget;
    pages_->addWidget(page);
    tabs_->addTab(caption);
    arrange();
    return page;
}

int TabbedPages::count() const {
    return tabs_->count();
}
int TabbedPages::currentIndex() const {
    return tabs_->currentIndex();
}
void TabbedPages::setCurrentIndex(int index) {
    tabs_->setCurrentIndex(index);
}
QWidget* TabbedPages::page(int index) const {
    return pages_->widget(index);
}

void TabbedPages::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

void TabbedPages::arrange() {
    const int tabHeight = tabs_->sizeHint().height();
    tabs_->setGeometry(0, 0, width(), tabHeight);
    frame_->setGeometry(0, tabHeight - 1, width(), height() - tabHeight + 1);
    pages_->setGeometry(0, 0, width(), height());
}

}  // namespace lumidex
