#include "induction.h"
#include "labelvariable.h"

#include <QMap>
#include <QtTest>

#include <limits>

namespace {

template<typename T>
CLabelVariable record(int type, const QList<T> &elements, int count = -1)
{
    CLabelVariable r;
    r.status = 0;
    r.type = type;
    r.count = count < 0 ? elements.size() : count;
    r.name = QStringLiteral("AI1");
    r.value = QVariant::fromValue(elements);
    return r;
}

template<typename T>
QList<T> elements(const CLabelVariable &r)
{
    return r.value.value<QList<T>>();
}

} // namespace

class tst_LabelVariable : public QObject
{
    Q_OBJECT

private slots:
    void newRecord();
    void getters();
    void getterFailures();
    void copyVersusAssignment();
    void arithmeticInt32();
    void wrapsLikeElementType();
    void guardedDivision();
    void countMismatch();
    void boolOperators();
    void byteOrderVariantsUseBaseType();
    void nonTypeGivesDefaultRecord();
    void strings();
    void equality();
    void readInfoOrderAsMapKey();
    void dataTypeNames();
};

void tst_LabelVariable::newRecord()
{
    CLabelVariable r;
    QCOMPARE(r.status, 1);
    QCOMPARE(r.error, 1);
    QVERIFY(!r.value.isValid());
    QVERIFY(r.time.isNull());
    QVERIFY(r.name.isEmpty() && r.text.isEmpty());
    QCOMPARE(r.count, 0);
    QCOMPARE(r.type, 0);
    QCOMPARE(r.reserved, 0);

    QCOMPARE(r.get_Int32(0), 0);
    QCOMPARE(r.error, 11);
    QCOMPARE(r.get_bool(0), false);
    QCOMPARE(r.error, 11);
    QVERIFY(r.get_string(0).isNull());
    QCOMPARE(r.error, 11);
    QCOMPARE(r.get_double(0), 0.0);
    QCOMPARE(r.error, 11);
}

void tst_LabelVariable::getters()
{
    CLabelVariable r = record<int>(Int32, {7, 8, 9});
    QCOMPARE(r.get_Int32(2), 9);
    QCOMPARE(r.error, 0);

    // Each getter finds exactly its own list type.
    CLabelVariable c = record<char>(Int8, {char(-5)});
    QCOMPARE(c.get_Int8(0), char(-5));
    QCOMPARE(c.error, 0);
    CLabelVariable uc = record<unsigned char>(UInt8, {250});
    QCOMPARE(uc.get_UInt8(0), (unsigned char)250);
    CLabelVariable s = record<short>(Int16, {-300});
    QCOMPARE(s.get_Int16(0), short(-300));
    CLabelVariable us = record<unsigned short>(UInt16, {65000});
    QCOMPARE(us.get_UInt16(0), (unsigned short)65000);
    CLabelVariable u = record<unsigned int>(UInt32, {4000000000u});
    QCOMPARE(u.get_UInt32(0), 4000000000u);
    CLabelVariable f = record<float>(Float, {1.5f});
    QCOMPARE(f.get_float(0), 1.5f);
    CLabelVariable l = record<qint64>(Int64, {-(qint64(1) << 40)});
    QCOMPARE(l.get_Int64(0), -(qint64(1) << 40));
    CLabelVariable ul = record<quint64>(UInt64, {quint64(1) << 63});
    QCOMPARE(ul.get_UInt64(0), quint64(1) << 63);
    CLabelVariable d = record<double>(Double, {2.25});
    QCOMPARE(d.get_double(0), 2.25);
    CLabelVariable b = record<bool>(Bool, {false, true});
    QCOMPARE(b.get_bool(1), true);
    QCOMPARE(b.error, 0);
    CLabelVariable str = record<QString>(string, {"ab", "cd"});
    QCOMPARE(str.get_string(1), QStringLiteral("cd"));
    QCOMPARE(str.error, 0);
}

