#include "labelvariable.h"

#include "elementtype.h"

#include <limits>
#include <type_traits>

CLabelVariable::CLabelVariable()
    : status(LabelStatus::NotDone)
    , error(LabelError::Default)
    , count(0)
    , type(0)
    , reserved(0)
{}

CLabelVariable::CLabelVariable(const CLabelVariable &other) = default;

CLabelVariable &CLabelVariable::operator=(const CLabelVariable &other)
{
    status = other.status;
    value = other.value;
    time = other.time;
    name = other.name;
    count = other.count;
    type = other.type;
    text = other.text;
    return *this;
}

CLabelVariable::~CLabelVariable() = default;

QString CLabelVariable::get_string(int i) { return elementAt<QString>(i); }
bool CLabelVariable::get_bool(int i) { return elementAt<bool>(i); }
char CLabelVariable::get_Int8(int i) { return elementAt<char>(i); }
unsigned char CLabelVariable::get_UInt8(int i) { return elementAt<unsigned char>(i); }
short CLabelVariable::get_Int16(int i) { return elementAt<short>(i); }
unsigned short CLabelVariable::get_UInt16(int i) { return elementAt<unsigned short>(i); }
int CLabelVariable::get_Int32(int i) { return elementAt<int>(i); }
unsigned int CLabelVariable::get_UInt32(int i) { return elementAt<unsigned int>(i); }
float CLabelVariable::get_float(int i) { return elementAt<float>(i); }
qint64 CLabelVariable::get_Int64(int i) { return elementAt<qint64>(i); }
quint64 CLabelVariable::get_UInt64(int i) { return elementAt<quint64>(i); }
double CLabelVariable::get_double(int i) { return elementAt<double>(i); }

namespace {

enum class Op { Add, Sub, Mul, Div };

// Integer arithmetic that wraps like the element type, without signed overflow (undefined) and
// without the traps of x / 0 and MIN / -1 (SIGFPE): a zero divisor gives 0, MIN / -1 wraps.
template<typename T>
T integerOp(Op op, T a, T b)
{
    // Wide enough that the integer promotions of small types cannot overflow an int.
    using W = std::conditional_t<(sizeof(T) <= sizeof(unsigned)), unsigned, unsigned long long>;
    const W ua = static_cast<W>(a);
    const W ub = static_cast<W>(b);
    switch (op) {
    case Op::Add:
        return static_cast<T>(ua + ub);
    case Op::Sub:
        return static_cast<T>(ua - ub);
    case Op::Mul:
        return static_cast<T>(ua * ub);
    case Op::Div:
        if (b == 0)
            return T(0);
        if (std::is_signed<T>::value && b == static_cast<T>(-1))
            return static_cast<T>(W(0) - ua);
        return static_cast<T>(a / b);
    }
    return T(0);
}

bool boolOp(Op op, bool a, bool b)
{
    switch (op) {
    case Op::Add:
        return a || b;
    case Op::Sub:
        return a != b;
    case Op::Mul:
        return a && b;
    case Op::Div:
        // a / b as integers, lowest bit kept; a zero divisor gives 0.
        return b ? ((int(a) / int(b)) & 1) != 0 : false;
    }
    return false;
}

template<typename T>
T elementOp(Op op, T a, T b)
{
    if constexpr (std::is_same<T, bool>::value) {
        return boolOp(op, a, b);
    } else if constexpr (std::is_floating_point<T>::value) {
        switch (op) {
        case Op::Add:
            return a + b;
        case Op::Sub:
            return a - b;
        case Op::Mul:
            return a * b;
        case Op::Div:
            return a / b;
        }
        return T(0);
    } else if constexpr (std::is_same<T, QString>::value) {
        // Only + is defined on strings: element-wise concatenation.
        Q_UNUSED(op)
        return a + b;
    } else {
        return integerOp<T>(op, a, b);
    }
}

template<typename T>
QList<T> listOf(const CLabelVariable &r)
{
    return r.value.canConvert<QList<T>>() ? r.value.value<QList<T>>() : QList<T>();
}

template<typename T>
CLabelVariable arithmetic(Op op, const CLabelVariable &left, const CLabelVariable &right)
{
    CLabelVariable result;
    result.status = right.status;
    result.name = right.name;
    result.count = right.count;
    result.type = right.type;
    result.text = right.text;

    const int n = left.count;
    QList<T> out;
    if (n > 0 && listOf<T>(left).size() == n && listOf<T>(right).size() == n) {
        out.reserve(n);
        for (int i = 0; i < n; ++i)
            out.append(elementOp<T>(op, left.elementAt<T>(i), right.elementAt<T>(i)));
    }
    result.value = QVariant::fromValue(out);
    return result;
}

template<typename T>
bool elementsEqual(bool eq, const CLabelVariable &left, const CLabelVariable &right)
{
    const int n = left.count;
    if (listOf<T>(left).size() != n || listOf<T>(right).size() != n)
        return false;
    if (n <= 0)
        return eq;
    for (int i = 0; i < n; ++i) {
        if (!(left.elementAt<T>(i) == right.elementAt<T>(i)))
            return false;
    }
    return eq;
}

CLabelVariable arithmeticByType(Op op, const CLabelVariable &left, const CLabelVariable &right)
{
    if (left.type == string && op != Op::Add)
        return CLabelVariable();
    CLabelVariable result;
    withElementType(left.type, [&](auto tag) {
        using T = decltype(tag);
        result = arithmetic<T>(op, left, right);
    });
    return result;
}

} // namespace

CLabelVariable CLabelVariable::operator+(const CLabelVariable &other) const
{
    return arithmeticByType(Op::Add, *this, other);
}

CLabelVariable CLabelVariable::operator-(const CLabelVariable &other) const
{
    return arithmeticByType(Op::Sub, *this, other);
}

CLabelVariable CLabelVariable::operator*(const CLabelVariable &other) const
{
    return arithmeticByType(Op::Mul, *this, other);
}

CLabelVariable CLabelVariable::operator/(const CLabelVariable &other) const
{
    return arithmeticByType(Op::Div, *this, other);
}

bool CLabelVariable::operator==(const CLabelVariable &other) const
{
    const bool eq = status == other.status && name == other.name && count == other.count
                    && type == other.type && text == other.text;
    bool result = eq;
    withElementType(type, [&](auto tag) {
        using T = decltype(tag);
        result = elementsEqual<T>(eq, *this, other);
    });
    return result;
}
