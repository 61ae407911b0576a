#pragma once

// Checking that an action sent nothing to the data-logger simulator without a fixed wait: a
// marker frame written after the action on the same port reaches the simulator behind anything
// the action sent, so once the simulator has logged the marker, the requests before it are all
// the action sent.
#include "devicelink.h"
#include "loggersimprocess.h"

#include <QtTest>

// Writes the marker (a flash clear) on link, which must be open, and waits until the simulator
// logs it as its last request. True with the requests before it in *before; false, with every
// line logged in *before, when the marker does not show so (a stray frame can swallow it).
inline bool requestsBeforeMarker(const LoggerSimProcess &sim, DeviceLink *link, QStringList *before)
{
    static const QString marker = QStringLiteral(" clearflash 07010200000000");
    // Generous: other builds load the machine while the tests run.
    constexpr int markerWaitMs = 20000;
    const bool written = link->write(QByteArray::fromHex("07010200000000"));
    const bool logged = written
                        && QTest::qWaitFor(
                            [&sim] {
                                const QStringList requests = sim.requests();
                                return !requests.isEmpty() && requests.last().endsWith(marker);
                            },
                            markerWaitMs);
    *before = sim.requests();
    if (!logged)
        return false;
    before->removeLast();
    return true;
}
