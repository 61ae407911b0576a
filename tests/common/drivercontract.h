#pragma once

// What every driver must do through the interface the program uses: its operations reachable
// through the loaded library, malformed link strings refused before any socket, refusals before
// any frame, a silent peer followed by recovery, and texts that reach the peer whole or not at
// all, read back alike by every read. A driver's test derives from it, names its
// library and its cases, and starts its own simulator or peer.
#include "driverloader.h"

#include <QtTest>

class DriverContract : public QObject
{
    Q_OBJECT

public:
    struct LinkCase
    {
        const char *tag;
        QString link;
        int connectResult;
        int disconnectResult; // of a DisConnectDrive right after
    };
    struct RefusalCase
    {
        const char *tag;
        bool write;
        QString address;
        DataType type;
        int count;
        int status;
        QVariant value; // what a write gives
    };
    struct SilenceCase
    {
        const char *tag;
        QString link;    // the kind of link the peer serves ("udp", "serial", "tcp", ...)
        QString fault;   // how the peer falls silent, as its start takes it
        int firstBlock;  // status of the first block of the first tick
        int laterBlocks; // status of the other blocks of that tick
        bool restart;    // the peer is stopped for two ticks, then started again
    };

    // One label written with a text value of count 1, then read back.
    struct TextCase
    {
        const char *tag;
        QString address;
        QList<QString> texts; // the value given to the write
        int status;           // of the write, by every write path alike
        int readStatus;       // of the reads after it, by ReadVariable and by a tick alike
        QString readBack;     // what they read when readStatus is 0
    };

    // A run of texts written with one WriteVariable from the first label on, then read back as
    // a run, label by label, and by a tick.
    struct TextRunCase
    {
        const char *tag;
        QStringList labels; // one per text, in the order of the run
        QList<QString> texts;
        int status;     // of the write
        int readStatus; // of every read after it
    };

protected:
    // The library's file name in the drivers' folder, and what its object says of itself.
    virtual QString libraryName() const = 0;
    virtual QString driveName() const = 0;
    virtual QString versionNumber() const = 0;
    virtual QByteArray className() const = 0;
    // What DisConnectDrive and DestroyFree answer on an object that never linked.
    virtual int disconnectBeforeLink() const = 0;

    virtual QList<LinkCase> malformedLinks() const = 0;
    virtual QList<RefusalCase> refusals() const = 0;
    virtual QList<SilenceCase> silences() const = 0;
    // Texts against a peer started with no fault; a refused write must leave what it held.
    virtual QList<TextCase> textWrites() const = 0;
    virtual QList<TextRunCase> textRuns() const = 0;

    // A label that reads fine from the peer's memory, read before a link as offline.
    virtual Induction::SReadInfo goodLabel() const = 0;
    // Labels in more than one block, for the ticks of the silence cases.
    virtual QList<Induction::SReadInfo> tickLabels() const = 0;
    // Whether a status-0 record holds what the peer's memory holds.
    virtual bool holdsPeerValue(const Induction::SReadInfo &label,
                                const CLabelVariable &v) const = 0;

    // Starts the peer serving kind with fault (empty: none); the link string for it, or empty.
    virtual QString startPeer(const QString &kind, const QString &fault) = 0;
    virtual void stopPeer() = 0;
    // Starts the stopped peer again where the link string still reaches it.
    virtual bool restartPeer() = 0;
    // Read and write requests the peer has seen since it started (the handshake not counted),
    // once at least atLeast arrived or its own wait ran out.
    virtual int framesSeen(int atLeast) = 0;

    CDriveBaseClass *newDriver()
    {
        auto entry = reinterpret_cast<GetSharedLibraryFn>(
            m_loaded.library->resolve(getSharedLibrarySymbol));
        return entry ? entry() : nullptr;
    }

