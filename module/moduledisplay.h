// The virtual module's four digits, red on black, scaled to the widget.
#pragma once

#include <QWidget>

#include "module/modulemodel.h"

namespace lumidex {

class ModuleDisplay : public QWidget {
  public:
    explicit ModuleDisplay(QWidget* parent = nullptr);

    void setScreen(const ModuleScreen& screen);
    const ModuleScreen& screen() const { return screen_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ModuleScreen screen_;
};

}  // namespace lumidex
