#include "hostile_atr_list.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace hostilelist {

namespace {

const char *const catastrophicLines[] = {
    "(.+)+(?!)",     "3B (.*)*(.*)*(.*)* FF", "(3B|3B )+(?!)",  "([0-9A-F ]+)+X",
    "(.?){40}.{40}", "3B 81 (.+ )+(?=Z)",     "(?:(?:.)*)*\\d", "((.)\\2?)+$(?<!.)",
};

// In the list's syntax, as costly as it gets for a 6-byte ATR: short enough to be tried
// token by token over every position, each needing a last byte no virtual card has.
const char *const costlyLines[] = {
    "3B.*8.*1.*8.*0.*0.*1.*8.*0.*8.*0.*E",
    "[0-9A-F].*[0-9].*[A-F].*[^ ].*[0-9A-F].*..*[0-9A-F].*[^ ].*EE",
    ".*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.*.* .*EE",
};

} // namespace

QByteArray catastrophicEntries(int count) {
    QByteArray list;
    for (int i = 0; i < count; ++i)
        list += QByteArray(catastrophicLines[i % std::size(catastrophicLines)]) +
                "\n\tcatastrophic " + QByteArray::number(i) + "\n\n";
    return list;
}

QByteArray hostileList(int bytes, const QByteArray &entries) {
    QByteArray list = catastrophicEntries(4000);
    for (int i = 0; list.size() < bytes; ++i) {
        QByteArray line = costlyLines[i % std::size(costlyLines)];
        // Long lines as well as many: one in eight is made a few hundred tokens long.
        if (i % 8 == 0)
            line = QByteArray("3B ") + QByteArray(".*. ").repeated(150) + "EE";
        list += line + "\n\tcostly " + QByteArray::number(i) + "\n\n";
    }
    return list + entries;
}

bool makeListFile(const QString &path, const QString &kind) {
    const QByteArray name = QFile::encodeName(path);
    if (kind == QLatin1String("fifo"))
        return ::mkfifo(name.constData(), 0600) == 0;
    if (kind == QLatin1String("device"))
        return QFile::link(QStringLiteral("/dev/zero"), path);
    if (kind == QLatin1String("folder"))
        return QDir().mkdir(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (kind == QLatin1String("huge"))
        return file.resize(qint64(1) << 30);
    return kind == QLatin1String("empty");
}

} // namespace hostilelist
