#pragma once

#include <QString>

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
};
