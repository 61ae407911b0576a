#pragma once

#include "filechooser.h"
#include "prompt.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

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
        int choice = -1;
        QStringList buttons;
    };

    void expect(const QString &kind, const QString &title, const QString &text, bool answer = false)
    {
        m_expected << Box{kind, title, text, answer, false, -1, {}};
    }
    // A box with buttons of its own (Prompt::choose): answered with the button at index choice.
    void expectChoice(const QString &title, const QString &text, const QStringList &buttons,
                      int choice)
    {
        m_expected << Box{QStringLiteral("choice"), title, text, false, false, choice, buttons};
    }
    // For texts that end in a system error message: only their start is compared.
    void expectStartingWith(const QString &kind, const QString &title, const QString &start)
    {
        m_expected << Box{kind, title, start, false, true, -1, {}};
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
        return take(QStringLiteral("question"), title, text).answer;
    }
    int choose(QWidget *, const QString &title, const QString &text,
               const QStringList &buttons) override
    {
        const Box box = take(QStringLiteral("choice"), title, text, buttons);
        // An unexpected box is closed, which gives its last button.
        return box.kind == QLatin1String("choice") && box.choice >= 0 ? box.choice
                                                                      : int(buttons.size()) - 1;
    }

private:
    Box take(const QString &kind, const QString &title, const QString &text,
             const QStringList &buttons = {})
    {
        ++shown;
        texts << text;
        const QString seen = kind + " [" + title + "] " + text
                             + (buttons.isEmpty() ? QString() : " {" + buttons.join('|') + "}");
        if (m_expected.isEmpty()) {
            unexpected << seen;
            return Box();
        }
        const Box box = m_expected.takeFirst();
        const bool textMatches = box.prefixOnly ? text.startsWith(box.text) : text == box.text;
        if (box.kind != kind || box.title != title || !textMatches || box.buttons != buttons)
            unexpected << seen + " (expected " + box.kind + " [" + box.title + "] " + box.text
                              + ")";
        return box;
    }

    QList<Box> m_expected;
};

// Answers as the recording prompt does, and first lets the test look at the window as a warning
// comes.
class WatchedPrompt : public RecordingPrompt
{
public:
    std::function<void()> onBox;
    void warning(QWidget *parent, const QString &title, const QString &text) override
    {
        if (onBox)
            onBox();
        RecordingPrompt::warning(parent, title, text);
    }
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
