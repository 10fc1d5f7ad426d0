#pragma once

#include "receive/highlight_rules.h"

#include <QDialog>

class QTableWidget;

namespace quillar {

// Evidenziazioni: the highlight rules as a table the user edits, a row a
// rule (on, text, regular expression, case, whole line, colour). OK hands
// the list on with rulesAccepted; Annulla changes nothing.
class HighlightDialog : public QDialog
{
    Q_OBJECT

public:
    HighlightDialog(const QList<HighlightRule> &rules, QWidget *parent = nullptr);

    // The rules as the table stands.
    [[nodiscard]] QList<HighlightRule> rules() const;
    [[nodiscard]] QTableWidget *table() const { return m_table; }
    void addRule(const HighlightRule &rule);

signals:
    void rulesAccepted(const QList<quillar::HighlightRule> &rules);

private:
    QTableWidget *m_table;
};

} // namespace quillar
