#pragma once

#include "vexmarareas.h"

#include <QString>

// The 26 area names of the controller family, numbered 1 to 26 as the induction engine numbers
// them, each with its wire code. The two numberings agree for 1 to 24; the engine numbers "SI"
// 25, the wire's string area, and "SO" 26, which has no wire code.
struct EngineArea
{
    const char *name;
    Vexmar::AreaCode wire;
};

inline const EngineArea *vexmarEngineAreas()
{
    using namespace Vexmar;
    static const EngineArea areas[]
        = {{"DI", AreaDI},     {"DI_F", AreaDI_F}, {"DI_S", AreaDI_S}, {"DO", AreaDO},
           {"DO_F", AreaDO_F}, {"DO_S", AreaDO_S}, {"AI", AreaAI},     {"AI_F", AreaAI_F},
           {"AI_S", AreaAI_S}, {"AO", AreaAO},     {"AO_F", AreaAO_F}, {"AO_S", AreaAO_S},
           {"SD", AreaSD},     {"SA", AreaSA},     {"NDI", AreaNDI},   {"NDO", AreaNDO},
           {"NAI", AreaNAI},   {"NAO", AreaNAO},   {"HDS", AreaHDS},   {"HDP", AreaHDP},
           {"HAI", AreaHAI},   {"LD", AreaLD},     {"LA", AreaLA},     {"LW", AreaLW},
           {"SI", AreaString}, {"SO", AreaNone}};
    return areas;
}

constexpr int vexmarAreaCount = 26;

// The engine's names in code order: vexmarAreaNames()[code - 1].
inline const char *const *vexmarAreaNames()
{
    static const char *const *names = [] {
        static const char *list[vexmarAreaCount];
        for (int i = 0; i < vexmarAreaCount; ++i)
            list[i] = vexmarEngineAreas()[i].name;
        return list;
    }();
    return names;
}

// Whole text, case-sensitive, upper-case mnemonics only; 0 for anything else.
inline int areaCodeFromName(const QString &areaText)
{
    for (int i = 0; i < vexmarAreaCount; ++i) {
        if (areaText == QLatin1String(vexmarEngineAreas()[i].name))
            return i + 1;
    }
    return 0;
}

// Upper-case name of codes 1 to 26, "UNKNOW" for any other code.
inline QString areaNameFromCode(int code)
{
    if (code < 1 || code > vexmarAreaCount)
        return QStringLiteral("UNKNOW");
    return QString::fromLatin1(vexmarEngineAreas()[code - 1].name);
}

// The wire code of an engine area code; AreaNone for SO and codes outside 1 to 26.
inline int wireAreaOf(int code)
{
    return code >= 1 && code <= vexmarAreaCount ? vexmarEngineAreas()[code - 1].wire
                                                : Vexmar::AreaNone;
}
