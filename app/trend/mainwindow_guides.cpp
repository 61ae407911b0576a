// The guide lines' part of the main window: the readouts of every series row at both guide
// lines, brought in line after the rows, their scale or the shown curves changed.
#include "chartdrawer.h"
#include "mainwindow.h"
#include "seriestable.h"
#include "ui_mainwindow.h"

#include <QGraphicsLineItem>
#include <QGraphicsTextItem>

void MainWindow::updateGuideReadouts(int seconds)
{
    if (!chartDrawer || !chartDrawer->guideLineItem(0)->isVisible())
        return;
    if (seconds != 0) {
        double x1 = 0.0;
        double x2 = 0.0;
        QDateTime t1;
        QDateTime t2;
        chartDrawer->guideState(&x1, &x2, &t1, &t2);
        chartDrawer->setGuideTime(t1.addSecs(seconds), t2.addSecs(seconds));
    }
    // The same routine as the drag and the timer refresh, so cells and texts agree.
    chartDrawer->writeGuideReadouts(1);
    if (chartDrawer->guideLineItem(1)->isVisible()) {
        chartDrawer->writeGuideReadouts(2);
        return;
    }
    // A hidden guide 2 has no readouts to show.
    for (int r = 0; r < ui->tableWidget->rowCount(); ++r) {
        if (QGraphicsTextItem *text
            = ChartDrawer::textItemAt(ui->dataTableWidget, r, SeriesTable::CompanionText2))
            text->hide();
    }
}
