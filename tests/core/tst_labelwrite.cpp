// The write dialog of the real window through both real drivers, bound from the program folder's
// libdrive: LibVexmar against its simulator over UDP, LibCorvid against the scripted S7 peer,
// both on 127.0.0.1. What reaches the controller is read back from its memory through the
// driver: a 64-bit integer arrives with every digit or is refused, the dialog starts from the
// exact value a label holds, and a write to an S7 input is reported as written.
#include "dialogwritelabel.h"
#include "drivebaseclass.h"
#include "projectfile.h"
#include "s7peerprocess.h"
#include "ui_mainwindow.h"
#include "vexmarsimprocess.h"
#include "windowfixture.h"

#include <QColor>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStatusBar>

namespace {

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Element 0 of a read, every digit (a float's and a double's enough to tell every value).
QString elementText(const CLabelVariable &record)
{
    if (record.type == Int64)
        return QString::number(record.value.value<QList<qint64>>().value(0));
    if (record.type == UInt64)
        return QString::number(record.value.value<QList<quint64>>().value(0));
    if (record.type == Float)
        return QString::number(double(record.value.value<QList<float>>().value(0)), 'g', 9);
    if (record.type == Double)
        return QString::number(record.value.value<QList<double>>().value(0), 'g', 17);
    return QString::number(record.value.value<QList<unsigned char>>().value(0));
}

// A record of one element of type, given as its text.
CLabelVariable recordOf(int type, const QString &text)
{
    CLabelVariable r;
    r.type = type;
    r.count = 1;
    if (type == Int64)
        r.value = QVariant::fromValue(QList<qint64>{text.toLongLong()});
    else if (type == UInt64)
        r.value = QVariant::fromValue(QList<quint64>{text.toULongLong()});
    else if (type == Float)
        r.value = QVariant::fromValue(QList<float>{float(text.toDouble())});
    else
        r.value = QVariant::fromValue(QList<double>{text.toDouble()});
    return r;
}

} // namespace

class tst_LabelWrite : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void exactIntegersReachTheController_data();
    void exactIntegersReachTheController();
    void unchangedDialogWritesWhatIsHeld_data();
    void unchangedDialogWritesWhatIsHeld();
    void dialogStartsFromTheSavedValue();
    void outOfRangeNamesTheTypedNumber_data();
    void outOfRangeNamesTheTypedNumber();
    void inputAreaWriteReportedAsWritten();

private:
    void addDriverColumns();
    // A row of those columns: the label at LW4, a float at LA4 (Vexmar), or DB1.DBB16 (S7).
    QTestData &addWriteRow(const QString &tag, const QString &driver, const char *type,
                           const char *text);
    // Starts the driver's peer and opens a project with the one label; monitoring runs with
    // its timer stopped, so that only the test reads.
    MainWindow *openProject(const QString &driver, const QString &address, const QString &type,
                            const QString &value = QString());
    // openProject with the driver, address and type of the test's row.
    MainWindow *openRowProject();
    void writeByDialog(const QString &text);
    QLineEdit *openDialog();
    CLabelVariable readBack(const QString &address, int type);
    QString status() const { return m_f.window->statusBar()->currentMessage(); }

    WindowFixture m_f;
    std::unique_ptr<VexmarSimProcess> m_sim;
    std::unique_ptr<S7PeerProcess> m_peer;
};

void tst_LabelWrite::init()
{
    m_f.setUp();
    QVERIFY(m_f.linkDrivers(QStringLiteral(MORVELIN_DRIVER_DIR), {"LibVexmar.so", "LibCorvid.so"}));
}

void tst_LabelWrite::cleanup()
{
    if (m_f.window && m_f.window->driver())
        m_f.window->driver()->DestroyFree();
    m_f.tearDown();
    m_sim.reset();
    m_peer.reset();
}

MainWindow *tst_LabelWrite::openProject(const QString &driver, const QString &address,
                                        const QString &type, const QString &value)
{
    ProjectData data;
    data.name = QStringLiteral("write.dpro");
    data.hasConnect = true;
    data.linkMode = QStringLiteral("net");
    if (driver == QLatin1String("vexmar")) {
        m_sim = std::make_unique<VexmarSimProcess>();
        if (!m_sim->startUdp()) {
            qWarning() << "simulator:" << m_sim->error();
            return nullptr;
        }
        data.driveLibName = QStringLiteral("LibVexmar");
        data.linkParameter = QStringLiteral("127.0.0.1:%1").arg(m_sim->port());
    } else {
        m_peer = std::make_unique<S7PeerProcess>();
        if (!m_peer->startScripted({})) {
            qWarning() << "S7 peer:" << m_peer->errorText();
            return nullptr;
        }
        data.driveLibName = QStringLiteral("LibCorvid");
        data.linkParameter = m_peer->link();
    }
    data.labels << LabelRow{"", address, "", value, "", type};
    const QString path = m_f.path(data.name);
    if (!ProjectFile::write(path, data))
        return nullptr;
    MainWindow *window = m_f.create();
    window->setMonitorPause([](int) {});
    if (!window->openProjectFile(path))
        return nullptr;
    // A tick every 5 minutes, the first one taken over by the test.
    window->samplingSeconds = 300;
    window->form()->pushButton_startMonitor->click();
    window->monitorTimer()->stop();
    if (!window->isMonitoring())
        return nullptr;
    return window;
}

