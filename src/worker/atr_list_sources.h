#pragma once

#include "atr_list.h"

#include <QString>
#include <QStringList>

#include <memory>

// The compiled-in ATR list, the last resort (see ensureCompiledResources).
extern const QString compiledAtrList;

// Above any ATR list there is (today's is under half a MiB).
constexpr qint64 atrListSizeLimit = 8 * 1024 * 1024;

// Where an ATR list is looked for, in the order pcsc-tools looks: the copy it keeps up
// to date for the user ($XDG_CACHE_HOME or ~/.cache), the system's copy, then the copy
// compiled into the program.
QStringList atrListCandidates();

// The first candidate that is a regular file, not empty and not over atrListSizeLimit
// (an update that failed leaves an empty file; a FIFO, a device or a folder is passed
// over as a missing file is), parsed. Each version of a file is read and parsed once
// for the whole process; any thread may call this, and every caller gets the same list
// until the file changes. Null when no candidate can be read, with *failure saying why
// the last one could not.
std::shared_ptr<const AtrList> currentAtrList(const QStringList &candidates, QString *failure);
