#include "layout_table.h"

#include "frm_quillar.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace quillar {

namespace {

using K = ControlKind;

} // namespace

std::span<const ControlLayout> windowControls()
{
    using K = ControlKind;
    // clang-format off
    static constexpr std::array<ControlLayout, 21> Controls{{
        // name       kind             text         tooltip                                             left   top  width height tab max right bold  accessible name, member
        {"Label1",    K::PlainLabel,   "Com",       "",                                                   90,   30,   375,  255, 12},
        {"txtCom1",   K::EntryBox,     "2",         "Serial Port # (1-16)",                              440,    0,   275,  285,  1, 2, false, false, "Com", &frmQuillar::txtCom1},
        {"Label2",    K::PlainLabel,   "Baud",      "",                                                  810,   30,   495,  255, 13},
        {"txtBaud1",  K::EntryBox,     "9600",      "Baud rate (110 - 256000)",                         1220,    0,   540,  285,  2, 6, false, false, "Baud", &frmQuillar::txtBaud1},
        {"Command1",  K::PushButton,   "Open",      "Open COM",                                         1900,   15,   615,  285,  3, 0, false, false, "", &frmQuillar::Command1},
        {"Label7",    K::PlainLabel,   ">",         "",                                                 2690,   30,   135,  255, 18, 0, true, true},
        {"Text4",     K::EntryBox,     "31",        "Lower ASCII  code to display as is",               2810,    0,   375,  285,  4, 3, false, false, "Limite inferiore", &frmQuillar::Text4},
        {"Label8",    K::PlainLabel,   "Car",       "",                                                 3210,   30,   255,  255, 19},
        {"Text2",     K::EntryBox,     "128",       "Higher ASCII  code to display as is",              3480,    0,   495,  285,  5, 3, false, false, "Limite superiore", &frmQuillar::Text2},
        {"Label6",    K::PlainLabel,   "<",         "",                                                 3970,   30,   135,  255, 17, 0, false, true},
        {"Label4",    K::PlainLabel,   "Timer",     "",                                                 4245,   30,   495,  255, 15},
        {"Text1",     K::EntryBox,     "150",       "Time for line feed. 0=line feed if LF detected",   4680,    0,   495,  285,  6, 4, false, false, "Timer", &frmQuillar::Text1},
        {"Label5",    K::PlainLabel,   "mS",        "",                                                 5205,   30,   255,  255, 16},
        {"Command3",  K::PushButton,   "LF",        "Force Line Feed",                                  5520,   15,   375,  285,  7, 0, false, false, "", &frmQuillar::Command3},
        {"Command2",  K::PushButton,   "Clear",     "Clear Display",                                    6000,   15,   615,  285,  8, 0, false, false, "", &frmQuillar::Command2},
        {"Command4",  K::PushButton,   "Save",      "Save all or selected Text",                        6720,   15,   550,  285,  9, 0, false, false, "", &frmQuillar::Command4},
        {"lblStatus", K::StatusLabel,  "Label1",    "",                                                 7360,   30,  2535,  255, 11, 0, false, false, "", &frmQuillar::lblStatus},
        {"Command5",  K::PushButton,   "Help (F1)", "Apri le istruzioni (F1)",                         10080,   15,   765,  285, 10, 0, false, false, "", &frmQuillar::Command5},
        {"Label9",    K::RulerLabel,   "",          "",                                                11935,   70,  2600,  245, 20, 0, false, false, "Righello delle colonne, centinaia", &frmQuillar::Label9},
        {"Label3",    K::RulerLabel,   "",          "",                                                   60,  300, 14425,  495, 14, 0, false, false, "Righello delle colonne", &frmQuillar::Label3},
        {"Text3",     K::Display,      "",          "",                                                   20,  740,  9975, 3255,  0, 0, false, false, "Dati ricevuti", &frmQuillar::Text3},
    }};
    // clang-format on
    return Controls;
}

const ControlLayout &controlLayout(const QString &name)
{
    for (const ControlLayout &c : windowControls()) {
        if (name == QLatin1String(c.name))
            return c;
    }
    throw std::out_of_range("no control named " + name.toStdString());
}

std::vector<const ControlLayout *> focusOrder()
{
    std::vector<const ControlLayout *> focusable;
    for (const ControlLayout &c : windowControls()) {
        if (c.kind == ControlKind::EntryBox || c.kind == ControlKind::PushButton || c.kind == ControlKind::Display)
            focusable.push_back(&c);
    }
    std::sort(focusable.begin(), focusable.end(),
              [](const ControlLayout *a, const ControlLayout *b) { return a->tabIndex < b->tabIndex; });
    return focusable;
}

} // namespace quillar
