#include "monitorlogic.h"

#include "elementtype.h"
#include "sqlitehandler.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <cmath>
#include <limits>
#include <type_traits>

namespace {

const char timeFormat[] = "yyyy-MM-dd hh:mm:ss.zzz";

QString rowKey(const QString &address, int type)
{
    return QString::number(type) + QLatin1Char(' ') + address;
}

// The reasons a typed value is refused, shown by the write dialog and the window.
QString notANumberText(const QString &text)
{
    return QCoreApplication::translate("DialogWriteLabel", "不是有效的数值：%1").arg(text);
}

QString outOfRangeText(double value, int type, const QString &low, const QString &high)
{
    return QCoreApplication::translate("DialogWriteLabel", "数值 %1 超出 %2 的范围（%3 至 %4）")
        .arg(QString::number(value, 'g', 17), dataTypeName(type), low, high);
}

// [low, highExclusive) of the integer type T as doubles; exact even for the 64-bit types, whose
// maximum has no double of its own.
template<typename T>
void integerBounds(double *low, double *highExclusive)
{
    *highExclusive = std::ldexp(1.0, std::numeric_limits<T>::digits);
    *low = std::numeric_limits<T>::is_signed ? -*highExclusive : 0.0;
}

} // namespace

namespace MonitorLogic {

int nextTickDelayMs(int samplingSeconds, qint64 elapsedMs)
{
    const qint64 periodMs = qint64(qMax(samplingSeconds, 1)) * 1000;
    return int(qBound<qint64>(0, periodMs - elapsedMs, periodMs));
}

QString connectFailureText(int result)
{
    switch (result) {
    case -1:
        return QCoreApplication::translate("MainWindow", "监视失败(原因：IP或地址错误)");
    case -2:
        return QCoreApplication::translate("MainWindow", "监视失败(原因：握手错误)");
    case -3:
        return QCoreApplication::translate("MainWindow", "监视失败(原因：socket连接失败)");
    case -4:
        return QCoreApplication::translate("MainWindow", "监视失败(原因：输入参数错误)");
    default:
        return QString();
    }
}

QString linkNameOf(const QString &linkString)
{
    return linkString.split(QLatin1Char(','), Qt::KeepEmptyParts, Qt::CaseSensitive).value(0);
}

bool statusColour(int status, CellColour *colour)
{
    switch (status) {
    case LabelStatus::Ok:
        *colour = {0, 205, 0};
        return true;
    case LabelStatus::ReplyFrameError:
        *colour = {255, 245, 0};
        return true;
    case LabelStatus::ResponseTimeout:
        *colour = {255, 165, 0};
        return true;
    case LabelStatus::DeviceOffline:
        *colour = {255, 0, 0};
        return true;
    default:
        break;
    }
    if (isRefusal(status)) {
        // Violet: apart from the link colours, since waiting will not change it.
        *colour = {148, 0, 211};
        return true;
    }
    return false;
}

bool isRefusal(int status)
{
    return status >= LabelStatus::TypeNotSupported && status <= LabelStatus::WriteToInputArea;
}

bool isRefusedBeforeFrame(int status)
{
    return status >= LabelStatus::TypeNotSupported && status <= LabelStatus::AddressOutOfRange;
}

bool blockMadeExchange(const QList<Induction::SReadInfo> &block,
                       const QMap<Induction::SReadInfo, CLabelVariable> &values)
{
    for (const Induction::SReadInfo &entry : block) {
        const auto it = values.constFind(entry);
        if (it == values.cend() || !isRefusedBeforeFrame(it->status))
            return true;
    }
    return false;
}

QString statusReasonText(int status)
{
    switch (status) {
    case LabelStatus::NotDone:
        return QCoreApplication::translate("MainWindow", "未执行");
    case LabelStatus::TypeNotSupported:
        return QCoreApplication::translate("MainWindow", "该地址不支持此数据类型");
    case LabelStatus::AreaNotRecognised:
        return QCoreApplication::translate("MainWindow", "无法识别的地址");
    case LabelStatus::BadCount:
        return QCoreApplication::translate("MainWindow", "数量或长度不符");
    case LabelStatus::AddressOutOfRange:
        return QCoreApplication::translate("MainWindow", "地址超出区域范围");
    case LabelStatus::WriteToInputArea:
        return QCoreApplication::translate("MainWindow", "输入区的值会被设备覆盖");
    default:
        return connectionErrorText(status);
    }
}

CellColour stoppedColour()
{
    return {0, 0, 0};
}

bool isConnectionError(int status)
{
    return status == LabelStatus::ReplyFrameError || status == LabelStatus::ResponseTimeout
           || status == LabelStatus::DeviceOffline;
}

QString connectionErrorText(int status)
{
    switch (status) {
    case LabelStatus::ReplyFrameError:
        return QCoreApplication::translate("MainWindow", "连接异常：返回错误，设备响应报文错误");
    case LabelStatus::ResponseTimeout:
        return QCoreApplication::translate("MainWindow", "连接异常：响应超时");
    case LabelStatus::DeviceOffline:
        return QCoreApplication::translate("MainWindow", "连接异常：设备掉线");
    default:
        return QString();
    }
}

QString sampleTimeText(const QDateTime &recordTime, const QDateTime &now)
{
    const QDateTime &time = recordTime.isValid() ? recordTime : now;
    return time.toString(QLatin1String(timeFormat));
}

QVariantMap historySample(int projectId, const QString &label, const QString &timeText,
                          const QVariant &value)
{
    return {{QStringLiteral("projectid"), projectId},
            {QStringLiteral("label"), label},
            {QStringLiteral("datetime"), timeText},
            {QStringLiteral("value"), value}};
}

} // namespace MonitorLogic

