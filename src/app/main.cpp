#include "ui/mainwindow.h"
#include "ui/screen_scaling.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    enableScreenScaling();
    QApplication application(argc, argv);
    MainWindow window;
    window.show();
    return application.exec();
}
