// The label table: model, headers, type selectors, context menu, add, write entry, delete,
// hide, CSV import and export, and the rows' editability.
#include "columnfitter.h"
#include "labelcsv.h"
#include "labeltypedelegate.h"
#include "labeltypes.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QHeaderView>
#include <QMenu>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <algorithm>

namespace {

const int labelColumnWidths[] = {280, 240, 480, 160, 80, 160};

QStandardItem *centredItem()
{
    auto *item = new QStandardItem;
    item->setData(int(Qt::AlignHCenter | Qt::AlignVCenter), Qt::TextAlignmentRole);
    item->setEditable(false);
    return item;
}

constexpr int typePositionRole = LabelTypeDelegate::labelTypePositionRole;

} // namespace

void MainWindow::initLabelTable()
{
    m_labelMenu = new QMenu(this);
    const QStringList texts{tr("新增标签"), tr("标签写值"),   tr("删除标签"), tr("导入标签"),
                            tr("导出标签"), tr("加入趋势图"), tr("隐藏")};
    for (const QString &text : texts)
        m_labelActions << m_labelMenu->addAction(text);
    connect(m_labelActions[0], &QAction::triggered, this, &MainWindow::onMenuAddlabelClicked);
    connect(m_labelActions[1], &QAction::triggered, this, &MainWindow::onMenuWritelabelClicked);
    connect(m_labelActions[2], &QAction::triggered, this, &MainWindow::onMenuDellabelClicked);
    connect(m_labelActions[3], &QAction::triggered, this, &MainWindow::onMenuImportLabelClicked);
    connect(m_labelActions[4], &QAction::triggered, this, &MainWindow::onMenuExportLableClicked);
    // Entry 5 ("to trend") is connected by the trend page.
    connect(m_labelActions[6], &QAction::triggered, this, &MainWindow::onMenuHideDataClicked);
    ui->tableView_label->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->tableView_label, &QWidget::customContextMenuRequested, this,
            &MainWindow::onShowlabelMenuMenu);
    for (int i = 0; i < 3; ++i)
        m_labelActions[i]->setEnabled(false);

    m_labelModel = new QStandardItemModel(this);
    connect(m_labelModel, &QStandardItemModel::itemChanged, this, &MainWindow::handleItemChanged);
    m_labelModel->setColumnCount(LabelColumnCount);
    setLabelHeaders();
    ui->tableView_label->setModel(m_labelModel);
    // The type column is painted and edited by a delegate rather than a selector widget per
    // row: ten thousand widgets took minutes and hundreds of MB to build.
    ui->tableView_label->setItemDelegateForColumn(LabelColumnType,
                                                  new LabelTypeDelegate(ui->tableView_label));
    for (int c = 0; c < LabelColumnCount; ++c)
        ui->tableView_label->setColumnWidth(c, labelColumnWidths[c]);
    ui->tableView_label->horizontalHeader()->setDefaultAlignment(Qt::AlignHCenter
                                                                 | Qt::AlignVCenter);
    // The widths above on a wide window; on a narrow one the time, label, unit and type columns
    // keep what their texts need, the description what is left, cut where it is longer.
    QStyleOptionComboBox selector;
    selector.initFrom(ui->tableView_label);
    const int selectorArrow
        = ui->tableView_label->style()
              ->sizeFromContents(QStyle::CT_ComboBox, &selector, QSize(0, 0), ui->tableView_label)
              .width();
    m_labelColumns = new ColumnFitter(
        ui->tableView_label,
        {{labelColumnWidths[0], QStringLiteral("0000-00-00 00:00:00.000")},
         {labelColumnWidths[1], QStringLiteral("DB100.DBD100")},
         {labelColumnWidths[2], QStringLiteral("Description")},
         {labelColumnWidths[3], QStringLiteral("-1.23457e+06")},
         {labelColumnWidths[4], QStringLiteral("m3/h")},
         {labelColumnWidths[5], QStringLiteral("double_HGFEDCBA"), selectorArrow}},
        LabelColumnDescription);
    // Every digit of a 64-bit value where the window has room for it.
    m_labelColumns->setWidestTexts(LabelColumnValue, {QStringLiteral("-9223372036854775808"),
                                                      QStringLiteral("18446744073709551615")});
    // The model itself is sorted; the selectors are index widgets and move with their rows.
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

