#include "find_bar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace quillar {

namespace {

QToolButton *button(const QString &text, const QString &name, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setText(text);
    b->setAccessibleName(name);
    b->setToolTip(name);
    b->setFocusPolicy(Qt::TabFocus);
    b->setAutoRaise(true);
    return b;
}

} // namespace

FindBar::FindBar(QWidget *parent)
    : QWidget(parent),
      m_field(new QLineEdit(this)),
      m_matchCase(new QCheckBox(QStringLiteral("Maiuscole/minuscole"), this)),
      m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    m_field->setObjectName(QStringLiteral("findText"));
    m_field->setAccessibleName(QStringLiteral("Trova"));
    m_field->setPlaceholderText(QStringLiteral("Trova"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    m_matchCase->setObjectName(QStringLiteral("matchCase"));
    m_status->setObjectName(QStringLiteral("findStatus"));
    m_status->setMinimumWidth(m_status->fontMetrics().horizontalAdvance(QStringLiteral("0000000 di 0000000+")));

    auto *previous = button(QStringLiteral("\u25B2"), QStringLiteral("Occorrenza precedente (Maiusc+F3)"), this);
    auto *next = button(QStringLiteral("\u25BC"), QStringLiteral("Occorrenza successiva (F3)"), this);
    auto *close = button(QStringLiteral("\u2715"), QStringLiteral("Chiudi la ricerca (Esc)"), this);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(4);
    row->addWidget(m_field, 1);
    row->addWidget(previous);
    row->addWidget(next);
    row->addWidget(m_matchCase);
    row->addWidget(m_status);
    row->addWidget(close);

    connect(m_field, &QLineEdit::textChanged, this, [this] { emit changed(text(), matchCase()); });
    connect(m_matchCase, &QCheckBox::toggled, this, [this] { emit changed(text(), matchCase()); });
    connect(previous, &QToolButton::clicked, this, &FindBar::previousRequested);
    connect(next, &QToolButton::clicked, this, &FindBar::nextRequested);
    connect(close, &QToolButton::clicked, this, &FindBar::closeRequested);
}

QString FindBar::text() const
{
    return m_field->text();
}

bool FindBar::matchCase() const
{
    return m_matchCase->isChecked();
}

void FindBar::setStatus(const QString &status)
{
    m_status->setText(status);
}

QString FindBar::status() const
{
    return m_status->text();
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                emit previousRequested();
            else
                emit nextRequested();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            emit closeRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Escape from the buttons and the box, which leave it to their parent.
void FindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        emit closeRequested();
    else
        QWidget::keyPressEvent(event);
}

} // namespace quillar
