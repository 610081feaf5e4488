#include "atr_list.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>

QString atrHex(const QByteArray &atr) {
    return QString::fromLatin1(atr.toHex().toUpper());
}

static QStringList readLines(QIODevice *list) {
    QTextStream stream(list);
    // The list is UTF-8 whatever the locale says.
    stream.setCodec("UTF-8");
    QStringList lines;
    while (!stream.atEnd())
        lines.append(stream.readLine());
    return lines;
}

static bool isPatternLine(const QString &line) {
    return !line.isEmpty() && !line.startsWith(QLatin1Char('\t')) &&
           !line.startsWith(QLatin1Char('#')) && !line.startsWith(QLatin1Char('$'));
}

static bool isExactPattern(const QString &line) {
    static const QString hexDigits = QStringLiteral("0123456789ABCDEFabcdef");
    return std::all_of(line.cbegin(), line.cend(),
                       [](QChar c) { return c.isSpace() || hexDigits.contains(c); });
}

static QString exactHex(const QString &line) {
    return line.simplified().remove(QLatin1Char(' '));
}

// The form pcsc-tools matches its expressions against: "3B 81 80 01 80 80".
static QString spacedAtr(const QString &atrHex) {
    QString spaced;
    for (int i = 0; i < atrHex.size(); i += 2) {
        if (i > 0)
            spaced += QLatin1Char(' ');
        spaced += atrHex.midRef(i, 2);
    }
    return spaced;
}

// pcsc-tools matches each line as a Perl expression against the whole ATR, ignoring
// case. The spacing is made as lenient as that of exact entries.
static bool patternMatches(const QString &line, const QString &spacedAtr) {
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(line.simplified()),
                                     QRegularExpression::CaseInsensitiveOption);
    return pattern.isValid() && pattern.match(spacedAtr).hasMatch();
}

static QStringList growingTexts(const QStringList &lines, int firstDescription,
                                const QString &atrHex) {
    QStringList texts;
    QString text = QStringLiteral("ATR: ") + atrHex;
    for (int i = firstDescription; i < lines.size() && lines[i].startsWith(QLatin1Char('\t'));
         ++i) {
        text += QLatin1Char('\n') + lines[i].trimmed();
        texts.append(text);
    }
    return texts;
}

QStringList atrIdentificationTexts(QIODevice *list, const QString &atrHex) {
    const QStringList lines = readLines(list);
    const QString spaced = spacedAtr(atrHex);
    int patternEntry = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        if (!isPatternLine(line))
            continue;
        if (isExactPattern(line)) {
            if (exactHex(line) == atrHex)
                return growingTexts(lines, i + 1, atrHex);
        } else if (patternEntry < 0 && patternMatches(line, spaced)) {
            patternEntry = i;
        }
    }
    return patternEntry < 0 ? QStringList() : growingTexts(lines, patternEntry + 1, atrHex);
}