MainWindow *tst_LabelWrite::openRowProject()
{
    QFETCH(QString, driver);
    QFETCH(QString, address);
    QFETCH(QString, type);
    return openProject(driver, address, type);
}

QLineEdit *tst_LabelWrite::openDialog()
{
    QItemSelectionModel *selection = m_f.window->form()->tableView_label->selectionModel();
    selection->select(m_f.window->labelItem(0, 3)->index(), QItemSelectionModel::ClearAndSelect);
    m_f.window->labelMenu()->actions().at(1)->trigger();
    DialogWriteLabel *dialog = m_f.window->writeDialog();
    return dialog->isVisible() ? dialog->findChild<QLineEdit *>("lineEdit") : nullptr;
}

void tst_LabelWrite::writeByDialog(const QString &text)
{
    QLineEdit *edit = openDialog();
    QVERIFY(edit);
    edit->setText(text);
    m_f.window->writeDialog()->findChild<QPushButton *>("pushButton_ok")->click();
}

CLabelVariable tst_LabelWrite::readBack(const QString &address, int type)
{
    return m_f.window->driver()->ReadVariable(address, DataType(type), 1);
}

void tst_LabelWrite::addDriverColumns()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
}

QTestData &tst_LabelWrite::addWriteRow(const QString &tag, const QString &driver, const char *type,
                                       const char *text)
{
    // The Vexmar controllers take floats in their LA registers, not in LW.
    const QString address = driver == QLatin1String("s7")    ? QStringLiteral("DB1.DBB16")
                            : QLatin1String(type) == "float" ? QStringLiteral("LA4")
                                                             : QStringLiteral("LW4");
    return QTest::newRow(qPrintable(tag)) << driver << address << QString(type) << QString(text);
}

void tst_LabelWrite::exactIntegersReachTheController_data()
{
    addDriverColumns();
    const struct
    {
        const char *tag;
        const char *type;
        const char *text;
    } values[] = {
        {"Int64 2^53 + 1", "Int64", "9007199254740993"},
        {"Int64 eighteen digits", "Int64", "123456789012345678"},
        {"Int64 largest", "Int64", "9223372036854775807"},
        {"Int64 smallest", "Int64", "-9223372036854775808"},
        {"UInt64 twenty digits", "UInt64", "18000000000000000001"},
        {"UInt64 largest", "UInt64", "18446744073709551615"},
        // The minus sign U+2212, as a copy from a document gives it.
        {"Int64 minus sign 2^53 + 1", "Int64", "−9007199254740993"},
        {"Int64 minus sign eighteen digits", "Int64", "−123456789012345678"},
    };
    for (const auto &v : values) {
        addWriteRow(QStringLiteral("Vexmar ") + v.tag, "vexmar", v.type, v.text);
        addWriteRow(QStringLiteral("S7 ") + v.tag, "s7", v.type, v.text);
    }
}

void tst_LabelWrite::exactIntegersReachTheController()
{
    QFETCH(QString, address);
    QFETCH(QString, text);
    MainWindow *window = openRowProject();
    QVERIFY(window);
    writeByDialog(text);
    const QString written = QString(text).replace(QChar(0x2212), QLatin1Char('-'));
    QCOMPARE(status(), zh("写值成功：%1 = %2").arg(address, written));
    const CLabelVariable back = readBack(address, window->labelDataType(0));
    QCOMPARE(back.status, int(LabelStatus::Ok));
    QCOMPARE(elementText(back), written);
    // The next tick shows it, every digit.
    window->onMonitorTimeout();
    QCOMPARE(window->labelItem(0, 3)->text(), written);
    QCOMPARE(m_f.prompt->shown, 0);
}

void tst_LabelWrite::unchangedDialogWritesWhatIsHeld_data()
{
    addDriverColumns();
    QTest::addColumn<QString>("prefill"); // what the dialog starts from
    const struct
    {
        const char *tag;
        const char *type;
        const char *held;
        const char *prefill;
    } values[] = {
        {"Int64 eighteen digits", "Int64", "123456789012345678", "123456789012345678"},
        {"Int64 smallest", "Int64", "-9223372036854775808", "-9223372036854775808"},
        {"UInt64 largest", "UInt64", "18446744073709551615", "18446744073709551615"},
        {"UInt64 twenty digits", "UInt64", "18000000000000000001", "18000000000000000001"},
        // The float's shortest text lies above the largest float, and rounds to it.
        {"float largest", "float", "3.4028234663852886e+38", "3.4028235e+38"},
        {"float most negative", "float", "-3.4028234663852886e+38", "-3.4028235e+38"},
        {"float smallest normal", "float", "1.1754943508222875e-38", "1.1754944e-38"},
        {"float smallest denormal", "float", "1.4012984643248171e-45", "1.4013e-45"},
        {"double largest", "double", "1.7976931348623157e+308", "1.7976931348623157e+308"},
        {"double smallest normal", "double", "2.2250738585072014e-308", "2.2250738585072014e-308"},
        {"double smallest denormal", "double", "4.9406564584124654e-324", "4.94066e-324"},
    };
    for (const auto &v : values) {
        for (const char *driver : {"vexmar", "s7"}) {
            addWriteRow(QStringLiteral("%1 %2").arg(driver, v.tag), driver, v.type, v.held)
                << QString(v.prefill);
        }
    }
}