QStringList MainWindow::labelHeaderTexts() const
{
    return LabelRows::columnNames();
}

void MainWindow::setLabelHeaders()
{
    const QStringList headers = labelHeaderTexts();
    for (int c = 0; c < headers.size(); ++c)
        m_labelModel->setHeaderData(c, Qt::Horizontal, headers[c], Qt::EditRole);
    // Headings of another language take another width.
    if (m_labelColumns)
        m_labelColumns->fit();
}

void MainWindow::addLabelRow(const QStringList &fields)
{
    QList<QStandardItem *> items;
    for (int c = 0; c < LabelColumnCount; ++c)
        items << centredItem();
    // Any other number of fields gives an empty row of type "null".
    int position = 0;
    QString typeText = LabelTypes::dataTypeNames().at(position);
    if (fields.size() == LabelColumnCount) {
        for (int c = 0; c < LabelColumnType; ++c)
            items[c]->setText(fields[c]);
        position = qMax(0, LabelTypes::positionOfName(fields[LabelColumnType]));
        // A text no entry shows (a hand-edited file) makes a "null" row that keeps the text, so
        // that a save does not change the file behind the user's back.
        if (!fields[LabelColumnType].isEmpty())
            typeText = fields[LabelColumnType];
    }
    items[LabelColumnType]->setText(typeText);
    items[LabelColumnType]->setData(position, typePositionRole);
    // Filled before it goes in, so the view lays the row out once.
    m_labelModel->appendRow(items);
}

void MainWindow::clearLabelRows()
{
    m_labelModel->removeRows(0, m_labelModel->rowCount());
}

int MainWindow::labelDataType(int row) const
{
    const QStandardItem *type = m_labelModel->item(row, LabelColumnType);
    return type ? LabelTypes::dataTypeAt(type->data(typePositionRole).toInt()) : null;
}

QStandardItem *MainWindow::labelItem(int row, int column) const
{
    return m_labelModel->item(row, column);
}

int MainWindow::labelRowCount() const
{
    return m_labelModel->rowCount();
}

QList<QStringList> MainWindow::labelRows() const
{
    QList<QStringList> rows;
    for (int row = 0; row < m_labelModel->rowCount(); ++row) {
        QStringList fields;
        for (int c = 0; c < LabelColumnCount; ++c) {
            const QStandardItem *item = m_labelModel->item(row, c);
            fields << (item ? item->text() : QString());
        }
        rows << fields;
    }
    return rows;
}

bool MainWindow::definesRead(int column)
{
    return column == LabelColumnLabel || column == LabelColumnType;
}

void MainWindow::setLabelTableEditable(bool editable)
{
    // While monitoring runs, the address and the type stay as the read list took them: a row
    // edited there would no longer be read, yet keep its last value in the colour of a good read.
    const bool readCellsEditable = editable && !m_monitorRunning;
    if (!readCellsEditable)
        closeReadCellEditor();
    for (int row = 0; row < m_labelModel->rowCount(); ++row) {
        // The type cell too: only an editable one gets its selector.
        for (int column = 0; column < LabelColumnCount; ++column) {
            if (column == LabelColumnValue)
                continue;
            if (QStandardItem *item = m_labelModel->item(row, column))
                item->setEditable(definesRead(column) ? readCellsEditable : editable);
        }
    }
    m_labelEditing = editable;
}

void MainWindow::closeReadCellEditor()
{
    // Only the current cell is edited. An editor opened before the lock (while the handshake
    // waited) would still write its cell: it goes unsaved, as on Escape.
    QTableView *view = ui->tableView_label;
    const QModelIndex current = view->currentIndex();
    if (current.isValid() && definesRead(current.column()) && view->indexWidget(current))
        view->closePersistentEditor(current);
}

void MainWindow::onMenuAddlabelClicked()
{
    addLabelRow({});
}

