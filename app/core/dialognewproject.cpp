#include "dialognewproject.h"

#include "filechooser.h"
#include "projectfile.h"
#include "prompt.h"
#include "ui_dialognewproject.h"

#include <QDebug>
#include <QDir>

DialogNewProject::DialogNewProject(Prompt *prompt, FileChooser *fileChooser,
                                   const QString &driverDir, QWidget *parent)
    : WindowDialog(parent)
    , ui(new Ui::DialogNewProject)
    , m_prompt(prompt)
    , m_fileChooser(fileChooser)
{
    ui->setupUi(this);
    loadDriveList(driverDir);
}

DialogNewProject::~DialogNewProject()
{
    delete ui;
}

void DialogNewProject::loadDriveList(const QString &folder)
{
    const QDir dir(folder);
    if (!dir.exists()) {
        qDebug() << "Folder does not exist.";
        return;
    }
    const QString current = ui->comboBox_libname->currentText();
    ui->comboBox_libname->clear();
    for (const QFileInfo &file : dir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        ui->comboBox_libname->addItem(file.baseName());
    // Reloading keeps the driver chosen before, while it is still there.
    const int index = ui->comboBox_libname->findText(current);
    if (index >= 0)
        ui->comboBox_libname->setCurrentIndex(index);
}

void DialogNewProject::on_pushButton_ok_clicked()
{
    m_projectName = ui->lineEdit_name->text();
    m_driveName = ui->comboBox_libname->currentText();
    m_projectDir = ui->lineEdit_path->text();
    if (m_projectName.isEmpty() || m_driveName.isEmpty() || m_projectDir.isEmpty())
        return;

    const QString path = m_projectDir + QLatin1Char('/') + m_projectName + QStringLiteral(".dpro");
    QString error;
    // An existing project is never taken over: its labels would be lost at the next save.
    if (!ProjectFile::create(path, m_projectName, m_driveName, &error)) {
        m_prompt->warning(this, tr("新建工程"), error);
        return;
    }
    emit creatProject(path, m_driveName);
    close();
    ui->lineEdit_name->clear();
    ui->lineEdit_path->clear();
}

void DialogNewProject::on_pushButton_dir_clicked()
{
    ui->lineEdit_path->setText(
        m_fileChooser->existingDirectory(nullptr, tr("Select Folder"), QString()));
}

void DialogNewProject::on_pushButton_cancel_clicked()
{
    close();
}

void DialogNewProject::retranslate()
{
    ui->retranslateUi(this);
}
