#pragma once

#include "platform/modal_ui.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace quillar::test {

// The modal seam with scripted answers. While it lives it is the installed
// seam; every call is recorded, and whileOpen (when set) runs as if the user
// took time over the window, so tests can let data arrive meanwhile.
class ScriptedUi final : public ModalUi
{
public:
    enum class Kind { Message, Question, SaveDialog, Beep };

    struct Call
    {
        Kind kind;
        QString text;
        QString title;
        Icon icon = Icon::None;
        SaveRequest request;
    };

    ScriptedUi();
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi &) = delete;
    ScriptedUi &operator=(const ScriptedUi &) = delete;

    void messageBox(QWidget *parent, const QString &text, const QString &title, Icon icon) override;
    bool askYesNo(QWidget *parent, const QString &text, const QString &title) override;
    std::optional<QString> getSaveFileName(QWidget *parent, const SaveRequest &request) override;
    void beep() override;

    // Answers, used in order; when they run out a question is answered Yes
    // and a save dialog is cancelled.
    std::deque<bool> yesNoAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    std::function<void(Kind)> whileOpen;

    std::vector<Call> calls;

    [[nodiscard]] std::vector<Call> callsOf(Kind kind) const;
    [[nodiscard]] int beeps() const;
    void clear() { calls.clear(); }
};

} // namespace quillar::test