void tst_LabelVariable::getterFailures()
{
    CLabelVariable r = record<int>(Int32, {7, 8, 9});
    const int statusBefore = r.status;
    QCOMPARE(r.get_Int32(3), 0);
    QCOMPARE(r.error, 10);
    QCOMPARE(r.get_Int32(-1), 0);
    QCOMPARE(r.error, 10);
    // No conversion between list types.
    QCOMPARE(r.get_double(0), 0.0);
    QCOMPARE(r.error, 11);
    QCOMPARE(r.get_UInt32(0), 0u);
    QCOMPARE(r.error, 11);
    QCOMPARE(r.status, statusBefore);
    QCOMPARE(elements<int>(r), (QList<int>{7, 8, 9}));

    CLabelVariable empty = record<float>(Float, {});
    QCOMPARE(empty.get_float(0), 0.0f);
    QCOMPARE(empty.error, 10);

    // signed char is not the element type of Int8.
    CLabelVariable sc;
    sc.value = QVariant::fromValue(QList<signed char>{1});
    QCOMPARE(sc.get_Int8(0), char(0));
    QCOMPARE(sc.error, 11);

    CLabelVariable str = record<QString>(string, {"x"});
    QVERIFY(str.get_string(5).isNull());
    QCOMPARE(str.error, 10);
}

void tst_LabelVariable::copyVersusAssignment()
{
    CLabelVariable source = record<int>(Int32, {1});
    source.get_Int32(0);
    source.time = QDateTime::currentDateTime();
    source.text = QStringLiteral("second");
    source.reserved = 42;
    QCOMPARE(source.error, 0);

    CLabelVariable target = record<int>(Int32, {1, 2});
    target.get_Int32(9);
    QCOMPARE(target.error, 10);
    target.reserved = 7;
    target = source;
    QCOMPARE(target.error, 10);
    QCOMPARE(target.reserved, 7);
    QCOMPARE(target.count, 1);
    QCOMPARE(target.time, source.time);
    QCOMPARE(target.text, source.text);
    QCOMPARE(elements<int>(target), QList<int>{1});

    CLabelVariable copy(source);
    QCOMPARE(copy.error, 0);
    QCOMPARE(copy.reserved, 42);
    QCOMPARE(copy.text, source.text);
}

void tst_LabelVariable::arithmeticInt32()
{
    CLabelVariable a = record<int>(Int32, {1, 2, 3});
    CLabelVariable b = record<int>(Int32, {10, 20, 30});
    b.status = 0;
    b.name = QStringLiteral("AI9");
    b.text = QStringLiteral("right");
    a.status = 4;

    const CLabelVariable sum = a + b;
    QCOMPARE(elements<int>(sum), (QList<int>{11, 22, 33}));
    QCOMPARE(sum.status, b.status);
    QCOMPARE(sum.name, b.name);
    QCOMPARE(sum.text, b.text);
    QCOMPARE(sum.count, 3);
    QCOMPARE(sum.type, int(Int32));
    QCOMPARE(sum.error, 1);
    QVERIFY(sum.time.isNull());

    QCOMPARE(elements<int>(b - a), (QList<int>{9, 18, 27}));
    QCOMPARE(elements<int>(a * b), (QList<int>{10, 40, 90}));
    QCOMPARE(elements<int>(b / a), (QList<int>{10, 10, 10}));
    QCOMPARE(elements<int>(record<int>(Int32, {-7}) / record<int>(Int32, {2})), QList<int>{-3});
    // Operands are read through the getters, which leave their error.
    QCOMPARE(a.error, 0);
    QCOMPARE(b.error, 0);
}

void tst_LabelVariable::wrapsLikeElementType()
{
    auto u8 = record<unsigned char>(UInt8, {200});
    auto u8b = record<unsigned char>(UInt8, {100});
    QCOMPARE(elements<unsigned char>(u8 + u8b), QList<unsigned char>{44});
    QCOMPARE(elements<unsigned char>(u8b - u8), QList<unsigned char>{156});

    auto i8 = record<char>(Int8, {char(127)});
    auto one8 = record<char>(Int8, {char(1)});
    QCOMPARE(elements<char>(i8 + one8), QList<char>{char(-128)});

    const int imax = std::numeric_limits<int>::max();
    const int imin = std::numeric_limits<int>::min();
    QCOMPARE(elements<int>(record<int>(Int32, {imax}) + record<int>(Int32, {1})), QList<int>{imin});
    QCOMPARE(elements<int>(record<int>(Int32, {imin}) - record<int>(Int32, {1})), QList<int>{imax});
    QCOMPARE(elements<int>(record<int>(Int32, {65536}) * record<int>(Int32, {65536})),
             QList<int>{0});
    // unsigned short * unsigned short would overflow int after promotion.
    QCOMPARE(elements<unsigned short>(record<unsigned short>(UInt16, {65535})
                                      * record<unsigned short>(UInt16, {65535})),
             QList<unsigned short>{1});
    const qint64 lmax = std::numeric_limits<qint64>::max();
    QCOMPARE(elements<qint64>(record<qint64>(Int64, {lmax}) + record<qint64>(Int64, {1})),
             QList<qint64>{std::numeric_limits<qint64>::min()});
}

