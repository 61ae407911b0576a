// The trend page's history side of the main window: the chart sections of the project (add,
// delete, save under a typed name, load on project open).
#include "chartsections.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QSettings>

QList<SectionEntry> MainWindow::seriesSectionRows() const
{
    QList<SectionEntry> rows;
    const auto text = [this](int row, int column) {
        const QTableWidgetItem *item = ui->tableWidget->item(row, column);
        return item ? item->text() : QString();
    };
    for (int r = 0; r < ui->tableWidget->rowCount(); ++r) {
        SectionEntry entry;
        entry.hasLabel = ui->tableWidget->item(r, 3) != nullptr;
        entry.label = text(r, 3);
        entry.zeroScale = text(r, 14);
        entry.fullScale = text(r, 15);
        rows.append(entry);
    }
    return rows;
}

void MainWindow::loadChartSections()
{
    // A project whose file is new has no sections: the previous project's must not stay.
    const QStringList names
        = m_projectSettings ? ChartSections(m_projectSettings).names() : QStringList();
    sectionCount = names.size();
    for (QComboBox *combo : {ui->dataClassification, ui->dataClassification1}) {
        combo->clear();
        combo->addItems(names);
    }
}

void MainWindow::on_addData_clicked()
{
    if (!m_projectSettings || ui->tableWidget->rowCount() == 0)
        return;
    ChartSections sections(m_projectSettings);
    const QString name = sections.newName(tr("数据组合"));
    sectionCount = sections.add(seriesSectionRows(), name);
    for (QComboBox *combo : {ui->dataClassification, ui->dataClassification1}) {
        combo->addItem(name);
        combo->setCurrentIndex(combo->count() - 1);
    }
}

void MainWindow::on_deleteData_clicked()
{
    if (!m_projectSettings || sectionCount == 0)
        return;
    const int index = ui->dataClassification->currentIndex();
    ChartSections sections(m_projectSettings);
    // Only a stored section can go; the combo never holds anything else.
    if (!sections.remove(index + 1))
        return;
    sectionCount = sections.count();
    ui->dataClassification->removeItem(index);
    ui->dataClassification1->removeItem(index);
}

void MainWindow::on_modifyData_clicked()
{
    const int index = ui->dataClassification->currentIndex();
    if (!m_projectSettings || ui->tableWidget->rowCount() == 0 || index < 0)
        return;
    // A name typed into the combo renames the section shown.
    const QString name = ui->dataClassification->currentText();
    if (!ChartSections(m_projectSettings).modify(index + 1, seriesSectionRows(), name))
        return;
    ui->dataClassification->setItemText(index, name);
    ui->dataClassification1->setItemText(index, name);
}
