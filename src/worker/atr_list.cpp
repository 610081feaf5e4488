#include "atr_list.h"

#include <QIODevice>
#include <QTextStream>

QString atrHex(const QByteArray &atr) {
    return QString::fromLatin1(atr.toHex().toUpper());
}

static bool isPatternLine(const QString &line) {
    return !line.isEmpty() && !line.startsWith(QLatin1Char('\t')) &&
           !line.startsWith(QLatin1Char('#')) && !line.startsWith(QLatin1Char('$'));
}

static QString patternHex(const QString &line) {
    return line.simplified().remove(QLatin1Char(' '));
}

QStringList atrIdentificationTexts(QIODevice *list, const QString &atrHex) {
    QTextStream stream(list);
    // The list is UTF-8 whatever the locale says.
    stream.setCodec("UTF-8");
    while (!stream.atEnd()) {
        const QString line = stream.readLine();
        if (!isPatternLine(line) || patternHex(line) != atrHex)
            continue;
        QStringList texts;
        QString text = QStringLiteral("ATR: ") + atrHex;
        while (!stream.atEnd()) {
            const QString description = stream.readLine();
            if (!description.startsWith(QLatin1Char('\t')))
                break;
            text += QLatin1Char('\n') + description.trimmed();
            texts.append(text);
        }
        return texts;
    }
    return {};
}