void tst_LabelVariable::guardedDivision()
{
    // Element by element: a zero divisor gives 0 and the other elements still divide.
    QCOMPARE(elements<int>(record<int>(Int32, {10, 9}) / record<int>(Int32, {0, 3})),
             (QList<int>{0, 3}));
    QCOMPARE(elements<quint64>(record<quint64>(UInt64, {5}) / record<quint64>(UInt64, {0})),
             QList<quint64>{0});
    QCOMPARE(elements<char>(record<char>(Int8, {5}) / record<char>(Int8, {0})), QList<char>{0});
    QCOMPARE(elements<bool>(record<bool>(Bool, {true}) / record<bool>(Bool, {false})),
             QList<bool>{false});

    const int imin = std::numeric_limits<int>::min();
    QCOMPARE(elements<int>(record<int>(Int32, {imin}) / record<int>(Int32, {-1})),
             QList<int>{imin});
    const qint64 lmin = std::numeric_limits<qint64>::min();
    QCOMPARE(elements<qint64>(record<qint64>(Int64, {lmin}) / record<qint64>(Int64, {-1})),
             QList<qint64>{lmin});
    QCOMPARE(elements<char>(record<char>(Int8, {char(-128)}) / record<char>(Int8, {char(-1)})),
             QList<char>{char(-128)});
    // Unsigned types divide unsigned.
    QCOMPARE(elements<unsigned int>(record<unsigned int>(UInt32, {4000000000u})
                                    / record<unsigned int>(UInt32, {2u})),
             QList<unsigned int>{2000000000u});
    // Floating point divides as floating point.
    QCOMPARE(elements<double>(record<double>(Double, {1.0}) / record<double>(Double, {4.0})),
             QList<double>{0.25});
}

void tst_LabelVariable::countMismatch()
{
    const auto a = record<int>(Int32, {1, 2}, 2);
    const auto b = record<int>(Int32, {1, 2, 3}, 2);
    const CLabelVariable product = a * b;
    QVERIFY(product.value.canConvert<QList<int>>());
    QVERIFY(elements<int>(product).isEmpty());
    QVERIFY(!(a == b));

    // count 0 computes nothing but still yields an empty list of the type.
    const auto z = record<int>(Int32, {}, 0);
    QVERIFY(elements<int>(z + z).isEmpty());
    QCOMPARE((z + z).value.userType(), qMetaTypeId<QList<int>>());
}

void tst_LabelVariable::boolOperators()
{
    const auto t = record<bool>(Bool, {true});
    const auto f = record<bool>(Bool, {false});
    QCOMPARE(elements<bool>(t - t), QList<bool>{false});
    QCOMPARE(elements<bool>(f - t), QList<bool>{true});
    QCOMPARE(elements<bool>(f + t), QList<bool>{true});
    QCOMPARE(elements<bool>(f + f), QList<bool>{false});
    QCOMPARE(elements<bool>(t * f), QList<bool>{false});
    QCOMPARE(elements<bool>(t * t), QList<bool>{true});
    QCOMPARE(elements<bool>(t / t), QList<bool>{true});
    QCOMPARE(elements<bool>(f / t), QList<bool>{false});
}

void tst_LabelVariable::byteOrderVariantsUseBaseType()
{
    struct Row
    {
        int type;
        int baseType;
    };
    const Row rows[] = {{int16_BA, Int16}, {uint16_AB, UInt16}, {int32_CDAB, Int32},
                        {uint32_DCBA, UInt32}, {int64_GHEFCDAB, Int64},
                        {uint64_BADCFEHG, UInt64}, {float_CDAB, Float},
                        {double_HGFEDCBA, Double}};
    for (const Row &row : rows)
        QCOMPARE(int(baseDataType(row.type)), row.baseType);

    auto a = record<float>(float_CDAB, {1.5f});
    QCOMPARE(a.get_float(0), 1.5f);
    QCOMPARE(a.error, 0);
    QCOMPARE(elements<float>(a + record<float>(float_CDAB, {2.0f})), QList<float>{3.5f});
    QCOMPARE(elements<short>(record<short>(int16_AB, {30000}) + record<short>(int16_AB, {30000})),
             QList<short>{short(-5536)});
    QCOMPARE(elements<double>(record<double>(double_BADCFEHG, {3.0})
                              * record<double>(double_BADCFEHG, {0.5})),
             QList<double>{1.5});
}