void MainWindow::onMenuWritelabelClicked()
{
    const QModelIndexList selected = ui->tableView_label->selectionModel()->selectedIndexes();
    if (selected.size() != 1)
        return;
    const int row = selected.first().row();
    const QStandardItem *label = m_labelModel->item(row, LabelColumnLabel);
    const QStandardItem *value = m_labelModel->item(row, LabelColumnValue);
    // The polled value in full where there is one (a float's cell shows six digits); a text that is
    // no number starts the dialog at 0.
    const QVariant whole = value ? value->data(Qt::UserRole) : QVariant();
    emit labelWriteRequested(row, label ? label->text() : QString(),
                             whole.isValid() ? whole.toDouble()
                             : value         ? value->text().toDouble()
                                             : 0.0);
}

void MainWindow::onMenuDellabelClicked()
{
    QList<int> rows;
    for (const QModelIndex &index : ui->tableView_label->selectionModel()->selectedIndexes())
        rows << index.row();
    // Exactly the rows that hold a selected cell; the view deletes their selectors.
    for (int row : LabelRows::removalOrder(rows))
        m_labelModel->removeRow(row);
}

void MainWindow::onMenuHideDataClicked()
{
    const QModelIndexList selected = ui->tableView_label->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    // The span of the selected columns, whichever cell was selected first.
    const auto [first, last] = std::minmax_element(
        selected.cbegin(), selected.cend(),
        [](const QModelIndex &a, const QModelIndex &b) { return a.column() < b.column(); });
    for (int c = first->column(); c <= last->column(); ++c)
        ui->tableView_label->hideColumn(c);
    ui->pushButton_hide->setVisible(true);
    m_labelColumns->fit();
}

void MainWindow::on_pushButton_hide_clicked()
{
    for (int c = 0; c < m_labelModel->columnCount(); ++c)
        ui->tableView_label->showColumn(c);
    ui->pushButton_hide->setVisible(false);
    m_labelColumns->fit();
}

void MainWindow::onShowlabelMenuMenu(const QPoint &pos)
{
    // Not exec(): a menu's own event loop, entered while a driver call waits for its reply
    // (the wait processes events), would hold that call and the polling until it closed.
    m_labelMenu->popup(ui->tableView_label->viewport()->mapToGlobal(pos));
}

void MainWindow::handleItemChanged(QStandardItem *item)
{
    Q_UNUSED(item)
}

void MainWindow::onMenuExportLableClicked()
{
    const QString path = fileChooser()->saveFileName(nullptr, tr("Save CSV"), QString(),
                                                     QStringLiteral("CSV Files (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!LabelCsv::exportFile(path, labelHeaderTexts(), labelRows(), &error)) {
        prompt()->warning(this, tr("信息"), tr("导出失败：%1").arg(error));
        return;
    }
    prompt()->information(this, tr("信息"), tr("导出完成：%1条记录").arg(labelRowCount()));
}

void MainWindow::onMenuImportLabelClicked()
{
    const QString path = fileChooser()->openFileName(nullptr, tr("Import CSV"), QString(),
                                                     QStringLiteral("CSV Files (*.csv)"));
    if (path.isEmpty())
        return;
    LabelCsv::Import read;
    QString error;
    // The table stays as it was when the file cannot be read.
    if (!LabelCsv::importFile(path, &read, &error)) {
        prompt()->warning(this, tr("信息"), tr("导入失败：%1").arg(error));
        return;
    }
    // A file that holds no label (another kind of file, a list of another program) must not
    // empty the table, which a following save would write as an empty project.
    if (read.rows.isEmpty()) {
        prompt()->warning(
            this, tr("信息"),
            tr("导入失败：文件中没有可导入的标签（跳过%1行），标签表未改变").arg(read.skipped));
        return;
    }
    clearLabelRows();
    for (const LabelRow &row : read.rows)
        addLabelRow(row);
    // Rows that are no labels are left out: the user learns how many.
    const QString done = tr("导入完成：%1条记录，跳过%2行").arg(labelRowCount()).arg(read.skipped);
    const QString unknownTypes = LabelRows::unknownTypesText(read.rows);
    if (unknownTypes.isEmpty())
        prompt()->information(this, tr("信息"), done);
    else
        prompt()->warning(this, tr("信息"), done + QLatin1String("\n\n") + unknownTypes);
}
