// Which list entries the stored settings select at start-up.
#pragma once

#include <QString>

namespace lumidex {

// The port list position (0..9, COM1..COM10) for a stored "CommPort" value:
// the value read as a decimal number (blanks around it allowed) less one,
// rounded to the nearest whole number with halves going to the even one, so
// "3" and "03" give 2 and "2.5" gives 2 as well. An empty or non-numeric value,
// or one whose position falls outside 0..9, gives 0 (COM1).
int storedPortPosition(const QString& stored);

// The baud list position for a stored "Setting" value: a listed host rate
// (kHostRates) and a comma followed by exactly five more characters, as in
// "9600,n,8,1" or "19200,e,7,2", gives that rate's position (exact,
// case-sensitive). Any other value gives -1 (no selection; the value then reaches the serial
// port as stored), except an empty one, which gives 0 (9600).
int storedBaudPosition(const QString& stored);

// The settings text a baud list entry applies: "19200" gives "19200,n,8,1".
QString lineSettingsFor(const QString& baud);

}  // namespace lumidex
