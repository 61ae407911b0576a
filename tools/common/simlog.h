#pragma once

// The log a simulator writes for the tests: one line at a time, flushed at once, so that a test
// reading the file sees every request the simulator has answered.
#include <QFile>
#include <QString>

class SimLog
{
public:
    // False when the file cannot be written; a log that is not open writes nothing.
    bool open(const QString &path)
    {
        m_file.setFileName(path);
        return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    }

    void line(const QString &text)
    {
        if (!m_file.isOpen())
            return;
        m_file.write(text.toUtf8() + '\n');
        m_file.flush();
    }

private:
    QFile m_file;
};
