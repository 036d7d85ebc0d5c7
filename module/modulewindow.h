// The virtual module's window: where it listens, the four digits, a status
// line with the last frame understood and anything ignored, and a Restart
// button that power-cycles the module.
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

#include "module/moduledisplay.h"
#include "module/modulemodel.h"
#include "protocol/decoder.h"

namespace lumidex {

class ModuleWindow : public QWidget {
  public:
    // Receives a line of text to print.
    using PrintFn = std::function<void(const std::string& line)>;

    // With `print`, each frame and each restart also prints the screen line.
    ModuleWindow(ModuleModel& model, PrintFn print);

    void setListening(const QString& path);
    // Hands one frame to the module and shows the result.
    void frame(const DecodedFrame& frame);

  private:
    void refresh();
    // With --print: the screen line, then `notes`.
    void printScreen(const std::string& notes);

    ModuleModel& model_;
    PrintFn print_;
    QString path_;
    std::string lastUnderstood_;
    std::string lastIgnored_;
    QLabel* unit_;
    ModuleDisplay* display_;
    QLabel* status_;
};

}  // namespace lumidex
