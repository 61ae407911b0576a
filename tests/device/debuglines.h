#pragma once

// Collects the debug lines the code under test writes, with the device category turned on; the
// lines still reach the test log.
#include <QLoggingCategory>
#include <QStringList>

class DebugLines
{
public:
    static void install()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("morvelin.device.debug=true"));
        previous() = qInstallMessageHandler(record);
    }
    static QStringList &lines()
    {
        static QStringList collected;
        return collected;
    }

private:
    static QtMessageHandler &previous()
    {
        static QtMessageHandler handler = nullptr;
        return handler;
    }
    static void record(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type == QtDebugMsg)
            lines() << text;
        if (previous())
            previous()(type, context, text);
    }
};
