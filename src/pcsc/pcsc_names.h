#pragma once

#include <QString>

#include <PCSC/wintypes.h>

// The symbolic name of a PC/SC result code ("SCARD_E_NO_SERVICE"); a code without a
// name gives "0x" and eight upper-case hex digits.
QString pcscCodeName(LONG code);
