#include "monitorlogic.h"

#include "elementtype.h"
#include "sqlitehandler.h"

#include <QCoreApplication>
#include <QRegularExpression>
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

QString outOfRangeText(const QString &value, int type, const QString &low, const QString &high)
{
    return QCoreApplication::translate("DialogWriteLabel", "数值 %1 超出 %2 的范围（%3 至 %4）")
        .arg(value, dataTypeName(type), low, high);
}

// Int8 elements are signed whatever the platform's char is.
template<typename T>
using NumberOf = std::conditional_t<std::is_same<T, char>::value, signed char, T>;

template<typename T>
QString rangeText(const QString &value, int type)
{
    using N = NumberOf<T>;
    return outOfRangeText(value, type, QString::number(std::numeric_limits<N>::min()),
                          QString::number(std::numeric_limits<N>::max()));
}

// [low, highExclusive) of the integer type T as doubles; exact even for the 64-bit types, whose
// maximum has no double of its own.
template<typename T>
void integerBounds(double *low, double *highExclusive)
{
    using N = NumberOf<T>;
    *highExclusive = std::ldexp(1.0, std::numeric_limits<N>::digits);
    *low = std::numeric_limits<N>::is_signed ? -*highExclusive : 0.0;
}

// The whole part of a number text, truncated toward zero, read from its digits.
struct WholePart
{
    bool negative = false;
    bool tooLarge = false; // more than 64 bits: outside every integer type
    quint64 magnitude = 0;
};

// A typed number as the readings below take it: without the blanks around it, and with the
// minus sign U+2212 (what a copy from a document or a formula gives) as the ASCII one, which
// QString::toDouble reads alike, so that every type reads the same texts as the same numbers.
QString plainNumberText(const QString &typed)
{
    QString text = typed.trimmed();
    text.replace(QChar(0x2212), QLatin1Char('-'));
    return text;
}

