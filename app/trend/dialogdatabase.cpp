#include "dialogdatabase.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QSpacerItem>

DialogDatabase::DialogDatabase(QWidget *parent)
    : WindowDialog(parent)
    , m_label(new QLabel(this))
    , m_comboBox(new QComboBox(this))
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("DialogDatabase"));
    resize(400, 300);
    auto *grid = new QGridLayout(this);
    grid->setObjectName(QStringLiteral("gridLayout"));
    m_label->setObjectName(QStringLiteral("label"));
    m_comboBox->setObjectName(QStringLiteral("comboBox"));
    m_comboBox->addItem(QString());
    grid->addWidget(m_label, 0, 0);
    grid->addWidget(m_comboBox, 0, 1);
    grid->addItem(new QSpacerItem(294, 20, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 2);
    grid->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding), 1, 0);
    retranslate();
}

DialogDatabase::~DialogDatabase() = default;

void DialogDatabase::retranslate()
{
    setWindowTitle(QCoreApplication::translate("DialogDatabase", "Dialog"));
    m_comboBox->setItemText(0, QCoreApplication::translate("DialogDatabase", "SQLITE"));
    m_label->setText(QCoreApplication::translate("DialogDatabase", "数据库"));
}
