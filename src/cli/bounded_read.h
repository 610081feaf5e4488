#pragma once

#include <QByteArray>
#include <QString>

// Reads a file or a stream (a pipe, a terminal, a device) to its end, never holding more
// than limit bytes and one: an endless stream such as /dev/zero ends the read once it
// has given more than the limit.
class BoundedRead {
public:
    enum class End { Whole, TooLarge, Failed };

    // "-" reads standard input.
    BoundedRead(const QString &path, qint64 limit);

    End end() const { return end_; }
    const QByteArray &content() const { return content_; } // for Whole
    const QString &failure() const { return failure_; }    // for Failed

private:
    void readFrom(int descriptor, qint64 limit);

    End end_ = End::Failed;
    QByteArray content_;
    QString failure_;
};
