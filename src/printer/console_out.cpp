#include "console_out.h"

#include <cstdio>

QTextStream consoleOut(stdout, QIODevice::ReadWrite);
