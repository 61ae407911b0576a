#pragma once

#include "datatype.h"
#include "induction.h"

#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QVariant>

// Outcome of parsing one label address: area, index and the element size of the label's type.
struct AddressMatch
{
    QString areaText; // area letters as written ("DI" or "di")
    qint32 area = 0;  // engine area code 1 to 26, 0 without a match
    qint32 index = -1;
    qint32 bit = -1; // the notation has no bit syntax
    qint32 size = 0; // element size in bytes of the given type; 0 for string
};

// Parser of the controller family's label addresses: one of 26 area mnemonics, all upper or all
// lower case, then a decimal index 1..32767 of at most five digits.
class AddressGrammar
{
public:
    AddressGrammar();

    AddressMatch match(const QString &address, const DataType &type) const;
    void formatIndex(const int &area, QVariant &value) const;

    // The language of the notation as anchored expressions, one per area code, in code order.
    // match() scans by hand instead (26 expressions per label are too slow for large lists);
    // the two are kept in agreement by the tests.
    QMap<int, QRegularExpression> patterns;
};

// Bytes of one element of a DataType; -1 for a non-type. "string" is not sized here.
int elementSizeOfType(int type);

// Bytes of one element of an item; strings take "[n]" from the address, else 256 in SI and SO.
int itemElementSize(const Induction::SReadInfo &item);
int itemElementSize(const Induction::SWriteInfo &item);
