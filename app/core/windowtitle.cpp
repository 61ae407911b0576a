#include "windowtitle.h"

QString programTitle()
{
    return QStringLiteral("Morvelin V1.8.5");
}

QString composeWindowTitle(const WindowTitleState &state, const QString &multipleSuffix)
{
    // A blank, two em dashes, a blank; the same in every language.
    const QString separator = QStringLiteral(" \u2014\u2014 ");
    const QString live = separator + state.linkName + separator + state.deviceText;
    if (state.mode == QLatin1String("1"))
        return programTitle() + multipleSuffix + (state.monitoring ? live : QString());
    if (state.mode == QLatin1String("0") && state.monitoring)
        return programTitle() + live;
    return programTitle();
}
