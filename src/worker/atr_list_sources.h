#pragma once

#include <QString>
#include <QStringList>

class QFile;

// The compiled-in ATR list, the last resort (see ensureCompiledResources).
extern const QString compiledAtrList;

// Where an ATR list is looked for, in the order pcsc-tools looks: the copy it keeps up
// to date for the user ($XDG_CACHE_HOME or ~/.cache), the system's copy, then the copy
// compiled into the program.
QStringList atrListCandidates();

// Opens the first candidate that can be read and is not empty (an update that failed
// leaves an empty file). When none can, gives false and leaves the last one's error
// text in list.
bool openFirstAtrList(const QStringList &candidates, QFile &list);
