#include "screen_scaling.h"

#include <QCoreApplication>

void enableScreenScaling() {
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
}
