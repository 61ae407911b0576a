#pragma once

#include <QString>

class QWidget;

// File dialogs of the window; an empty result means the user cancelled.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter)
        = 0;
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter)
        = 0;
    virtual QString existingDirectory(QWidget *parent, const QString &caption, const QString &dir)
        = 0;
};
