#pragma once

#include <QByteArray>
#include <QFile>

// A memory figure of /proc/self/status in KiB, -1 when there is none: "VmRSS" the resident size
// now, "VmHWM" the peak resident size since the last reset (the reset needs Linux's clear_refs).
inline qint64 statusKiB(const QByteArray &key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}
