#include "datasheet.h"

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDateTime>

datasheet::datasheet(MainWindow *mainWindow, Ui_MainWindow *ui)
    : m_mainWindow(mainWindow), m_ui(ui)
{
    clearTable();
    connect(m_ui->saveReport, &QPushButton::clicked, this, &datasheet::on_saveReport_clicked);
    connect(m_ui->queryData, &QPushButton::clicked, this, &datasheet::on_queryData_clicked);
    // The default report window: the last ten minutes.
    const QDateTime now = QDateTime::currentDateTime();
    m_ui->dateTimeStart->setDateTime(now.addSecs(-600));
    m_ui->dateTimeEnd->setDateTime(now);
    m_ui->reportTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void datasheet::clearTable()
{
    m_ui->reportTable->clear();
    m_ui->reportTable->setRowCount(0);
    m_ui->reportTable->setColumnCount(0);
}

void datasheet::on_queryData_clicked()
{
    // Filled in with the history query of the report work.
}

void datasheet::on_saveReport_clicked()
{
    // Filled in with the .xlsx export of the report work.
}
