#include "highlight_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace quillar {

namespace {

enum Column { On, Text, Regex, Case, Line, Colour, Columns };

struct NamedColour
{
    const char *name;
    quint32 rgb;
};
constexpr std::array<NamedColour, 6> Colours{{{"Rosso", 0xFF8080},
                                              {"Giallo", 0xFFE060},
                                              {"Verde", 0x80FF80},
                                              {"Azzurro", 0x80C0FF},
                                              {"Arancione", 0xFFB060},
                                              {"Viola", 0xD0A0FF}}};

QTableWidgetItem *tick(bool on)
{
    auto *item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    return item;
}

QComboBox *colourBox(quint32 rgb)
{
    auto *box = new QComboBox;
    for (const NamedColour &colour : Colours)
        box->addItem(QString::fromLatin1(colour.name), colour.rgb);
    int index = box->findData(rgb);
    if (index < 0) { // a colour the file gave that has no name here
        box->addItem(QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0')), rgb);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
    return box;
}

} // namespace

HighlightDialog::HighlightDialog(const QList<HighlightRule> &rules, QWidget *parent)
    : QDialog(parent),
      m_table(new QTableWidget(0, Columns, this))
{
    setWindowTitle(QStringLiteral("Evidenziazioni"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Attiva"), QStringLiteral("Testo"),
                                        QStringLiteral("Espressione regolare"), QStringLiteral("Maiuscole/minuscole"),
                                        QStringLiteral("Riga intera"), QStringLiteral("Colore")});
    // Every heading whole; the text takes the room left.
    QHeaderView *header = m_table->horizontalHeader();
    int width = 260 + m_table->verticalHeader()->sizeHint().width();
    for (int column = 0; column < Columns; ++column) {
        header->setSectionResizeMode(column, column == Text ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
        width += column == Text ? 0 : header->sectionSizeHint(column);
    }
    m_table->setAccessibleName(QStringLiteral("Regole di evidenziazione"));
    for (const HighlightRule &rule : rules)
        addRule(rule);

    auto *add = new QPushButton(QStringLiteral("&Aggiungi"), this);
    auto *remove = new QPushButton(QStringLiteral("&Rimuovi"), this);
    connect(add, &QPushButton::clicked, this, [this] {
        addRule(HighlightRule{});
        m_table->setCurrentCell(m_table->rowCount() - 1, Text);
        m_table->editItem(m_table->item(m_table->rowCount() - 1, Text));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (m_table->currentRow() >= 0)
            m_table->removeRow(m_table->currentRow());
    });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        emit rulesAccepted(this->rules());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *edits = new QHBoxLayout;
    edits->addWidget(add);
    edits->addWidget(remove);
    edits->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(edits);
    layout->addWidget(buttons);
    resize(std::max(720, width + 60), 300);
}

void HighlightDialog::addRule(const HighlightRule &rule)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, On, tick(rule.enabled));
    m_table->setItem(row, Text, new QTableWidgetItem(rule.pattern));
    m_table->setItem(row, Regex, tick(rule.regex));
    m_table->setItem(row, Case, tick(rule.caseSensitive));
    m_table->setItem(row, Line, tick(rule.wholeLine));
    m_table->setCellWidget(row, Colour, colourBox(rule.colour));
}

QList<HighlightRule> HighlightDialog::rules() const
{
    QList<HighlightRule> rules;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const auto ticked = [this, row](int column) { return m_table->item(row, column)->checkState() == Qt::Checked; };
        const auto *colour = static_cast<QComboBox *>(m_table->cellWidget(row, Colour));
        rules.append({.pattern = m_table->item(row, Text)->text(),
                      .regex = ticked(Regex),
                      .caseSensitive = ticked(Case),
                      .wholeLine = ticked(Line),
                      .enabled = ticked(On),
                      .colour = colour->currentData().toUInt()});
    }
    return rules;
}

} // namespace quillar
