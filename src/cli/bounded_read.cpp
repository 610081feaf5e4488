#include "bounded_read.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 firstChunk = 64 * 1024;

} // namespace

BoundedRead::BoundedRead(const QString &path, qint64 limit) {
    if (path == QLatin1String("-")) {
        readFrom(STDIN_FILENO, limit);
        return;
    }
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        failure_ = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    readFrom(descriptor, limit);
    ::close(descriptor);
}

void BoundedRead::readFrom(int descriptor, qint64 limit) {
    qint64 filled = 0;
    content_.resize(int(std::min(firstChunk, limit + 1)));
    for (;;) {
        if (filled == content_.size()) {
            if (filled > limit) {
                content_.clear();
                end_ = End::TooLarge;
                return;
            }
            content_.resize(int(std::min<qint64>(2 * filled, limit + 1)));
        }
        const ssize_t got =
            ::read(descriptor, content_.data() + filled, std::size_t(content_.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            failure_ = QString::fromLocal8Bit(std::strerror(errno));
            content_.clear();
            return;
        }
        if (got == 0)
            break;
        filled += got;
    }
    content_.resize(int(filled));
    end_ = End::Whole;
}