    LoadedDriver m_loaded;
    CDriveBaseClass *m_driver = nullptr; // the one linked to the peer in a case, if any

private:
    QList<int> tickStatuses(const QList<Induction::SReadInfo> &labels, int *firstBlockSize,
                            QList<CLabelVariable> *records = nullptr)
    {
        const QString key = QStringLiteral("1");
        QList<int> statuses;
        m_driver->DebugCmd(StopDebug);
        const auto blocks = m_driver->InductiveDrive_Read(key, labels);
        for (int b = 0; b < blocks.size(); ++b) {
            const auto values = m_driver->BlockReading(key, blocks.at(b));
            if (b == 0 && firstBlockSize)
                *firstBlockSize = values.size();
            for (auto it = values.cbegin(); it != values.cend(); ++it) {
                statuses << it->status;
                if (records && it->status == LabelStatus::Ok && !holdsPeerValue(it.key(), *it))
                    records->append(*it);
            }
        }
        return statuses;
    }

    // Every label of a tick as the program makes it, by its record.
    QMap<Induction::SReadInfo, CLabelVariable> tickValues(const QList<Induction::SReadInfo> &labels)
    {
        const QString key = QStringLiteral("1");
        QMap<Induction::SReadInfo, CLabelVariable> values;
        for (const auto &block : m_driver->InductiveDrive_Read(key, labels)) {
            const auto read = m_driver->BlockReading(key, block);
            for (auto it = read.cbegin(); it != read.cend(); ++it)
                values.insert(it.key(), it.value());
        }
        return values;
    }

    // A text value written by one of the three write paths of the interface.
    CLabelVariable writeText(const QString &path, const QString &address,
                             const QList<QString> &texts)
    {
        const QString key = QStringLiteral("1");
        const Induction::SWriteInfo item{address, string, QVariant::fromValue(texts)};
        if (path == QLatin1String("PointWriting"))
            return m_driver->PointWriting(key, item);
        if (path == QLatin1String("BlockWriting")) {
            const auto blocks = m_driver->InductiveDrive_Write(key, {item});
            if (blocks.size() != 1)
                return CLabelVariable();
            return m_driver->BlockWriting(key, blocks.first()).value(item);
        }
        CLabelVariable record;
        record.value = item.value;
        return m_driver->WriteVariable(address, string, record, 1);
    }

    // Links a new driver to a peer started with no fault.
    bool linkToPeer()
    {
        const QString link = startPeer(QString(), QString());
        if (link.isEmpty())
            return false;
        m_driver = newDriver();
        return m_driver->ConnectDrive(link) == 0;
    }

private slots:
    void initTestCase()
    {
        m_loaded = loadDriver(libraryName());
        QVERIFY2(m_loaded.driver, qPrintable(m_loaded.error));
    }

    void cleanup()
    {
        // Drivers live on by design; only their link is released, before its peer goes.
        if (m_driver)
            m_driver->DestroyFree();
        m_driver = nullptr;
        stopPeer();
    }

    void everyOperationThroughTheLibrary()
    {
        CDriveBaseClass *d = newDriver();
        QVERIFY(d);
        QVERIFY(d != m_loaded.driver); // every call of the entry point makes a new object
        QCOMPARE(callEverySlot(d), 31);
        QCOMPARE(d->getDriveName(), driveName());
        QCOMPARE(d->getversion_number(), versionNumber());
        // Nothing was ever linked: nothing to close, and a read finds the device offline.
        QCOMPARE(d->DisConnectDrive(), disconnectBeforeLink());
        QCOMPARE(d->DestroyFree(), 1);
        const Induction::SReadInfo label = goodLabel();
        const CLabelVariable v = d->ReadVariable(label.name, DataType(label.type));
        QCOMPARE(v.status, int(LabelStatus::DeviceOffline));
        QVERIFY(v.time.isNull());
        QCOMPARE(v.name, label.name);
        // The object is a QObject first and hands out its interface part on a cast by name.
        QObject *object = dynamic_cast<QObject *>(d);
        QVERIFY(object);
        QCOMPARE(QByteArray(object->metaObject()->className()), className());
        QCOMPARE(object->qt_metacast("CDriveBaseClass"), static_cast<void *>(d));
    }

