#include "scripted_ui.h"

#include <algorithm>

namespace quillar::test {

ScriptedUi::ScriptedUi()
{
    installModalUi(this);
}

ScriptedUi::~ScriptedUi()
{
    installModalUi(nullptr);
}

void ScriptedUi::messageBox(QWidget *, const QString &text, const QString &title, Icon icon)
{
    calls.push_back({Kind::Message, text, title, icon, {}});
    if (whileOpen)
        whileOpen(Kind::Message);
}

bool ScriptedUi::askYesNo(QWidget *, const QString &text, const QString &title)
{
    calls.push_back({Kind::Question, text, title, Icon::None, {}});
    if (whileOpen)
        whileOpen(Kind::Question);
    if (yesNoAnswers.empty())
        return true;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

std::optional<QString> ScriptedUi::getSaveFileName(QWidget *, const SaveRequest &request)
{
    calls.push_back({Kind::SaveDialog, {}, request.title, Icon::None, request});
    if (whileOpen)
        whileOpen(Kind::SaveDialog);
    if (saveAnswers.empty())
        return std::nullopt;
    auto answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

void ScriptedUi::beep()
{
    calls.push_back({Kind::Beep, {}, {}, Icon::None, {}});
}

std::vector<ScriptedUi::Call> ScriptedUi::callsOf(Kind kind) const
{
    std::vector<Call> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out), [kind](const Call &c) { return c.kind == kind; });
    return out;
}

int ScriptedUi::beeps() const
{
    return static_cast<int>(callsOf(Kind::Beep).size());
}

} // namespace quillar::test
