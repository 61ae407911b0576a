#include "dialogpermissions.h"

#include "mainwindow.h"
#include "permissioncheck.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

DialogPermissions::DialogPermissions(QWidget *parent, MainWindow *mainWindow)
    : WindowDialog(parent)
    , m_mainWindow(mainWindow)
    , m_okButton(new QPushButton(this))
    , m_titleLabel(new QLabel(this))
    , m_userLabel(new QLabel(this))
    , m_cancelButton(new QPushButton(this))
    , m_passwordLabel(new QLabel(this))
    , m_userName(new QLineEdit(this))
    , m_password(new QLineEdit(this))
{
    setObjectName(QStringLiteral("DialogPermissions"));
    m_okButton->setObjectName(QStringLiteral("pushButtonOK"));
    m_titleLabel->setObjectName(QStringLiteral("label_3"));
    m_userLabel->setObjectName(QStringLiteral("label"));
    m_cancelButton->setObjectName(QStringLiteral("pushButtonCancel"));
    m_passwordLabel->setObjectName(QStringLiteral("label_2"));
    m_userName->setObjectName(QStringLiteral("lineEditUserName"));
    m_password->setObjectName(QStringLiteral("lineEditPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    QFont titleFont(QString::fromUtf8("\xe5\xae\x8b\xe4\xbd\x93"), 14);
    m_titleLabel->setFont(titleFont);
    m_titleLabel->setAlignment(Qt::AlignCenter);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_titleLabel, 0, 0, 1, 3);
    grid->addWidget(m_userLabel, 1, 0);
    grid->addWidget(m_userName, 1, 1, 1, 2);
    grid->addWidget(m_passwordLabel, 2, 0);
    grid->addWidget(m_password, 2, 1, 1, 2);
    grid->addWidget(m_okButton, 3, 1);
    grid->addWidget(m_cancelButton, 3, 2);
    resize(360, 200);
    retranslate();
    QMetaObject::connectSlotsByName(this);
}

void DialogPermissions::retranslate()
{
    setWindowTitle(tr("Dialog"));
    m_okButton->setText(tr("确认"));
    m_titleLabel->setText(tr("权限管理"));
    m_userLabel->setText(tr("用户名："));
    m_cancelButton->setText(tr("取消"));
    m_passwordLabel->setText(tr("密码："));
}

void DialogPermissions::clearFields()
{
    m_userName->clear();
    m_password->clear();
}

void DialogPermissions::on_pushButtonOK_clicked()
{
    if (permissionAccepted(m_userName->text(), m_password->text())) {
        m_mainWindow->onPermissionGranted();
        clearFields();
        close();
        return;
    }
    m_mainWindow->prompt()->warning(nullptr, tr("警告"), tr("用户名或密码错误"));
    clearFields();
}

void DialogPermissions::on_pushButtonCancel_clicked()
{
    close();
}