void tst_LabelVariable::nonTypeGivesDefaultRecord()
{
    for (int type : {0, 41, -1}) {
        auto a = record<int>(type, {1});
        auto b = record<int>(Int32, {2});
        b.name = QStringLiteral("x");
        for (const CLabelVariable &r : {a + b, a - b, a * b, a / b}) {
            QCOMPARE(r.status, 1);
            QCOMPARE(r.error, 1);
            QCOMPARE(r.count, 0);
            QCOMPARE(r.type, 0);
            QVERIFY(r.name.isEmpty());
            QVERIFY(!r.value.isValid());
        }
    }
}

void tst_LabelVariable::strings()
{
    const auto a = record<QString>(string, {"ab", "x"});
    const auto b = record<QString>(string, {"cd", "y"});
    QCOMPARE(elements<QString>(a + b), (QList<QString>{"abcd", "xy"}));
    for (const CLabelVariable &r : {a - b, a * b, a / b}) {
        QCOMPARE(r.status, 1);
        QCOMPARE(r.type, 0);
        QVERIFY(!r.value.isValid());
    }
    QVERIFY(a == record<QString>(string, {"ab", "x"}));
    QVERIFY(!(a == b));
}

void tst_LabelVariable::equality()
{
    auto a = record<int>(Int32, {1, 2});
    auto b = record<int>(Int32, {1, 2});
    a.time = QDateTime::currentDateTime();
    b.time = a.time.addSecs(5);
    QVERIFY(a == b);

    b.value = QVariant::fromValue(QList<int>{1, 3});
    QVERIFY(!(a == b));
    b.value = a.value;
    b.text = QStringLiteral("other");
    QVERIFY(!(a == b));

    // For a non-type only the fields count.
    CLabelVariable n1, n2;
    n1.value = QVariant::fromValue(QList<int>{1});
    QVERIFY(n1 == n2);
    n2.name = QStringLiteral("x");
    QVERIFY(!(n1 == n2));

    // count 0 with empty lists compares the fields.
    auto z1 = record<int>(Int32, {}, 0);
    auto z2 = record<int>(Int32, {}, 0);
    QVERIFY(z1 == z2);
}

void tst_LabelVariable::readInfoOrderAsMapKey()
{
    using Induction::SReadInfo;
    const SReadInfo a{"AI5", Int16};
    const SReadInfo b{"AI5", Int32};
    const SReadInfo c{"AI10", Double};
    QVERIFY(a < b);
    QVERIFY(!(b < a));
    QVERIFY(c < a); // by name alone: "AI10" < "AI5"
    QVERIFY(!(a < a));
    QVERIFY(a == SReadInfo({"AI5", Int16}));

    QMap<SReadInfo, int> map;
    map.insert(b, 2);
    map.insert(a, 1);
    map.insert(c, 3);
    map.insert(SReadInfo{"AI5", Int16}, 4);
    QCOMPARE(map.size(), 3);
    QCOMPARE(map.keys(), (QList<SReadInfo>{c, a, b}));
    QCOMPARE(map.value(a), 4);

    // Member lists order item by item, a prefix first.
    QVERIFY((QList<SReadInfo>{a}) < (QList<SReadInfo>{a, b}));
    QVERIFY((QList<SReadInfo>{c, b}) < (QList<SReadInfo>{a}));
}

void tst_LabelVariable::dataTypeNames()
{
    QCOMPARE(dataTypeName(0), QStringLiteral("null"));
    QCOMPARE(dataTypeName(Bool), QStringLiteral("bool"));
    QCOMPARE(dataTypeName(string), QStringLiteral("string"));
    QCOMPARE(dataTypeName(int64_HGFEDCBA), QStringLiteral("int64_HGFEDCBA"));
    QCOMPARE(dataTypeName(40), QStringLiteral("double_HGFEDCBA"));
    QVERIFY(dataTypeName(41).isEmpty());
}

QTEST_GUILESS_MAIN(tst_LabelVariable)
#include "tst_labelvariable.moc"
