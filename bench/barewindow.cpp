// Yardsticks for start-up time: a bare Qt window of the operator window's
// size, or with --label the same window holding one line of text (the least
// a window with captions costs). Shown and left running until told to stop.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize((9120 + 7) / 15, (6735 + 7) / 15);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0) {
        (new QLabel(QStringLiteral("Communication Port Settings"), &window))->move(32, 24);
    }
    window.show();
    return app.exec();
}
