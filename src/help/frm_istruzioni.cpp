#include "frm_istruzioni.h"

// Placeholder until the help window lands.
namespace quillar {
frmIstruzioni &frmIstruzioni::instance()
{
    static frmIstruzioni self;
    return self;
}
void frmIstruzioni::Apri(const QString &, const QString &) {}
QWidget *frmIstruzioni::window() const { return nullptr; }
} // namespace quillar
