#pragma once

#include "filechooser.h"
#include "prompt.h"

#include <QList>
#include <QString>
#include <QStringList>

// Answers the boxes a test expects, in order, and records every box nobody expected.
class RecordingPrompt : public Prompt
{
public:
    struct Box
    {
        QString kind;
        QString title;
        QString text;
        bool answer = false;
    };

    void expect(const QString &kind, const QString &title, const QString &text,
                bool answer = false)
    {
        m_expected << Box{kind, title, text, answer};
    }
    // Descriptions of boxes that came unexpected or differed from the expectation.
    QStringList unexpected;
    int pending() const { return m_expected.size(); }
    int shown = 0;

    void information(QWidget *, const QString &title, const QString &text) override
    {
        take(QStringLiteral("information"), title, text);
    }
    void warning(QWidget *, const QString &title, const QString &text) override
    {
        take(QStringLiteral("warning"), title, text);
    }
    void critical(QWidget *, const QString &title, const QString &text) override
    {
        take(QStringLiteral("critical"), title, text);
    }
    bool question(QWidget *, const QString &title, const QString &text) override
    {
        return take(QStringLiteral("question"), title, text);
    }

private:
    bool take(const QString &kind, const QString &title, const QString &text)
    {
        ++shown;
        const QString seen = kind + " [" + title + "] " + text;
        if (m_expected.isEmpty()) {
            unexpected << seen;
            return false;
        }
        const Box box = m_expected.takeFirst();
        if (box.kind != kind || box.title != title || box.text != text)
            unexpected << seen + " (expected " + box.kind + " [" + box.title + "] " + box.text
                              + ")";
        return box.answer;
    }

    QList<Box> m_expected;
};

// No file dialog is expected by the window tests; every call is recorded.
class RefusingFileChooser : public FileChooser
{
public:
    QStringList calls;
    QString openFileName(QWidget *, const QString &caption, const QString &, const QString &) override
    {
        calls << caption;
        return QString();
    }
    QString saveFileName(QWidget *, const QString &caption, const QString &, const QString &) override
    {
        calls << caption;
        return QString();
    }
};