void DeadLinkRule::noteBlock(const QList<int> &statuses)
{
    int failure = 0;
    for (int status : statuses) {
        if (!MonitorLogic::isConnectionError(status)) {
            failure = 0;
            break;
        }
        failure = status;
    }
    if (failure == 0) {
        m_failedBlocks = 0;
        return;
    }
    ++m_failedBlocks;
    m_status = failure;
}

double LabelValue::toDouble(int type, const CLabelVariable &record)
{
    double result = 0.0;
    withNumericType(type, [&](auto tag) {
        using T = decltype(tag);
        const T x = record.elementAt<T>(0);
        if (record.error != LabelError::Ok)
            return;
        // Int8 elements are signed whatever the platform's char is.
        if constexpr (std::is_same<T, char>::value)
            result = static_cast<signed char>(x);
        else
            result = static_cast<double>(x);
    });
    if (baseDataType(type) == Bool) {
        const bool x = record.elementAt<bool>(0);
        result = record.error == LabelError::Ok && x ? 1.0 : 0.0;
    }
    return result;
}

LabelValue LabelValue::convert(int type, const CLabelVariable &record)
{
    LabelValue v;
    if (baseDataType(type) == string) {
        v.isString = true;
        v.displayText = record.elementAt<QString>(0);
        v.storedValue = v.displayText;
        return v;
    }
    v.number = toDouble(type, record);
    v.displayText = QString::number(v.number, 'g', 6);
    v.storedValue = v.number;
    // A counter or an energy total must be read to the last unit: integer types show every
    // digit, from the element itself, since a 64-bit one may have more digits than a double.
    withNumericType(type, [&](auto tag) {
        using T = decltype(tag);
        if constexpr (std::is_integral<T>::value) {
            const T x = record.elementAt<T>(0);
            if (record.error != LabelError::Ok)
                return;
            // Int8 elements are signed whatever the platform's char is.
            if constexpr (std::is_same<T, char>::value)
                v.displayText = QString::number(int(static_cast<signed char>(x)));
            else
                v.displayText = QString::number(x);
        }
    });
    // A float widened to double carries digits the controller never held (1.6 becomes
    // 1.600000023841858, which reports and workbooks would show): the history keeps the
    // float's shortest decimal, which reads back as the same float.
    if (baseDataType(type) == Float && std::isfinite(v.number))
        v.storedValue = WriteValue::editText(type, v.number).toDouble();
    return v;
}

bool HistoryBatch::flush(SQLiteHandler &database, QString *errorText)
{
    if (m_samples.isEmpty())
        return true;
    const QList<QVariantMap> samples = std::move(m_samples);
    m_samples.clear();
    QString error;
    const QMetaObject::Connection errors = QObject::connect(
        &database, &SQLiteHandler::errorOccurred, [&error](const QString &text) { error = text; });
    QSqlDatabase db = database.database();
    const bool inTransaction = db.isOpen() && db.transaction();
    bool ok = database.insertRecords(QStringLiteral("data"), samples);
    if (inTransaction && !db.commit()) {
        error = db.lastError().text();
        db.rollback();
        ok = false;
    }
    QObject::disconnect(errors);
    if (!ok && errorText)
        *errorText = !error.isEmpty() ? error
                     : !db.isOpen() ? QCoreApplication::translate("MainWindow", "数据库未打开")
                                    : db.lastError().text();
    return ok;
}

void LabelRowIndex::add(int row, const QString &address, int type)
{
    m_rows[rowKey(address, type)].append(row);
}

QList<int> LabelRowIndex::rowsOf(const Induction::SReadInfo &entry) const
{
    return m_rows.value(rowKey(entry.name, entry.type));
}

namespace WriteValue {

bool isWritableType(int type)
{
    const int base = baseDataType(type);
    return base != null && base != string;
}

QString check(int type, double value)
{
    if (!std::isfinite(value))
        return notANumberText(QString::number(value));
    QString error;
    withNumericType(type, [&](auto tag) {
        using T = decltype(tag);
        if constexpr (std::is_floating_point<T>::value) {
            const double limit = std::numeric_limits<T>::max();
            if (std::fabs(value) > limit)
                error = outOfRangeText(value, type, QString::number(-limit, 'g', 9),
                                       QString::number(limit, 'g', 9));
        } else {
            double low = 0.0;
            double highExclusive = 0.0;
            integerBounds<T>(&low, &highExclusive);
            const double whole = std::trunc(value);
            if (whole < low || whole >= highExclusive)
                error = outOfRangeText(value, type, QString::number(std::numeric_limits<T>::min()),
                                       QString::number(std::numeric_limits<T>::max()));
        }
    });
    return error;
}

Parsed parse(const QString &text, int type)
{
    Parsed p;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        p.errorText = notANumberText(text);
        return p;
    }
    p.errorText = check(type, value);
    p.ok = p.errorText.isEmpty();
    p.value = value;
    return p;
}

CLabelVariable record(int type, double value)
{
    CLabelVariable r;
    if (isWritableType(type))
        r.value = oneElementList(type, value);
    r.count = 1;
    r.type = type;
    return r;
}

QString editText(int type, double value)
{
    const int base = baseDataType(type);
    // Integer labels hold whole numbers: plain digits, never an exponent.
    if (base != Float && base != Double && std::isfinite(value) && value == std::trunc(value))
        return QString::number(value, 'f', 0);
    const bool asFloat = base == Float;
    for (int precision = 6; precision < 17; ++precision) {
        const QString text = QString::number(value, 'g', precision);
        const double back = text.toDouble();
        if (asFloat ? float(back) == float(value) : back == value)
            return text;
    }
    return QString::number(value, 'g', 17);
}

} // namespace WriteValue
