#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <deque>

// A JSON document on disk that grows by one entry at a time between a fixed head and a
// tail that changes: the run's report. Each update costs the same however long the
// document has grown, and the document at the path is whole at every moment, for a
// reader and after a kill -9 alike:
//
// Two copies are kept beside the path, in the same folder. An update is written into the
// copy that is not at the path (the entries it lacks and the new tail, in place, at its
// end), which is then exchanged with the one at the path in one step (renameat2 with
// RENAME_EXCHANGE). The other copy, one entry behind, takes the next update. Where the
// file system cannot exchange, the copy is published by writing it whole through a
// temporary file and a rename, at most once a second and at the end.
class ReportFile {
public:
    // exchange: false publishes by copying even where the file system could exchange.
    explicit ReportFile(bool exchange = true) : exchangeWherePossible_(exchange) {}
    ~ReportFile(); // the path keeps the last version published; the copy beside it goes
    ReportFile(const ReportFile &) = delete;
    ReportFile &operator=(const ReportFile &) = delete;

    // Makes the copies beside path with the document head + tail; nothing is at the path
    // yet. False with *error when they cannot be made there.
    bool open(const QString &path, const QByteArray &head, const QByteArray &tail, QString *error);
    // Adds an entry and sets the tail; false once a write has failed.
    bool append(const QByteArray &entry, const QByteArray &tail);
    // Publishes the last version with this tail and makes it durable; false with *error
    // when it or any update before it failed.
    bool finish(const QByteArray &tail, QString *error);

private:
    struct Copy {
        int descriptor = -1;
        int entries = 0;     // how many it holds
        qint64 tailAt = 0;   // where its tail begins
        qint64 tailSize = 0; // its tail, padded with blanks past the last tail's end
    };

    bool update(Copy &copy);
    bool publish(bool durable);
    bool publishByCopy(bool durable);
    bool failed(const char *what);

    QByteArray path_;
    // The copy updates are written into, beside the path. While exchanging, the other copy
    // waits beside it as well until it is published the first time.
    QByteArray spareName_;
    QByteArray firstName_;
    Copy spare_;
    Copy published_; // while exchanging
    bool exchangeWherePossible_;
    bool exchanging_ = false;
    bool everPublished_ = false;
    int entries_ = 0;
    std::deque<QByteArray> recent_; // the last entries, for the copy one behind
    QByteArray tail_;
    QElapsedTimer sincePublished_;
    QString error_;
};
