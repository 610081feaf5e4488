#pragma once

#include <QTextStream>

// Standard output for the printer code's console lines, each written whole and
// followed by Qt::endl (newline and flush). Exists before main runs.
extern QTextStream consoleOut;
