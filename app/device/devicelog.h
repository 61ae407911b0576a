#pragma once

#include <QLoggingCategory>

// Diagnostics of the device link and the data-logger tools; off unless the logging rules turn
// "morvelin.device.debug" on.
Q_DECLARE_LOGGING_CATEGORY(lcDevice)
