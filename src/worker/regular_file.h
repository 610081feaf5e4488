#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <ctime>

// Which version of a file: a file replaced, rewritten or touched gives another.
struct FileVersion {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileVersion &other) const;
    bool operator!=(const FileVersion &other) const { return !(*this == other); }
};

// A file that may be read only when it is a regular one of bounded size. It is opened
// without blocking (a FIFO, or a device that waits, would hold the reader for good), and
// its kind and size are those of the file opened, not of whatever the path named a
// moment before.
class RegularFile {
public:
    RegularFile(const QString &path, qint64 sizeLimit);
    ~RegularFile();
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    // Empty when the file is a regular one, not empty and within the limit; otherwise
    // why it is passed over.
    const QString &failure() const { return failure_; }
    const FileVersion &version() const { return version_; }

    // Its content; false with failure() set when it cannot be read or has grown past
    // the limit since it was opened. Never holds more than the limit and one byte.
    bool read(QByteArray *content);

private:
    int descriptor_ = -1;
    qint64 sizeLimit_;
    FileVersion version_;
    QString failure_;
};
