#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// ATR lists and list files a user's cache directory may hold that no card program should
// trust: lines that take a backtracking regular-expression engine exponential time,
// pattern lines in the list's own syntax that are as costly as that syntax allows, and
// files that are no lists at all.
namespace hostilelist {

// count entries whose pattern lines are catastrophic regular expressions, each with a
// description "catastrophic <n>".
QByteArray catastrophicEntries(int count);

// At least `bytes` bytes of such entries and of costly patterns in the list's syntax that
// match no ATR of the virtual cards, followed by `entries`.
QByteArray hostileList(int bytes, const QByteArray &entries);

// Puts a user's list of the given kind at path: "fifo", "device" (a link to /dev/zero),
// "folder", "huge" (a sparse file of 1 GiB), "empty". False when it cannot.
bool makeListFile(const QString &path, const QString &kind);

} // namespace hostilelist
