// The start-up benchmark's yardstick: a plain Qt Widgets window of the program's size and nothing else,
// reporting its first frame exactly as the program does. With --text it shows one line of text as well,
// which tells what drawing any text at all costs a start (the font configuration read, a face loaded).
#include "app/FirstPaintReport.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("empty window"));
    window.setFixedSize(1284, 702); // the main window's size
    if (QCoreApplication::arguments().contains(QStringLiteral("--text"))) {
        auto* line = new QLabel(QStringLiteral("Connected to the simulated device"), &window);
        line->move(20, 20);
    }
    CFirstPaintReport::InstallIfAsked(window);
    window.show();
    return application.exec();
}
