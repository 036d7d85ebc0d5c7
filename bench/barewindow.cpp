// Yardsticks for start-up time: a bare Qt window of the operator window's
// size, shown and left running until told to stop. Options add, before the
// window is shown, what a window with captions costs:
//   --label          one line of text in a QLabel (all of the below);
//   --text           only measuring a caption, which loads the fonts;
//   --accessibility  only starting Qt's accessibility bridge, which the first
//                    caption set on any widget does.
#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize((9120 + 7) / 15, (6735 + 7) / 15);
    const QString caption = QStringLiteral("Communication Port Settings");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--label") == 0) {
            (new QLabel(caption, &window))->move(32, 24);
        } else if (std::strcmp(argv[i], "--text") == 0) {
            QFontMetrics(window.font()).horizontalAdvance(caption);
        } else if (std::strcmp(argv[i], "--accessibility") == 0) {
            QAccessible::isActive();
        }
    }
    window.show();
    return app.exec();
}
