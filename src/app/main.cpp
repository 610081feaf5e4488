#include "ui/mainwindow.h"
#include "ui/screen_scaling.h"
#include "ui/worker_threads.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[]) {
    enableScreenScaling();
    QApplication application(argc, argv);
    int result;
    {
        MainWindow window;
        window.show();
        result = application.exec();
    }
    // The window waited for its workers; one still running is stuck in a call to the
    // card that cannot be cut short. Returning would destroy the application and the
    // program's statics under it, so the process ends here instead.
    if (workerThreadsRunning()) {
        std::fputs("quorvane: a card worker is still busy with the card; leaving without it\n",
                   stderr);
        std::fflush(stdout);
        std::_Exit(EXIT_FAILURE);
    }
    return result;
}
