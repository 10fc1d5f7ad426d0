#pragma once

#include "platform/modal_ui.h"

#include <QStringList>

namespace quillar {

class QtModalUi final : public ModalUi
{
public:
    void messageBox(QWidget *parent, const QString &text, const QString &title, Icon icon) override;
    bool askYesNo(QWidget *parent, const QString &text, const QString &title) override;
    std::optional<QString> getSaveFileName(QWidget *parent, const SaveRequest &request) override;
    void beep() override;

    // "desc|pattern|desc|pattern" as name filters whose shown text is the
    // description alone; "*.*" becomes "*", every file
    // ("Tutti i file" with pattern "*.*" -> "Tutti i file (*)").
    [[nodiscard]] static QStringList nameFilters(const QString &filter);
};

} // namespace quillar
