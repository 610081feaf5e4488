#include "regular_file.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool FileVersion::operator==(const FileVersion &other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

namespace {

QString systemError(int number) {
    return QString::fromLocal8Bit(std::strerror(number));
}

} // namespace

RegularFile::RegularFile(const QString &path, qint64 sizeLimit) : sizeLimit_(sizeLimit) {
    descriptor_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor_ < 0) {
        failure_ = systemError(errno);
        return;
    }
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
        failure_ = systemError(errno);
        return;
    }
    version_ = {status.st_dev, status.st_ino, status.st_size, status.st_mtim};
    if (!S_ISREG(status.st_mode))
        failure_ = QStringLiteral("not a regular file");
    else if (status.st_size == 0)
        failure_ = QStringLiteral("empty");
    else if (status.st_size > sizeLimit)
        failure_ = QStringLiteral("larger than %1 bytes").arg(sizeLimit);
}

RegularFile::~RegularFile() {
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

bool RegularFile::read(QByteArray *content) {
    if (!failure_.isEmpty())
        return false;
    content->resize(int(version_.size + 1));
    qint64 filled = 0;
    while (filled < content->size()) {
        const ssize_t got =
            ::read(descriptor_, content->data() + filled, std::size_t(content->size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            failure_ = systemError(errno);
            return false;
        }
        if (got == 0)
            break;
        filled += got;
        if (filled > sizeLimit_) {
            failure_ = QStringLiteral("larger than %1 bytes").arg(sizeLimit_);
            return false;
        }
        if (filled == content->size())
            content->resize(int(std::min<qint64>(sizeLimit_ + 1, content->size() * 2)));
    }
    content->resize(int(filled));
    if (filled == 0)
        failure_ = QStringLiteral("empty");
    return filled > 0;
}
