#pragma once

#include "filechooser.h"
#include "prompt.h"

// The real boxes and file dialogs of the program.
class WidgetPrompt : public Prompt
{
public:
    void information(QWidget *parent, const QString &title, const QString &text) override;
    void warning(QWidget *parent, const QString &title, const QString &text) override;
    void critical(QWidget *parent, const QString &title, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
    int choose(QWidget *parent, const QString &title, const QString &text,
               const QStringList &buttons) override;
};

class WidgetFileChooser : public FileChooser
{
public:
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString existingDirectory(QWidget *parent, const QString &caption, const QString &dir) override;
};
