#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message and question box of the window goes through this, so that tests answer them.
class Prompt
{
public:
    virtual ~Prompt() = default;
    virtual void information(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void warning(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void critical(QWidget *parent, const QString &title, const QString &text) = 0;
    // A Yes/No question without a default button; true for Yes.
    virtual bool question(QWidget *parent, const QString &title, const QString &text) = 0;
    // A question with buttons of its own, in order; the index of the one pressed. The last one
    // is also what Escape or closing the box gives.
    virtual int choose(QWidget *parent, const QString &title, const QString &text,
                       const QStringList &buttons)
        = 0;
};
