#pragma once

// The --fault option the simulators share: repeatable, each value one fault that makes chosen
// requests misbehave, as the simulator's own help text describes.
#include <QCommandLineOption>
#include <QCoreApplication>
#include <QList>
#include <QStringList>
#include <QTextStream>

inline QCommandLineOption faultOption()
{
    return QCommandLineOption(QStringLiteral("fault"),
                              QStringLiteral("Misbehave as <fault> says (see above)"),
                              QStringLiteral("fault"));
}

// Reads each text with Fault::parse into faults. On the first text that is no fault, names it on
// standard error and returns false.
template<typename Fault>
bool parseFaults(const QStringList &texts, QList<Fault> *faults)
{
    for (const QString &text : texts) {
        Fault f;
        if (!Fault::parse(text, &f)) {
            QTextStream(stderr) << QCoreApplication::applicationName() << ": not a fault: " << text
                                << Qt::endl;
            return false;
        }
        faults->append(f);
    }
    return true;
}
