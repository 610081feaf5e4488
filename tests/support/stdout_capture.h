#pragma once

#include <QString>

// Sends the process's standard output (file descriptor 1, any thread) to a scratch
// file while it exists. On destruction the captured text is passed on to the real
// standard output, so that nothing the test log wrote meanwhile is lost.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    // Everything written so far.
    QString text() const;

private:
    int saved_ = -1;
    int file_ = -1;
};
