#include "simdemo.h"

#include "datatype.h"
#include "elementtype.h"
#include "simdevice.h"
#include "vexmarareas.h"
#include "vexmarframes.h"

#include <QFile>
#include <QXmlStreamReader>
#include <cmath>
#include <cstring>

using namespace Vexmar;

namespace {

int typeOfName(const QString &name)
{
    for (int type = dataTypeFirst; type <= dataTypeLast; ++type) {
        if (dataTypeName(type) == name)
            return type;
    }
    return -1;
}

// Areas the controller itself drives: their values move on their own.
bool isInputName(const QString &address)
{
    static const char *const inputs[] = {"AI", "DI", "NAI", "NDI", "HAI", "SA", "SD"};
    for (const char *prefix : inputs) {
        if (address.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

// A slow wave between low and high: one period every 240 steps (2 minutes at 500 ms), each
// label at its own phase.
double wave(int step, int ordinal, double low, double high)
{
    const double phase = 2.0 * M_PI * (step / 240.0 + ordinal / 7.0);
    return low + (high - low) * (0.5 + 0.5 * std::sin(phase));
}

template<typename T>
QByteArray bytesOf(T value)
{
    QByteArray out(int(sizeof(T)), '\0');
    std::memcpy(out.data(), &value, sizeof(T)); // little-endian as the wire, on this host
    return out;
}

} // namespace

bool SimDemo::load(const QString &projectPath, QString *error)
{
    QFile file(projectPath);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    QXmlStreamReader xml(&file);
    m_labels.clear();
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("item"))
            continue;
        const QString address = xml.attributes().value(QLatin1String("label")).toString();
        const int type = typeOfName(xml.attributes().value(QLatin1String("type")).toString());
        const int area = getArea(address);
        const int index = getAddr(address);
        if (area == AreaNone || index < 0 || type <= 0 || !indexInArea(area, index))
            continue;
        Label label;
        label.area = area;
        label.type = type;
        label.ordinal = m_labels.size();
        label.input = isInputName(address);
        const QByteArray request = type == Bool         ? readBitsRequest(area, index, 1)
                                   : isStringArea(area) ? readStringRequest(area, index, 1)
                                                        : readValuesRequest(area, index, 1);
        label.byteAddress = parseField24(request, 5);
        m_labels.append(label);
    }
    if (xml.hasError()) {
        *error = xml.errorString();
        return false;
    }
    return true;
}

void SimDemo::apply(SimDevice *device, int step) const
{
    for (const Label &l : m_labels) {
        if (step > 0 && !l.input)
            continue;
        const int base = baseDataType(l.type);
        QByteArray bytes;
        switch (base) {
        case Bool:
            // A running light over the inputs; the outputs alternate.
            bytes.append(char(l.input ? ((step / 2 + l.ordinal) % 6 == 0) : (l.ordinal % 2)));
            break;
        case Float:
            bytes = bytesOf(float(l.input ? std::round(wave(step, l.ordinal, 18, 26) * 100) / 100
                                          : 0.45 + 0.05 * l.ordinal));
            break;
        case Double:
            bytes = bytesOf(std::round(wave(step, l.ordinal, 55, 75) * 1000) / 1000);
            break;
        case Int8:
            bytes = bytesOf(qint8(std::lround(wave(step, l.ordinal, -5, 35))));
            break;
        case UInt8:
            bytes = bytesOf(quint8(std::lround(wave(step, l.ordinal, 5, 95))));
            break;
        case Int16:
        case UInt16:
            bytes = bytesOf(quint16(std::lround(wave(step, l.ordinal, 100, 900))));
            break;
        case Int32:
        case UInt32:
            // Counters: one more per step, each from its own start.
            bytes = bytesOf(quint32(1000 * (l.ordinal + 1) + (l.input ? step : 0)));
            break;
        case Int64:
        case UInt64:
            // An energy meter in Wh.
            bytes = bytesOf(quint64(1250000 + 1000 * l.ordinal + 7 * quint64(step)));
            break;
        case string: {
            const QByteArray text = "Pump " + QByteArray::number(l.ordinal + 1) + " OK";
            bytes.append(char(text.size()));
            bytes.append(text);
            break;
        }
        default:
            continue;
        }
        device->write(l.area, l.byteAddress, bytes);
    }
}