// False when text is not a plain decimal number (sign, digits, point, exponent).
bool wholePartOf(const QString &text, WholePart *whole)
{
    static const QRegularExpression number(
        QStringLiteral("^([+-]?)([0-9]*)(?:\\.([0-9]*))?(?:[eE]([+-]?[0-9]+))?$"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch() || m.capturedLength(2) + m.capturedLength(3) == 0)
        return false;
    *whole = WholePart();
    whole->negative = m.captured(1) == QLatin1String("-");
    QString digits = m.captured(2) + m.captured(3);
    // Where the point falls in digits; bounded, since only 20 digits can matter.
    constexpr qint64 farOut = 100000;
    bool exponentOk = true;
    qint64 point = m.capturedLength(4) == 0 ? 0 : m.captured(4).toLongLong(&exponentOk);
    if (!exponentOk)
        point = m.captured(4).startsWith(QLatin1Char('-')) ? -farOut : farOut;
    point = qBound(-farOut, point, farOut) + m.capturedLength(2);
    int zeros = 0;
    while (zeros < digits.size() && digits.at(zeros) == QLatin1Char('0'))
        ++zeros;
    digits.remove(0, zeros);
    point -= zeros;
    if (digits.isEmpty() || point <= 0)
        return true;
    if (point > 20) {
        whole->tooLarge = true;
        return true;
    }
    digits = digits.left(int(point)).leftJustified(int(point), QLatin1Char('0'));
    bool fits = false;
    whole->magnitude = digits.toULongLong(&fits);
    whole->tooLarge = !fits;
    return true;
}

// The value of whole as the integer type T, exactly; false when T cannot hold it.
template<typename T>
bool wholeValue(const WholePart &whole, QVariant *exact)
{
    using N = NumberOf<T>;
    constexpr quint64 max = quint64(std::numeric_limits<N>::max());
    if (whole.tooLarge)
        return false;
    if (!std::numeric_limits<N>::is_signed) {
        if (whole.negative && whole.magnitude != 0)
            return false;
        if (whole.magnitude > max)
            return false;
        *exact = QVariant(qulonglong(whole.magnitude));
        return true;
    }
    if (!whole.negative) {
        if (whole.magnitude > max)
            return false;
        *exact = QVariant(qlonglong(whole.magnitude));
        return true;
    }
    if (whole.magnitude > max + 1)
        return false;
    // -(max + 1) is the one value whose magnitude has no positive counterpart.
    *exact = QVariant(whole.magnitude == max + 1 ? qlonglong(std::numeric_limits<N>::min())
                                                 : -qlonglong(whole.magnitude));
    return true;
}

// The exact form of a double that passed the check.
QVariant exactOfDouble(int type, double value)
{
    QVariant exact;
    withElementType(type, [&](auto tag) {
        using T = decltype(tag);
        using N = NumberOf<T>;
        if constexpr (std::is_same<T, bool>::value)
            exact = QVariant(value != 0.0 ? 1.0 : 0.0);
        else if constexpr (std::is_floating_point<T>::value)
            // Between the largest float and the edge where rounding gives infinity, the
            // largest float: what the nearest float is, said without converting out of range.
            exact = QVariant(double(T(qBound(-double(std::numeric_limits<T>::max()), value,
                                             double(std::numeric_limits<T>::max())))));
        else if constexpr (std::is_integral<T>::value && std::is_signed<N>::value)
            exact = QVariant(qlonglong(std::trunc(value)));
        else if constexpr (std::is_integral<T>::value)
            exact = QVariant(qulonglong(std::trunc(value)));
    });
    return exact;
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
    v.exact = v.number;
    // A counter or an energy total must be read to the last unit: integer types show every
    // digit, from the element itself, since a 64-bit one may have more digits than a double.
    withNumericType(type, [&](auto tag) {
        using T = decltype(tag);
        if constexpr (std::is_integral<T>::value) {
            const NumberOf<T> x = record.elementAt<T>(0);
            if (record.error != LabelError::Ok)
                return;
            if constexpr (std::is_signed<NumberOf<T>>::value)
                v.exact = qlonglong(x);
            else
                v.exact = qulonglong(x);
            v.displayText = WriteValue::exactText(type, v.exact);
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
    QSqlDatabase db = database.database();
    // Without a connection every statement fails with Qt's "Driver not loaded", which is not why.
    if (!db.isOpen()) {
        if (errorText)
            *errorText = QCoreApplication::translate("MainWindow", "数据库未打开");
        return false;
    }
    QString error;
    const QMetaObject::Connection errors = QObject::connect(
        &database, &SQLiteHandler::errorOccurred, [&error](const QString &text) { error = text; });
    const bool inTransaction = db.transaction();
    bool ok = database.insertRecords(QStringLiteral("data"), samples);
    if (inTransaction && !db.commit()) {
        error = db.lastError().text();
        db.rollback();
        ok = false;
    }
    QObject::disconnect(errors);
    if (!ok && errorText)
        *errorText = !error.isEmpty() ? error : db.lastError().text();
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
            // A number the type rounds to its largest value is in range: the shortest text of
            // the largest float (3.4028235e+38) lies above it. Half a unit in the last place
            // above the largest, where a tie rounds to even, infinity, is out.
            using L = std::numeric_limits<T>;
            const double roundsToInfinity
                = limit + std::ldexp(1.0, L::max_exponent - L::digits - 1);
            if (std::fabs(value) >= roundsToInfinity)
                error = outOfRangeText(QString::number(value, 'g', 17), type,
                                       QString::number(-limit, 'g', 9),
                                       QString::number(limit, 'g', 9));
        } else {
            double low = 0.0;
            double highExclusive = 0.0;
            integerBounds<T>(&low, &highExclusive);
            const double whole = std::trunc(value);
            if (whole < low || whole >= highExclusive)
                error = rangeText<T>(QString::number(value, 'g', 17), type);
        }
    });
    return error;
}

Parsed fromDouble(int type, double value)
{
    Parsed p;
    p.value = value;
    p.errorText = check(type, value);
    p.ok = p.errorText.isEmpty();
    if (p.ok)
        p.exact = exactOfDouble(type, value);
    return p;
}

Parsed parse(const QString &text, int type)
{
    const QString number = plainNumberText(text);
    Parsed p;
    // Every type takes the same texts: a plain decimal number, nothing else QString::toDouble
    // might read.
    WholePart whole;
    if (!wholePartOf(number, &whole)) {
        p.errorText = notANumberText(text);
        return p;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    // Integer types take the typed digits and nothing but: through a double a 64-bit value would
    // lose its last digits, and a number just outside the range would round into it.
    bool integer = false;
    withNumericType(type, [&](auto tag) {
        using T = decltype(tag);
        if constexpr (std::is_integral<T>::value) {
            integer = true;
            p.ok = wholeValue<T>(whole, &p.exact);
            if (!p.ok) {
                p.errorText = rangeText<T>(text.trimmed(), type);
                return;
            }
            // The double the dialog's signal carries; the exact value travels beside it.
            p.value = ok && std::isfinite(value) ? value : p.exact.toDouble();
        }
    });
    if (integer)
        return p;
    if (!ok || !std::isfinite(value)) {
        p.errorText = notANumberText(text);
        return p;
    }
    return fromDouble(type, value);
}

bool standsFor(const QVariant &exact, double value)
{
    bool ok = false;
    return exact.isValid() && exact.toDouble(&ok) == value && ok;
}

CLabelVariable record(int type, double value)
{
    return exactRecord(type, exactOfDouble(type, value));
}

CLabelVariable exactRecord(int type, const QVariant &exact)
{
    CLabelVariable r;
    if (isWritableType(type)) {
        withElementType(type, [&](auto tag) {
            using T = decltype(tag);
            using N = NumberOf<T>;
            if constexpr (std::is_same<T, bool>::value)
                r.value = QVariant::fromValue(QList<bool>{exact.toDouble() != 0.0});
            else if constexpr (std::is_floating_point<T>::value)
                r.value = QVariant::fromValue(QList<T>{T(exact.toDouble())});
            else if constexpr (std::is_integral<T>::value && std::is_signed<N>::value)
                r.value = QVariant::fromValue(QList<T>{T(exact.toLongLong())});
            else if constexpr (std::is_integral<T>::value)
                r.value = QVariant::fromValue(QList<T>{T(exact.toULongLong())});
        });
    }
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

QString exactText(int type, const QVariant &exact)
{
    switch (exact.userType()) {
    case QMetaType::LongLong:
        return QString::number(exact.toLongLong());
    case QMetaType::ULongLong:
        return QString::number(exact.toULongLong());
    default:
        return editText(type, exact.toDouble());
    }
}

QString prefillText(int type, double value, const QVariant &held)
{
    return standsFor(held, value) ? exactText(type, held) : editText(type, value);
}

} // namespace WriteValue
