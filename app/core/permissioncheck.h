#pragma once

#include <QString>

// The two fixed login pairs that unlock editing. A rights switch inside the program, not a
// security boundary: compared exactly, case-sensitively, without trimming.
bool permissionAccepted(const QString &userName, const QString &password);
