#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The operator's typed APDUs and the text of their answers.
namespace apdutext {

inline const QString popupTitle = QStringLiteral("APDU Response ");

// One command per line; CR and LF each end a line and empty lines are kept, so a
// trailing line break gives a final empty line.
QStringList splitLines(const QString &text);

// The text of an APDU file as the command-line program takes it: UTF-8, whose LF, CR LF
// and CR alike end a line, written with LF alone so that splitLines gives each line
// once; the line end that closes the text closes its last line rather than opening an
// empty one.
QString fileText(const QByteArray &content);

// The hex digits of a line, paired from the end (an odd count leaves the first digit
// alone in the first byte); every other character, including NUL and anything outside
// Latin-1, is skipped.
QByteArray decodeLine(const QString &line);

// "APDU Response <lineIndex + 1>: <upper-case hex>".
QString responseEntry(int lineIndex, const QByteArray &response);

QString joinEntries(const QStringList &entries);

} // namespace apdutext
