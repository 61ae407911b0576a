#include "permissioncheck.h"

bool permissionAccepted(const QString &userName, const QString &password)
{
    return (userName == QLatin1String("tovek") && password == QLatin1String("tovek"))
           || (userName == QLatin1String("mirn") && password == QLatin1String("kavrum@4682"));
}
