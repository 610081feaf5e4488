#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

// Two upper-case hex digits per byte, no separators: "3B8180018080".
QString atrHex(const QByteArray &atr);

// Reads an ATR list in pcsc-tools' format (UTF-8 text; "#" and "$" lines, empty lines
// and stray tab lines are skipped; a pattern line is followed by its tab-indented
// descriptions) and gives the status texts that identify the ATR, in the order they
// are shown: "ATR: <atrHex>" plus one more trimmed description line in each text.
// Only the first entry whose pattern, with its whitespace removed, equals atrHex
// counts; the comparison is exact, so lower-case digits and wildcards never match.
// Empty when the list does not know the ATR or its entry has no descriptions.
QStringList atrIdentificationTexts(QIODevice *list, const QString &atrHex);
