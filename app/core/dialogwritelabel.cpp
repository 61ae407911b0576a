#include "dialogwritelabel.h"

#include "monitorlogic.h"
#include "prompt.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int initialWidthPx = 176;
constexpr int initialHeightPx = 56;

} // namespace

DialogWriteLabel::DialogWriteLabel(Prompt *prompt, QWidget *parent)
    : WindowDialog(parent, Qt::FramelessWindowHint)
    , m_prompt(prompt)
    , m_grid(new QGridLayout(this))
    , m_label(new QLabel(this))
    , m_lineEdit(new QLineEdit(this))
    , m_okButton(new QPushButton(this))
    , m_cancelButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("DialogWriteLabel"));
    m_grid->setObjectName(QStringLiteral("gridLayout"));
    m_label->setObjectName(QStringLiteral("label"));
    m_lineEdit->setObjectName(QStringLiteral("lineEdit"));
    m_okButton->setObjectName(QStringLiteral("pushButton_ok"));
    m_cancelButton->setObjectName(QStringLiteral("pushButton_cancel"));
    m_grid->addWidget(m_label, 0, 0);
    m_grid->addWidget(m_lineEdit, 0, 1);
    m_grid->addWidget(m_okButton, 1, 0);
    m_grid->addWidget(m_cancelButton, 1, 1);
    resize(initialWidthPx, initialHeightPx);
    retranslate();
    QMetaObject::connectSlotsByName(this);
}

void DialogWriteLabel::setLabel(int row, const QString &name, double value, int type,
                                const QVariant &held)
{
    m_target = {row, name, type};
    m_label->setText(name);
    const QString text = WriteValue::prefillText(type, value, held);
    m_lineEdit->setText(text);
    // Every digit in view: a 64-bit value has up to twenty, the small dialog room for nine.
    constexpr int framePx = 16;
    constexpr int widestEditPx = 480;
    const int needed = m_lineEdit->fontMetrics().horizontalAdvance(text + QLatin1Char('0'));
    m_lineEdit->setMinimumWidth(qMin(needed + framePx, widestEditPx));
    resize(qMax(initialWidthPx, sizeHint().width()), height());
}

void DialogWriteLabel::retranslate()
{
    setWindowTitle(tr("Dialog"));
    m_label->setText(tr("标签名："));
    m_okButton->setText(tr("确定"));
    m_cancelButton->setText(tr("取消"));
}

void DialogWriteLabel::on_pushButton_ok_clicked()
{
    // A typo must not become a 0 or a wrapped value on the controller: the dialog stays open.
    const WriteValue::Parsed parsed = WriteValue::parse(m_lineEdit->text(), m_target.type);
    if (!parsed.ok) {
        m_prompt->warning(this, tr("提示"), parsed.errorText);
        return;
    }
    m_confirmed = parsed;
    emit setValue(m_target.row, parsed.value);
    m_confirmed = WriteValue::Parsed();
    close();
}

void DialogWriteLabel::on_pushButton_cancel_clicked()
{
    close();
}
