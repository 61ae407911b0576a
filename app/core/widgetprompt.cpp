#include "widgetprompt.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

void WidgetPrompt::information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

void WidgetPrompt::warning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

void WidgetPrompt::critical(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

bool WidgetPrompt::question(QWidget *parent, const QString &title, const QString &text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::NoButton)
           == QMessageBox::Yes;
}

int WidgetPrompt::choose(QWidget *parent, const QString &title, const QString &text,
                         const QStringList &buttons)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton *> added;
    for (int i = 0; i < buttons.size(); ++i) {
        const bool last = i == buttons.size() - 1;
        added << box.addButton(buttons.at(i),
                               last ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    }
    if (!added.isEmpty())
        box.setEscapeButton(added.last());
    box.exec();
    const int pressed = added.indexOf(box.clickedButton());
    return pressed < 0 ? int(buttons.size()) - 1 : pressed;
}

QString WidgetFileChooser::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                        const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString WidgetFileChooser::saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                        const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString WidgetFileChooser::existingDirectory(QWidget *parent, const QString &caption,
                                             const QString &dir)
{
    return QFileDialog::getExistingDirectory(parent, caption, dir, QFileDialog::ShowDirsOnly);
}
