#pragma once

#include "windowdialog.h"

class FileChooser;
class Prompt;

QT_BEGIN_NAMESPACE
namespace Ui {
class DialogNewProject;
}
QT_END_NAMESPACE

// The new-project dialog: name, folder and driver of a project. OK writes the initial project
// file and hands its path and the driver name back through creatProject.
class DialogNewProject : public WindowDialog
{
    Q_OBJECT

public:
    DialogNewProject(Prompt *prompt, FileChooser *fileChooser, const QString &driverDir,
                     QWidget *parent = nullptr);
    ~DialogNewProject() override;

    // The driver list: the base names of the files in folder, in name order ignoring case.
    void loadDriveList(const QString &folder);

    // What the last OK took from the form.
    QString projectName() const { return m_projectName; }
    QString driveName() const { return m_driveName; }
    QString projectDir() const { return m_projectDir; }

signals:
    void creatProject(QString Pathfile, QString driveName);

private slots:
    void on_pushButton_ok_clicked();
    void on_pushButton_dir_clicked();
    void on_pushButton_cancel_clicked();

private:
    void retranslate() override;

    Ui::DialogNewProject *ui;
    Prompt *m_prompt;
    FileChooser *m_fileChooser;
    QString m_projectName;
    QString m_driveName;
    QString m_projectDir;
};
