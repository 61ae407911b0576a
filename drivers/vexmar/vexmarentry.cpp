// Entry point of the LibVexmar driver library.
#include "libvexmar.h"

MORVELIN_DRIVER_EXPORT CDriveBaseClass *getSharedLibrary()
{
    return new LibVexmar;
}
