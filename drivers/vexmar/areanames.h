#pragma once

#include <QString>

// The 26 area names of the controller family, numbered 1 to 26 as the induction engine numbers
// them. The wire numbering (getArea) agrees for 1 to 24 only: there "SI" is the string area 28
// and "SO" has no code.
inline const char *const *vexmarAreaNames()
{
    static const char *const names[] = {"DI",  "DI_F", "DI_S", "DO",  "DO_F", "DO_S", "AI",
                                        "AI_F", "AI_S", "AO",  "AO_F", "AO_S", "SD",  "SA",
                                        "NDI", "NDO", "NAI", "NAO", "HDS", "HDP", "HAI",
                                        "LD",  "LA",  "LW",  "SI",  "SO"};
    return names;
}

constexpr int vexmarAreaCount = 26;

// Whole text, case-sensitive, upper-case mnemonics only; 0 for anything else.
inline int areaCodeFromName(const QString &areaText)
{
    for (int i = 0; i < vexmarAreaCount; ++i) {
        if (areaText == QLatin1String(vexmarAreaNames()[i]))
            return i + 1;
    }
    return 0;
}

// Upper-case name of codes 1 to 26, "UNKNOW" for any other code.
inline QString areaNameFromCode(int code)
{
    if (code < 1 || code > vexmarAreaCount)
        return QStringLiteral("UNKNOW");
    return QString::fromLatin1(vexmarAreaNames()[code - 1]);
}
