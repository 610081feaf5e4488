#pragma once

#include <QByteArray>
#include <QString>

// Reader names are bytes to PC/SC: UTF-8 as a rule, but a driver's friendly name may
// hold any byte, and a name changed on its way back is an unknown reader. So a name is
// carried as text that turns back into exactly the bytes it came from: valid UTF-8 is
// decoded as such, and each byte of anything else becomes a lone surrogate, U+DC80 plus
// the byte's value beyond 0x80 (as Python's "surrogateescape" does). Only what is
// shown is made readable.

// The name PC/SC gave, as text.
QString readerNameFromBytes(const QByteArray &bytes);
// The bytes of a name made by readerNameFromBytes, for PC/SC; other text as UTF-8.
QByteArray readerNameBytes(const QString &name);
// The name as a person reads it and as valid UTF-8 carries it: each byte that is no
// UTF-8 written as \xFF.
QString shownReaderName(const QString &name);
