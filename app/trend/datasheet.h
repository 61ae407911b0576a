#pragma once

#include "sqlitehandler.h"

#include <QtCharts/QChartView>

class MainWindow;
class ReportModel;
class Ui_MainWindow;

// The report page: a table of history values by time for a group of labels, saved as .xlsx.
// The query and the table live in ReportQuery and ReportModel; this reads the page's widgets
// and says the outcome in the status bar.
class datasheet : public QtCharts::QChartView
{
    Q_OBJECT

public:
    datasheet(MainWindow *mainWindow, Ui_MainWindow *ui);

    void clearTable();
    ReportModel *reportModel() const { return m_model; }
    // A query or a save is running; the window is painted meanwhile, user input waits.
    bool isBusy() const { return m_busy; }
    // The query's readers hold the history file: a write now would wait for them.
    bool readsHistory() const { return m_readsHistory; }
    // Whether the window lets the page's buttons be pressed (a project is open, no job holds the
    // serial link); each button then follows the page's own state.
    void setAllowed(bool allowed);

signals:
    // A query or a save has ended (isBusy() is false again): what waited for it may go on.
    void workEnded();

public slots:
    void on_queryData_clicked();
    void on_saveReport_clicked();

private:
    void showStatus(const QString &text);
    // The report span from the page, its end moved back to seven days after the start.
    QDateTime reportEnd();
    QStringList labelDescriptions(const QStringList &labels) const;
    QString reportFolder() const;
    // Keeps the window painted while the report works; clicks wait until it is done.
    static void keepPainted();
    static QString busyText();
    void setBusy(bool busy);
    void showButtons();

    MainWindow *m_mainWindow;
    Ui_MainWindow *m_ui;
    SQLiteHandler m_db;
    ReportModel *m_model;
    bool m_busy = false;
    bool m_readsHistory = false;
    bool m_allowed = false;
};