    void malformedLinksRefusedBeforeAnySocket_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("connectResult");
        QTest::addColumn<int>("disconnectResult");
        for (const LinkCase &c : malformedLinks())
            QTest::newRow(c.tag) << c.link << c.connectResult << c.disconnectResult;
    }

    void malformedLinksRefusedBeforeAnySocket()
    {
        QFETCH(QString, link);
        QFETCH(int, connectResult);
        QFETCH(int, disconnectResult);
        CDriveBaseClass *d = newDriver();
        QCOMPARE(d->ConnectDrive(link), connectResult);
        QCOMPARE(d->DisConnectDrive(), disconnectResult);
    }

    void refusedBeforeAnyFrame_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("status");
        QTest::addColumn<QVariant>("given");
        for (const RefusalCase &c : refusals())
            QTest::newRow(c.tag) << c.write << c.address << int(c.type) << c.count << c.status
                                 << c.value;
    }

    void refusedBeforeAnyFrame()
    {
        QFETCH(bool, write);
        QFETCH(QString, address);
        QFETCH(int, type);
        QFETCH(int, count);
        QFETCH(int, status);
        QFETCH(QVariant, given);
        const QString link = startPeer(QString(), QString());
        QVERIFY2(!link.isEmpty(), "the peer did not start");
        m_driver = newDriver();
        QCOMPARE(m_driver->ConnectDrive(link), 0);
        CLabelVariable record;
        record.value = given;
        const DataType t = DataType(type);
        const CLabelVariable v = write ? m_driver->WriteVariable(address, t, record, count)
                                       : m_driver->ReadVariable(address, t, count);
        QCOMPARE(v.status, status);
        QCOMPARE(v.name, address);
        QCOMPARE(v.type, type);
        QCOMPARE(v.count, count);
        // A refused read has no value; a refused write keeps the caller's.
        QCOMPARE(v.value.isValid(), write);
        // A good read after it is the only request the peer sees.
        const Induction::SReadInfo marker = goodLabel();
        QCOMPARE(m_driver->ReadVariable(marker.name, DataType(marker.type)).status,
                 int(LabelStatus::Ok));
        QCOMPARE(framesSeen(1), 1);
    }

    void silentPeerThenRecovery_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("firstBlock");
        QTest::addColumn<int>("laterBlocks");
        QTest::addColumn<bool>("restart");
        for (const SilenceCase &c : silences())
            QTest::newRow(c.tag) << c.link << c.fault << c.firstBlock << c.laterBlocks << c.restart;
    }

    void silentPeerThenRecovery()
    {
        QFETCH(QString, link);
        QFETCH(QString, fault);
        QFETCH(int, firstBlock);
        QFETCH(int, laterBlocks);
        QFETCH(bool, restart);
        const QString linkText = startPeer(link, fault);
        QVERIFY2(!linkText.isEmpty(), "the peer did not start");
        m_driver = newDriver();
        QCOMPARE(m_driver->ConnectDrive(linkText), 0);
        const QList<Induction::SReadInfo> labels = tickLabels();
        int firstSize = 0;
        if (restart) {
            for (int status : tickStatuses(labels, nullptr))
                QCOMPARE(status, int(LabelStatus::Ok));
            stopPeer();
            // The link is found gone; each tick reports it and tries again.
            for (int k = 0; k < 2; ++k) {
                for (int status : tickStatuses(labels, nullptr))
                    QVERIFY2(status == LabelStatus::ReplyFrameError
                                 || status == LabelStatus::ResponseTimeout
                                 || status == LabelStatus::DeviceOffline,
                             qPrintable(QString::number(status)));
            }
            QVERIFY2(restartPeer(), "the peer did not start again");
        } else {
            // Every member of the first block learns the failure; the later ones as given.
            const QList<int> statuses = tickStatuses(labels, &firstSize);
            QCOMPARE(statuses.size(), labels.size());
            for (int i = 0; i < statuses.size(); ++i)
                QCOMPARE(statuses.at(i), i < firstSize ? firstBlock : laterBlocks);
        }
        // Back: the next ticks read again, with the peer's values.
        for (int k = 0; k < 2; ++k) {
            QList<CLabelVariable> wrong;
            for (int status : tickStatuses(labels, nullptr, &wrong))
                QCOMPARE(status, int(LabelStatus::Ok));
            QVERIFY(wrong.isEmpty());
        }
        // Released: no request goes out any more.
        QCOMPARE(m_driver->DestroyFree(), 0);
        for (int status : tickStatuses(labels, nullptr))
            QCOMPARE(status, int(LabelStatus::DeviceOffline));
    }

    void textWrittenWholeOrRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QList<QString>>("texts");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("readStatus");
        QTest::addColumn<QString>("readBack");
        for (const TextCase &c : textWrites()) {
            for (const char *path : {"WriteVariable", "PointWriting", "BlockWriting"}) {
                QTest::addRow("%s, %s", c.tag, path)
                    << QString::fromLatin1(path) << c.address << c.texts << c.status << c.readStatus
                    << c.readBack;
            }
        }
    }

    // Every write path refuses what another refuses, with the same status, and writes what
    // another writes; what is written reads back exactly, by ReadVariable and by a tick.
    void textWrittenWholeOrRefused()
    {
        QFETCH(QString, path);
        QFETCH(QString, address);
        QFETCH(QList<QString>, texts);
        QFETCH(int, status);
        QFETCH(int, readStatus);
        QFETCH(QString, readBack);
        QVERIFY2(linkToPeer(), "the peer did not start or link");
        QCOMPARE(writeText(path, address, texts).status, status);
        if (status != LabelStatus::Ok) {
            // Refused before any frame: a good read after it is the only request the peer saw.
            const Induction::SReadInfo marker = goodLabel();
            QCOMPARE(m_driver->ReadVariable(marker.name, DataType(marker.type)).status,
                     int(LabelStatus::Ok));
            QCOMPARE(framesSeen(1), 1);
        }
        const Induction::SReadInfo label{address, string};
        const CLabelVariable read = m_driver->ReadVariable(address, string);
        const CLabelVariable ticked = tickValues({label}).value(label);
        QCOMPARE(read.status, readStatus);
        QCOMPARE(ticked.status, readStatus);
        if (readStatus == LabelStatus::Ok) {
            QCOMPARE(read.value.value<QList<QString>>(), QList<QString>{readBack});
            QCOMPARE(ticked.value.value<QList<QString>>(), QList<QString>{readBack});
        }
    }

    void textRunsReadAlike_data()
    {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<QString>>("texts");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("readStatus");
        for (const TextRunCase &c : textRuns())
            QTest::newRow(c.tag) << c.labels << c.texts << c.status << c.readStatus;
    }

    // A run read at once, each of its labels read alone and a tick over them all give the same
    // texts: none is dropped and none moves into another's place.
    void textRunsReadAlike()
    {
        QFETCH(QStringList, labels);
        QFETCH(QList<QString>, texts);
        QFETCH(int, status);
        QFETCH(int, readStatus);
        QVERIFY2(linkToPeer(), "the peer did not start or link");
        CLabelVariable record;
        record.value = QVariant::fromValue(texts);
        const int count = texts.size();
        QCOMPARE(m_driver->WriteVariable(labels.first(), string, record, count).status, status);

        const CLabelVariable run = m_driver->ReadVariable(labels.first(), string, count);
        QCOMPARE(run.status, readStatus);
        if (readStatus == LabelStatus::Ok)
            QCOMPARE(run.value.value<QList<QString>>(), texts);
        QList<Induction::SReadInfo> tickLabels;
        for (const QString &address : labels)
            tickLabels.append({address, string});
        const auto ticked = tickValues(tickLabels);
        for (int i = 0; i < labels.size(); ++i) {
            const CLabelVariable alone = m_driver->ReadVariable(labels.at(i), string);
            const CLabelVariable inTick = ticked.value(tickLabels.at(i));
            QCOMPARE(alone.status, readStatus);
            QCOMPARE(inTick.status, readStatus);
            if (readStatus == LabelStatus::Ok) {
                QCOMPARE(alone.value.value<QList<QString>>(), QList<QString>{texts.at(i)});
                QCOMPARE(inTick.value.value<QList<QString>>(), QList<QString>{texts.at(i)});
            }
        }
    }
};
