#pragma once

// Value records for the S7 tests.
#include "labelvariable.h"

#include <QList>
#include <QVariant>

template<typename T>
CLabelVariable valueOf(const QList<T> &list)
{
    CLabelVariable v;
    v.value = QVariant::fromValue(list);
    return v;
}
