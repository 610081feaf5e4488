#pragma once

#include "atr_pattern.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

// Two upper-case hex digits per byte, no separators: "3B8180018080".
QString atrHex(const QByteArray &atr);

// An ATR list in pcsc-tools' format, parsed once: UTF-8 text whose "#" and "$" lines,
// empty lines and stray tab lines are skipped, and whose pattern lines are each
// followed by their tab-indented descriptions. Immutable once made, so one list serves
// every card and every thread.
//
// A pattern line of hex digits and blanks only is an exact entry: it matches when, with
// its blanks removed, it equals atrHex(atr), case included. The first exact entry that
// matches wins. Only when none does, the first other entry whose line matches as
// pcsc-tools matches it (atr_pattern.h) counts; a line outside that syntax is passed over.
class AtrList {
public:
    // origin: where the content came from, for whoever asks.
    explicit AtrList(const QByteArray &content, const QString &origin = QString());

    const QString &origin() const { return origin_; }

    // The status texts that identify the ATR, in the order they are shown: "ATR: <hex>"
    // plus one more trimmed description line in each text, at most 64 lines and 16384
    // characters in all (a list is no place for more). Empty when the list does not know
    // the ATR or the entry found has no descriptions.
    QStringList identificationTexts(const QByteArray &atr) const;

private:
    QStringList descriptionTexts(int descriptionsAt, const QString &hex) const;

    QString origin_;
    QByteArray content_;
    // Where the descriptions of each entry begin in content_: by exact entry, and for
    // each compiled pattern in order.
    QHash<QByteArray, int> exactEntries_;
    AtrPatterns patterns_;
    std::vector<int> patternDescriptions_;
};

// The list's texts for the ATR, straight from the list's bytes.
QStringList atrIdentificationTexts(const QByteArray &list, const QByteArray &atr);
