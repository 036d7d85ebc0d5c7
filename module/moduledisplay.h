// The virtual module's four digits, red on black, scaled to the widget; read
// by assistive technology as text ("21.5°, bright"), announced as it changes.
#pragma once

#include <QWidget>

#include "module/modulemodel.h"

namespace lumidex {

class ModuleDisplay : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text)
  public:
    explicit ModuleDisplay(QWidget* parent = nullptr);

    void setScreen(const ModuleScreen& screen);
    const ModuleScreen& screen() const { return screen_; }
    QString text() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ModuleScreen screen_;
};

}  // namespace lumidex
