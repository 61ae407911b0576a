#include "dialogsystemtray.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

dialogSystemTray::dialogSystemTray(QWidget *parent)
    : WindowDialog(parent)
    , m_label(new QLabel(this))
    , m_lineEdit(new QLineEdit(this))
    , m_okButton(new QPushButton(this))
    , m_cancelButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("dialogSystemTray"));
    m_label->setObjectName(QStringLiteral("label"));
    m_lineEdit->setObjectName(QStringLiteral("lineEdit"));
    m_okButton->setObjectName(QStringLiteral("pushButton_OK"));
    m_cancelButton->setObjectName(QStringLiteral("pushButton_Cancel"));
    const QString font
        = QString::fromUtf8("font-family: 'Times New Roman', '\xe5\xae\x8b\xe4\xbd\x93';"
                            "\nfont-size: 16pt; ");
    for (QWidget *w : {static_cast<QWidget *>(m_label), static_cast<QWidget *>(m_lineEdit),
                       static_cast<QWidget *>(m_okButton), static_cast<QWidget *>(m_cancelButton)})
        w->setStyleSheet(font);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_label, 0, 0);
    grid->addWidget(m_lineEdit, 0, 1, 1, 2);
    grid->addWidget(m_okButton, 1, 1);
    grid->addWidget(m_cancelButton, 1, 2);
    resize(480, 140);
    retranslate();
    QMetaObject::connectSlotsByName(this);
}

QString dialogSystemTray::text() const
{
    return m_lineEdit->text();
}

void dialogSystemTray::retranslate()
{
    setWindowTitle(tr("Form"));
    m_label->setText(tr("托盘标签名称"));
    m_okButton->setText(tr("确定"));
    m_cancelButton->setText(tr("取消"));
}

void dialogSystemTray::on_pushButton_OK_clicked()
{
    close();
    emit buttonClicked(m_lineEdit->text());
}

void dialogSystemTray::on_pushButton_Cancel_clicked()
{
    close();
}
