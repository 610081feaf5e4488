#include "apdu_text.h"

namespace apdutext {

QStringList splitLines(const QString &text) {
    // Not with a regular expression: it matches nothing in text holding a lone
    // surrogate (a paste can bring one), which would send every line as one command.
    QStringList lines;
    int start = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) {
            lines.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    lines.append(text.mid(start));
    return lines;
}

QString fileText(const QByteArray &content) {
    QString text = QString::fromUtf8(content);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

QByteArray decodeLine(const QString &line) {
    // toLatin1 turns characters beyond Latin-1 into '?', which fromHex skips like any
    // other non-digit.
    return QByteArray::fromHex(line.toLatin1());
}

QString responseEntry(int lineIndex, const QByteArray &response) {
    return QStringLiteral("APDU Response %1: %2")
        .arg(lineIndex + 1)
        .arg(QString::fromLatin1(response.toHex().toUpper()));
}

QString joinEntries(const QStringList &entries) {
    return entries.join(QLatin1Char('\r'));
}

} // namespace apdutext
