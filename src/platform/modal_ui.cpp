#include "modal_ui.h"

#include <QtGlobal>

namespace quillar {

namespace {

// Where no desktop was set: nothing waits for an answer nobody can give.
class NoDesktopUi final : public ModalUi
{
public:
    void messageBox(QWidget *, const QString &text, const QString &title, Icon) override
    {
        qWarning("%s: %s", qUtf8Printable(title), qUtf8Printable(text));
    }
    bool askYesNo(QWidget *, const QString &, const QString &) override { return false; }
    std::optional<QString> getSaveFileName(QWidget *, const SaveRequest &) override { return std::nullopt; }
    void beep() override { }
};

ModalUi *installed = nullptr;
ModalUi *desktop = nullptr;

} // namespace

ModalUi &modalUi()
{
    static NoDesktopUi noDesktop;
    if (installed)
        return *installed;
    return desktop ? *desktop : noDesktop;
}

void installModalUi(ModalUi *ui)
{
    installed = ui;
}

void setDesktopModalUi(ModalUi *ui)
{
    desktop = ui;
}

} // namespace quillar
