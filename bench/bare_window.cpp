// The floor for start-up time and memory: the toolkit's main window, empty, and
// nothing else.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.show();
    return application.exec();
}
