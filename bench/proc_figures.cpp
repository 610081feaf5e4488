#include "proc_figures.h"

#include <QFile>
#include <QStringList>

#include <unistd.h>

std::optional<double> pcscdCpuMs() {
    QFile pidFile(QStringLiteral("/run/pcscd/pcscd.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return std::nullopt;
    // pcscd ends the number with a NUL byte.
    const qint64 pid = QByteArray(pidFile.readAll().constData()).trimmed().toLongLong();
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The command name may hold spaces; the fields after it are fixed: utime and stime
    // are the 12th and 13th after the closing parenthesis.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    const double ticks = fields[11].toDouble() + fields[12].toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

std::optional<double> peakResidentMiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return std::nullopt;
}
