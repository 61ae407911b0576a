// The report side of the main window: history housekeeping on the 30 s timer of monitoring,
// the trend tab's picture saved as an image, and when the report's buttons may be pressed.
#include "chartdrawer.h"
#include "datasheet.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>

void MainWindow::trimHistoryData()
{
    const qint64 limit = HistoryTrim::sizeLimit(ui->maxMemory->currentIndex());
    const int days = HistoryTrim::retentionDays(ui->clearDays->currentIndex());
    if (limit == 0 && days == 0)
        return;
    // A report reading the history processes events between its reads: deleting under it
    // would take rows out of its table. The next run comes in 30 s.
    if (m_datasheet && m_datasheet->isBusy())
        return;
    // A read-off stores into the file and counts what it stored: nothing deletes under it
    // (its waits for a held file run the event loop). The next run comes in 30 s.
    if (deviceJobRunning())
        return;
    // The database may not open now; the next run tries again.
    if (!m_sqlite.isOpen() && !m_sqlite.openDatabase(m_dbFileName))
        return;
    const HistoryTrim::Outcome outcome = m_historyTrim.run(m_sqlite.database(), limit, days);
    if (outcome.busy)
        qDebug() << "history housekeeping: the history file is busy, next run tries again";
    else if (outcome.failed)
        qWarning() << "history housekeeping:" << outcome.error;
    else if (outcome.deletedBySize > 0 || outcome.deletedByAge > 0)
        qDebug() << "history housekeeping: deleted" << outcome.deletedBySize << "by size,"
                 << outcome.deletedByAge << "by age"
                 << (outcome.budgetSpent ? "(more next run)" : "");
}

void MainWindow::showReportButtons()
{
    // A file dialog or the report's query runs an event loop of its own, which would run inside
    // a job on the serial link and hold it until closed or done.
    const bool allowed = m_projectOpen != 0 && !serialJobRunning();
    ui->saveWave->setEnabled(allowed);
    if (m_datasheet)
        m_datasheet->setAllowed(allowed);
}

void MainWindow::on_saveWave_clicked()
{
    // A press that came in before the button was greyed out.
    if (refuseDuringSerialJob())
        return;
    QString fileName
        = fileChooser()->saveFileName(nullptr, tr("保存图像"), QString(), tr("PNG 图像 (*.png)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".png");

    const QPixmap view = chartDrawer->grab();
    const QPixmap table = ui->tableWidget->grab();
    // In device pixels, with the grabs' pixel ratio: painting in logical units then covers
    // the whole target at any scale factor. Where the table is narrower than the view the
    // picture is white rather than undefined.
    QPixmap picture(view.width(), view.height() + table.height());
    picture.setDevicePixelRatio(view.devicePixelRatio());
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(QPointF(0, 0), view);
    painter.drawPixmap(QPointF(0, view.height() / view.devicePixelRatioF()), table);
    painter.end();
    // Through a file beside the target: a full disk or a failed write leaves no truncated
    // picture, and a picture already there stays until the new one is whole.
    QSaveFile file(fileName);
    const QByteArray format = QFileInfo(fileName).suffix().toLower().toLatin1();
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, format.constData())
        || !file.commit()) {
        file.cancelWriting();
        statusBar()->showMessage(tr("图像保存失败：%1").arg(fileName), 0);
        return;
    }
    // In place of what an earlier action said (a report saved, say).
    statusBar()->showMessage(tr("图像已保存：%1").arg(fileName), 0);
}
