#pragma once

#include "printer/console_out.h"

#include <QStringList>

#include <cstdio>
#include <unistd.h>

// Sends the process's standard output into a temporary file while it lives, so that a
// test can read the console lines written in between.
class StdoutCapture {
public:
    StdoutCapture() : file_(std::tmpfile()) {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        ::dup2(::fileno(file_), STDOUT_FILENO);
    }
    ~StdoutCapture() {
        restore();
        std::fclose(file_);
    }
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    // Everything written so far, one entry per line; ends the capture.
    QStringList lines() {
        restore();
        QByteArray text;
        std::rewind(file_);
        char buffer[512];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;)
            text.append(buffer, static_cast<int>(n));
        return QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    void restore() {
        if (saved_ < 0)
            return;
        consoleOut.flush();
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        saved_ = -1;
    }

    std::FILE *file_;
    int saved_ = -1;
};
