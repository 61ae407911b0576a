#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The memory of a simulated controller and its answers to request frames: bit areas hold one
// byte (0 or 1) per bit, word areas are addressed by byte, the string area is 256-byte slots.
class SimDevice
{
public:
    // Fills the memory with a known pattern, so that reads of different places differ.
    void fillPattern();
    // Steps the changing demo values: the first 16 AI registers count, DI bits run.
    void step();

    // The reply to one request frame; empty when the device would not answer it. describe
    // gets a short text of the request for the log.
    QByteArray answer(const QByteArray &request, QString *describe);

    QByteArray read(int area, int address, int count);
    void write(int area, int address, const QByteArray &data);

private:
    QByteArray &memory(int area);

    QHash<int, QByteArray> m_memory;
    int m_step = 0;
};