void tst_LabelWrite::unchangedDialogWritesWhatIsHeld()
{
    QFETCH(QString, address);
    QFETCH(QString, text);
    QFETCH(QString, prefill);
    MainWindow *window = openRowProject();
    QVERIFY(window);
    // The controller holds the value before the window has seen it.
    const int t = window->labelDataType(0);
    const CLabelVariable held = recordOf(t, text);
    QCOMPARE(window->driver()->WriteVariable(address, DataType(t), held, 1).status,
             int(LabelStatus::Ok));
    window->onMonitorTimeout();
    QCOMPARE(window->labelItem(0, 3)->foreground().color(), QColor(0, 205, 0));

    QLineEdit *edit = openDialog();
    QVERIFY(edit);
    QCOMPARE(edit->text(), prefill);
    // Confirmed unchanged: written, and the controller holds what it held, to the last bit.
    window->writeDialog()->findChild<QPushButton *>("pushButton_ok")->click();
    QCOMPARE(m_f.prompt->shown, 0);
    QCOMPARE(status(), zh("写值成功：%1 = %2").arg(address, prefill));
    const CLabelVariable back = readBack(address, t);
    QCOMPARE(back.status, int(LabelStatus::Ok));
    QCOMPARE(elementText(back), elementText(held));
}

void tst_LabelWrite::dialogStartsFromTheSavedValue()
{
    // The value column as the project file left it, before any tick.
    const QString saved = QStringLiteral("18446744073709551615");
    MainWindow *window = openProject("vexmar", "LW4", "UInt64", saved);
    QVERIFY(window);
    QLineEdit *edit = openDialog();
    QVERIFY(edit);
    QCOMPARE(edit->text(), saved);
    // All twenty digits in view.
    QVERIFY(edit->width() > edit->fontMetrics().horizontalAdvance(saved));
    window->writeDialog()->findChild<QPushButton *>("pushButton_ok")->click();
    QCOMPARE(status(), zh("写值成功：LW4 = %1").arg(saved));
    QCOMPARE(elementText(readBack("LW4", UInt64)), saved);
}

void tst_LabelWrite::outOfRangeNamesTheTypedNumber_data()
{
    addDriverColumns();
    QTest::addColumn<QString>("bounds");
    const QString int64 = zh("Int64 的范围（-9223372036854775808 至 9223372036854775807）");
    const QString uint64 = zh("UInt64 的范围（0 至 18446744073709551615）");
    addWriteRow("Vexmar Int64 2^63", "vexmar", "Int64", "9223372036854775808") << int64;
    addWriteRow("S7 Int64 below", "s7", "Int64", "-9223372036854775809") << int64;
    addWriteRow("S7 UInt64 2^64", "s7", "UInt64", "18446744073709551616") << uint64;
    addWriteRow("Vexmar UInt64 negative", "vexmar", "UInt64", "-1") << uint64;
}

void tst_LabelWrite::outOfRangeNamesTheTypedNumber()
{
    QFETCH(QString, address);
    QFETCH(QString, text);
    QFETCH(QString, bounds);
    MainWindow *window = openRowProject();
    QVERIFY(window);
    const QString before = elementText(readBack(address, window->labelDataType(0)));
    m_f.prompt->expect("warning", zh("提示"), zh("数值 %1 超出 %2").arg(text, bounds));
    writeByDialog(text);
    // Open for a correction; nothing sent.
    QVERIFY(window->writeDialog()->isVisible());
    QCOMPARE(elementText(readBack(address, window->labelDataType(0))), before);
    window->writeDialog()->findChild<QPushButton *>("pushButton_cancel")->click();
}

void tst_LabelWrite::inputAreaWriteReportedAsWritten()
{
    MainWindow *window = openProject("s7", "IB8", "UInt8");
    QVERIFY(window);
    QVERIFY(elementText(readBack("IB8", UInt8)) != QLatin1String("90"));
    writeByDialog("90");
    QCOMPARE(status(), zh("已写入：IB8 = 90（输入区的值会被设备覆盖，状态码 6）"));
    // It did reach the controller, which here keeps it.
    QCOMPARE(elementText(readBack("IB8", UInt8)), QStringLiteral("90"));
    QCOMPARE(m_f.prompt->shown, 0);
}

QTEST_MAIN(tst_LabelWrite)
#include "tst_labelwrite.moc"
