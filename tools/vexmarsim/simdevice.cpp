#include "simdevice.h"

#include "vexmarareas.h"
#include "vexmarframes.h"

using namespace Vexmar;

namespace {

// Bytes of one element of an area, for its memory size.
int unitBytes(int area)
{
    if (isBitArea(area))
        return 1;
    if (isStringArea(area))
        return stringSlotBytes;
    if (area == AreaSA || area == AreaCustom)
        return 2;
    return 4;
}

// The 24-bit address space, the most a frame can reach.
constexpr int addressSpace = 1 << 24;

} // namespace

QByteArray &SimDevice::memory(int area)
{
    auto it = m_memory.find(area);
    if (it == m_memory.end()) {
        const qint64 size = qint64(qMax(getmaximum_length(area), 1)) * unitBytes(area);
        it = m_memory.insert(area, QByteArray(int(qMin<qint64>(size, addressSpace)), '\0'));
    }
    return it.value();
}

void SimDevice::fillPattern()
{
    for (int area = 1; area <= AreaCustom; ++area) {
        QByteArray &mem = memory(area);
        for (int a = 0; a < mem.size(); ++a) {
            if (isBitArea(area))
                mem[a] = char(a % 3 == 0 ? 1 : 0);
            else if (!isStringArea(area))
                mem[a] = char(quint8(a * 7 + area));
        }
        if (isStringArea(area)) {
            for (int slot = 0; slot * stringSlotBytes < mem.size(); ++slot) {
                const QByteArray text = "S" + QByteArray::number(slot + 1);
                mem[slot * stringSlotBytes] = char(text.size());
                for (int i = 0; i < text.size(); ++i)
                    mem[slot * stringSlotBytes + 1 + i] = text.at(i);
            }
        }
    }
}

void SimDevice::step()
{
    ++m_step;
    QByteArray &ai = memory(7);
    for (int i = 0; i < 16; ++i) {
        const int v = m_step * (i + 1);
        for (int b = 0; b < 4; ++b)
            ai[4 * i + b] = char(quint8(v >> (8 * b)));
    }
    QByteArray &di = memory(1);
    for (int i = 0; i < 16; ++i)
        di[i] = char((i + m_step) % 4 == 0 ? 1 : 0);
}

QByteArray SimDevice::read(int area, int address, int count)
{
    const QByteArray &mem = memory(area);
    QByteArray out = mem.mid(address, count);
    if (out.size() < count)
        out.append(QByteArray(count - out.size(), '\0'));
    return out;
}

void SimDevice::write(int area, int address, const QByteArray &data)
{
    QByteArray &mem = memory(area);
    for (int i = 0; i < data.size() && address + i < mem.size(); ++i)
        mem[address + i] = isBitArea(area) ? char(data.at(i) != 0 ? 1 : 0) : data.at(i);
}

QByteArray SimDevice::answer(const QByteArray &request, QString *describe)
{
    const auto command = request.isEmpty() ? quint8(0) : quint8(request.at(0));
    if (command == CommandHandshake && request.size() >= 2) {
        *describe = QStringLiteral("handshake");
        return request.left(2);
    }
    if ((command != CommandRead && command != CommandWrite)
        || request.size() < requestHeaderBytes) {
        *describe = QStringLiteral("unknown");
        return {};
    }
    const int area = quint8(request.at(4));
    const int address = parseField24(request, 5);
    const int count = parseField24(request, 8);
    *describe = QStringLiteral("%1 area=%2 addr=%3 count=%4")
                    .arg(command == CommandRead ? "read" : "write")
                    .arg(area)
                    .arg(address)
                    .arg(count);
    QByteArray reply = request.left(headerBytes);
    if (command == CommandRead) {
        // One frame carries at most this much data.
        reply.append(read(area, address, qMin(count, maxFrameDataBytes)));
        return reply;
    }
    write(area, address, request.mid(requestHeaderBytes, count));
    return reply;
}
