#pragma once

#include "addressgrammar.h"
#include "areanames.h"
#include "datatype.h"
#include "induction.h"
#include "labelvariable.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>
#include <functional>

// Bytes per index unit of an engine area code: 1 in the bit areas, 2 in SA, 4 in the 32-bit
// word areas, 256 in the string areas SI and SO; 0 outside 1 to 26.
int areaUnitBytes(int area);
// The last index of an engine area code on the device; 0 for SO and codes outside 1 to 26.
int areaEndIndex(int area);
// Areas whose index counts single points (read as bool).
bool isBitArea(int area);
// Areas whose index counts units of areaUnitBytes (read as bytes).
bool isWordArea(int area);

// The device read behind a string point read, parsed once per key and label.
struct SPointRead
{
    QString address;
    qint32 type = DataType::Int8;
    qint32 count = 0;

    bool operator==(const SPointRead &other) const
    {
        return address == other.address && type == other.type && count == other.count;
    }
};

// Carries the two numberings' conversions for the engine.
struct AreaNames
{
    int codeFromName(const QString &areaText) const { return areaCodeFromName(areaText); }
    QString nameFromCode(int code) const { return areaNameFromCode(code); }
};

// Groups named lists of labels into blocks that one device read or write serves, keeps them per
// list key, and reads and writes them through two callbacks into the driver.
class InductionEngine
{
public:
    using ReadCallback = std::function<CLabelVariable(const QString &key, QString address,
                                                      DataType type, int count)>;
    using WriteCallback = std::function<CLabelVariable(const QString &key, QString address,
                                                       DataType type, QVariant data, int count)>;

    // The data part of one frame: larger blocks would be refused by the driver outright.
    static constexpr int maxFrameBytes = 1464;
    static constexpr int maxFramePoints = 1467;

    InductionEngine() = default;
    InductionEngine(const InductionEngine &) = delete;
    InductionEngine &operator=(const InductionEngine &) = delete;

    void SetInductionParam(const Induction::EInductionFun &fun,
                           const Induction::EInductionType &type, const int &value);

    QList<QList<Induction::SReadInfo>>
    InductiveDrive_Read(const QString &key, const QList<Induction::SReadInfo> &items);
    QList<QList<Induction::SReadInfo>>
    InductiveDrive_Read(const QString &key, const QList<Induction::SReadInfo_manual> &blocks);
    QMap<QList<Induction::SReadInfo>, SReadBlock> GetInductiveDrive_Read(const QString &key) const;
    SReadBlock GetInductiveDrive_Read(const QString &key,
                                      const QList<Induction::SReadInfo> &block) const;
    void DelInductiveDrive_Read(const QString &key);
    void DelInductiveDrive_Read(const QString &key, const QList<Induction::SReadInfo> &block);
    QList<Induction::SReadInfo> GetCannotInductiveDrive_Read(const QString &key) const;
    void DelCannotInductiveDrive_Read(const QString &key);

    QMap<Induction::SReadInfo, CLabelVariable>
    BlockReading(const QString &key, const QList<Induction::SReadInfo> &block);
    CLabelVariable PointReading(const QString &key, const Induction::SReadInfo &item);
    QMap<Induction::SReadInfo, CLabelVariable>
    PointReading(const QString &key, const QList<Induction::SReadInfo> &items, const int &delayMs);

    QList<QList<Induction::SWriteInfo>>
    InductiveDrive_Write(const QString &key, const QList<Induction::SWriteInfo> &items);
    QMap<QList<Induction::SWriteInfo>, SWriteBlock>
    GetInductiveDrive_Write(const QString &key) const;
    SWriteBlock GetInductiveDrive_Write(const QString &key,
                                        const QList<Induction::SWriteInfo> &block) const;
    QList<Induction::SWriteInfo> GetCannotInductiveDrive_Write(const QString &key) const;
    QMap<Induction::SWriteInfo, CLabelVariable>
    BlockWriting(const QString &key, const QList<Induction::SWriteInfo> &block);
    CLabelVariable PointWriting(const QString &key, const Induction::SWriteInfo &item);
    QMap<Induction::SWriteInfo, CLabelVariable>
    PointWriting(const QString &key, const QList<Induction::SWriteInfo> &items, const int &delay);

    ReadCallback readCallback;
    WriteCallback writeCallback;
    AddressGrammar grammar;
    AreaNames areaNames;
    QMap<QString, QMap<QList<Induction::SReadInfo>, SReadBlock>> readBlocks;
    QMap<QString, QMap<QList<Induction::SWriteInfo>, SWriteBlock>> writeBlocks;
    QMap<QString, QList<Induction::SReadInfo>> cannotRead;
    QMap<QString, QList<Induction::SWriteInfo>> cannotWrite;
    QMap<QString, QMap<Induction::SReadInfo, SPointRead>> pointReads;
    qint32 readBitLimit = 1280; // points per bit-area read block
    qint32 readByteLimit = 160; // byte extent of a word-area read block
    qint32 writeBitLimit = 1280;
    qint32 writeByteLimit = 160;

private:
    QString deviceAddress(const QString &address) const;
};
