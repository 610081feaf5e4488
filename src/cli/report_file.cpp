#include "report_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

namespace {

// A new file beside path, named after it and hidden, readable as any new file is.
int createBeside(const QByteArray &path, QByteArray *name) {
    const QFileInfo where(QFile::decodeName(path));
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = QFile::encodeName(where.dir().filePath(
            QStringLiteral(".%1.%2")
                .arg(where.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))));
        const int descriptor =
            ::open(name->constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    return -1;
}

bool writeAt(int descriptor, const QByteArray &bytes, qint64 offset) {
    for (qint64 written = 0; written < bytes.size();) {
        const ssize_t done = ::pwrite(descriptor, bytes.constData() + written,
                                      std::size_t(bytes.size() - written), off_t(offset + written));
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            return false;
        written += done;
    }
    return true;
}

} // namespace

ReportFile::~ReportFile() {
    for (Copy *copy : {&spare_, &published_})
        if (copy->descriptor >= 0)
            ::close(copy->descriptor);
    for (const QByteArray &name : {spareName_, firstName_})
        if (!name.isEmpty())
            ::unlink(name.constData());
}

bool ReportFile::open(const QString &path, const QByteArray &head, const QByteArray &tail,
                      QString *error) {
    path_ = QFile::encodeName(path);
    tail_ = tail;
    // Found out now rather than when the first version would take the folder's place.
    if (QFileInfo(path).isDir()) {
        errno = EISDIR;
        failed("");
        *error = error_;
        return false;
    }
    const QByteArray document = head + tail;
    spare_ = Copy{createBeside(path_, &spareName_), 0, head.size(), tail.size()};
    if (spare_.descriptor < 0 || !writeAt(spare_.descriptor, document, 0)) {
        failed("");
        *error = error_;
        return false;
    }
    published_ = Copy{createBeside(path_, &firstName_), 0, head.size(), tail.size()};
    // Whether this file system exchanges two names in one step, asked of the two copies,
    // which are alike: exchanged twice, each name is where it was.
    exchanging_ = exchangeWherePossible_ && published_.descriptor >= 0 &&
                  writeAt(published_.descriptor, document, 0) &&
                  ::renameat2(AT_FDCWD, firstName_.constData(), AT_FDCWD, spareName_.constData(),
                              RENAME_EXCHANGE) == 0 &&
                  ::renameat2(AT_FDCWD, firstName_.constData(), AT_FDCWD, spareName_.constData(),
                              RENAME_EXCHANGE) == 0;
    if (!exchanging_) {
        if (published_.descriptor >= 0)
            ::close(published_.descriptor);
        published_ = Copy{};
        ::unlink(firstName_.constData());
        firstName_.clear();
    }
    return true;
}

bool ReportFile::append(const QByteArray &entry, const QByteArray &tail) {
    ++entries_;
    recent_.push_back(entry);
    if (recent_.size() > 2)
        recent_.pop_front();
    tail_ = tail;
    return error_.isEmpty() && publish(false);
}

bool ReportFile::finish(const QByteArray &tail, QString *error) {
    tail_ = tail;
    if (error_.isEmpty() && publish(true)) {
        ::unlink(spareName_.constData());
        spareName_.clear();
        return true;
    }
    *error = error_;
    return false;
}

// Writes the entries the copy lacks and the tail at its end, the tail padded with blanks
// over whatever the copy's last tail took beyond it.
bool ReportFile::update(Copy &copy) {
    QByteArray bytes;
    for (auto entry = recent_.end() - (entries_ - copy.entries); entry != recent_.end(); ++entry)
        bytes += *entry;
    const qint64 entriesSize = bytes.size();
    bytes += tail_;
    if (bytes.size() < copy.tailSize)
        bytes += QByteArray(int(copy.tailSize - bytes.size()), ' ');
    if (!writeAt(copy.descriptor, bytes, copy.tailAt))
        return failed("writing");
    copy.entries = entries_;
    copy.tailAt += entriesSize;
    copy.tailSize = bytes.size() - entriesSize;
    return true;
}

bool ReportFile::publish(bool durable) {
    if (!exchanging_) {
        if (!update(spare_))
            return false;
        if (!durable && everPublished_ && !sincePublished_.hasExpired(1000))
            return true;
        return publishByCopy(durable);
    }
    if (!everPublished_) {
        if (!update(published_))
            return false;
        if (durable && ::fdatasync(published_.descriptor) != 0)
            return failed("writing");
        if (::rename(firstName_.constData(), path_.constData()) != 0)
            return failed("publishing");
        firstName_.clear();
        everPublished_ = true;
        return true;
    }
    if (!update(spare_))
        return false;
    if (durable && ::fdatasync(spare_.descriptor) != 0)
        return failed("writing");
    if (::renameat2(AT_FDCWD, spareName_.constData(), AT_FDCWD, path_.constData(),
                    RENAME_EXCHANGE) != 0)
        return failed("publishing");
    std::swap(spare_, published_);
    return true;
}

// The copy written whole into a new file that then takes the path's place.
bool ReportFile::publishByCopy(bool durable) {
    QByteArray name;
    const int target = createBeside(path_, &name);
    if (target < 0)
        return failed("publishing");
    off_t offset = 0;
    const off_t size = off_t(spare_.tailAt + spare_.tailSize);
    bool copied = true;
    while (copied && offset < size) {
        const ssize_t done =
            ::sendfile(target, spare_.descriptor, &offset, std::size_t(size - offset));
        copied = done > 0 || (done < 0 && errno == EINTR);
    }
    copied = copied && (!durable || ::fdatasync(target) == 0);
    const int saved = errno;
    ::close(target);
    if (!copied || ::rename(name.constData(), path_.constData()) != 0) {
        errno = copied ? errno : saved;
        failed("publishing");
        ::unlink(name.constData());
        return false;
    }
    everPublished_ = true;
    sincePublished_.start();
    return true;
}

bool ReportFile::failed(const char *what) {
    if (error_.isEmpty()) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        error_ = *what ? QStringLiteral("%1: %2").arg(QLatin1String(what), reason) : reason;
    }
    return false;
}
