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
//
// A pattern line of hex digits and whitespace only is an exact entry: it matches when,
// with its whitespace removed, it equals atrHex, case included. The first exact entry
// that matches wins. Only when none does, the first other entry whose line, read as a
// regular expression the way pcsc-tools reads it, matches the whole ATR written as
// "3B 81 80 ..." counts; a line that is no valid expression is passed over.
// Empty when the list does not know the ATR or the entry found has no descriptions.
QStringList atrIdentificationTexts(QIODevice *list, const QString &atrHex);
