// The label table's frame: model, headers, context menu, rows and their editability. The menu
// entries' behaviour (add, write, delete, import, export, hide) comes with the label-table work.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "customcombobox.h"

#include <QHeaderView>
#include <QMenu>
#include <QStandardItemModel>
#include <QTimer>

namespace {

const int labelColumnWidths[] = {280, 240, 480, 160, 80, 160};
const int typeColumn = 5;
const int valueColumn = 3;

QStandardItem *centredItem()
{
    auto *item = new QStandardItem;
    item->setData(int(Qt::AlignHCenter | Qt::AlignVCenter), Qt::TextAlignmentRole);
    item->setEditable(false);
    return item;
}

} // namespace

void MainWindow::initLabelTable()
{
    m_labelMenu = new QMenu(this);
    const QStringList texts{tr("新增标签"), tr("标签写值"), tr("删除标签"), tr("导入标签"),
                            tr("导出标签"), tr("加入趋势图"), tr("隐藏")};
    for (const QString &text : texts)
        m_labelActions << m_labelMenu->addAction(text);
    ui->tableView_label->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int i = 0; i < 3; ++i)
        m_labelActions[i]->setEnabled(false);

    m_labelModel = new QStandardItemModel(this);
    m_labelModel->setColumnCount(6);
    setLabelHeaders();
    ui->tableView_label->setModel(m_labelModel);
    for (int c = 0; c < 6; ++c)
        ui->tableView_label->setColumnWidth(c, labelColumnWidths[c]);
    ui->tableView_label->horizontalHeader()->setDefaultAlignment(Qt::AlignHCenter
                                                                 | Qt::AlignVCenter);
    ui->tableView_label->setSortingEnabled(true);
    ui->tableView_label->horizontalHeader()->setSortIndicatorShown(true);
    ui->tableView_label->sortByColumn(0, Qt::AscendingOrder);
    ui->tableView_label->show();

    ui->pushButton_startMonitor->setEnabled(false);
    ui->pushButton_stopMonitor->setEnabled(false);

    samplingSeconds = 1;
    m_monitorTimer = new QTimer(this);
    m_monitorTimer->setInterval(100);

    initSeriesTable();
    initChartView();
}

void MainWindow::setLabelHeaders()
{
    const QStringList headers{tr("时间"), tr("标签/地址"), tr("描述"),
                              tr("当前值"), tr("单位"),    tr("数据类型")};
    for (int c = 0; c < headers.size(); ++c)
        m_labelModel->setHeaderData(c, Qt::Horizontal, headers[c], Qt::EditRole);
}

void MainWindow::addLabelRow(const QStringList &fields)
{
    const int row = m_labelModel->rowCount();
    QList<QStandardItem *> items;
    for (int c = 0; c < 6; ++c)
        items << centredItem();
    m_labelModel->appendRow(items);

    auto *selector = new CustomComboBox;
    selector->setEditable(false);
    selector->addItems(dataTypeNames);
    ui->tableView_label->setIndexWidget(m_labelModel->index(row, typeColumn), selector);

    if (fields.size() != 6)
        return;
    for (int c = 0; c < typeColumn; ++c)
        m_labelModel->item(row, c)->setText(fields[c]);
    const int typeIndex = dataTypeNames.indexOf(fields[typeColumn]);
    if (typeIndex >= 0)
        selector->setCurrentIndex(typeIndex);
}

int MainWindow::labelDataType(int row) const
{
    auto *selector = qobject_cast<CustomComboBox *>(
        ui->tableView_label->indexWidget(m_labelModel->index(row, typeColumn)));
    if (!selector)
        return 0;
    const int position = selector->currentIndex();
    // The table cannot offer the 64-bit byte orders, so floats and doubles skip eight codes.
    return position <= 24 ? qMax(position, 0) : position + 8;
}

QStandardItem *MainWindow::labelItem(int row, int column) const
{
    return m_labelModel->item(row, column);
}

int MainWindow::labelRowCount() const
{
    return m_labelModel->rowCount();
}

void MainWindow::setLabelTableEditable(bool editable)
{
    for (int row = 0; row < m_labelModel->rowCount(); ++row) {
        for (int column = 0; column < m_labelModel->columnCount(); ++column) {
            const QModelIndex index = m_labelModel->index(row, column);
            if (column == typeColumn) {
                if (!index.isValid())
                    continue;
                if (auto *selector = qobject_cast<CustomComboBox *>(
                        ui->tableView_label->indexWidget(index)))
                    selector->setPopupEnabled(editable);
            } else if (column != valueColumn) {
                if (QStandardItem *item = m_labelModel->item(row, column))
                    item->setEditable(editable);
            }
        }
    }
    m_labelEditing = editable;
}
