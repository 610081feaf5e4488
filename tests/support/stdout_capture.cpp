#include "stdout_capture.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

static QByteArray readAll(int fd) {
    QByteArray content;
    char buffer[4096];
    ssize_t got;
    for (off_t offset = 0; (got = pread(fd, buffer, sizeof buffer, offset)) > 0; offset += got)
        content.append(buffer, int(got));
    return content;
}

StdoutCapture::StdoutCapture() {
    char path[] = "/tmp/quorvane-stdout-XXXXXX";
    file_ = mkstemp(path);
    if (file_ < 0)
        return;
    unlink(path);
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    dup2(file_, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() {
    if (file_ < 0)
        return;
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    const QByteArray content = readAll(file_);
    close(file_);
    std::fwrite(content.constData(), 1, size_t(content.size()), stdout);
    std::fflush(stdout);
}

QString StdoutCapture::text() const {
    if (file_ < 0)
        return {};
    std::fflush(stdout);
    return QString::fromUtf8(readAll(file_));
}
