// Entry point of the LibCorvid driver library.
#include "libcorvid.h"

MORVELIN_DRIVER_EXPORT CDriveBaseClass *getSharedLibrary()
{
    return new LibCorvid;
}
