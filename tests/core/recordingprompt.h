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
        bool prefixOnly = false;
    };

    void expect(const QString &kind, const QString &title, const QString &text, bool answer = false)
    {
        m_expected << Box{kind, title, text, answer, false};
    }
    // For texts that end in a system error message: only their start is compared.
    void expectStartingWith(const QString &kind, const QString &title, const QString &start)
    {
        m_expected << Box{kind, title, start, false, true};
    }
    // Every text shown, in order.
    QStringList texts;
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
        texts << text;
        const QString seen = kind + " [" + title + "] " + text;
        if (m_expected.isEmpty()) {
            unexpected << seen;
            return false;
        }
        const Box box = m_expected.takeFirst();
        const bool textMatches = box.prefixOnly ? text.startsWith(box.text) : text == box.text;
        if (box.kind != kind || box.title != title || !textMatches)
            unexpected << seen + " (expected " + box.kind + " [" + box.title + "] " + box.text
                              + ")";
        return box.answer;
    }

    QList<Box> m_expected;
};

// Answers file dialogs from a list, in order, and records every caption; with no answer left
// it answers as a cancelled dialog.
class ScriptedFileChooser : public FileChooser
{
public:
    QStringList calls;
    // The start folder or file name each dialog was given.
    QStringList dirs;
    QStringList answers;

    QString openFileName(QWidget *, const QString &caption, const QString &dir,
                         const QString &) override
    {
        return take(caption, dir);
    }
    QString saveFileName(QWidget *, const QString &caption, const QString &dir,
                         const QString &) override
    {
        return take(caption, dir);
    }
    QString existingDirectory(QWidget *, const QString &caption, const QString &dir) override
    {
        return take(caption, dir);
    }

private:
    QString take(const QString &caption, const QString &dir)
    {
        calls << caption;
        dirs << dir;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};
