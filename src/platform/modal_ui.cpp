#include "modal_ui.h"

#include "platform_widgets/qt_modal_ui.h"

namespace quillar {

namespace {
ModalUi *installed = nullptr;
} // namespace

ModalUi &modalUi()
{
    static QtModalUi qtUi;
    return installed ? *installed : qtUi;
}

void installModalUi(ModalUi *ui)
{
    installed = ui;
}

} // namespace quillar
