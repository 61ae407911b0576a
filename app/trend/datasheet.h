#pragma once

#include <QtCharts/QChartView>

class MainWindow;
class Ui_MainWindow;

// The report page: a table of history values by time for a group of labels, saved as .xlsx.
// The query and the export come with the report work; this sets up the page.
class datasheet : public QtCharts::QChartView
{
    Q_OBJECT

public:
    datasheet(MainWindow *mainWindow, Ui_MainWindow *ui);

    void clearTable();

public slots:
    void on_queryData_clicked();
    void on_saveReport_clicked();

private:
    MainWindow *m_mainWindow;
    Ui_MainWindow *m_ui;
};
