#include "strip_flow.h"

#include "layout_table.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace quillar {

namespace {

// Controls that stay side by side, left to right.
using Group = std::initializer_list<const char *>;
const std::array<Group, 8> &groups()
{
    static const std::array<Group, 8> Groups{{
        {"Label1", "txtCom1"},
        {"Label2", "txtBaud1"},
        {"Command1"},
        {"Label7", "Text4", "Label8", "Text2", "Label6"},
        {"Label4", "Text1", "Label5"},
        {"Command3", "Command2", "Command4"},
        {"lblStatus"},
        {"Command5"},
    }};
    return Groups;
}

struct Span
{
    double left;
    double right;
};

Span spanOf(const Group &group)
{
    Span span{1e300, -1e300};
    for (const char *name : group) {
        const ControlLayout &c = controlLayout(QString::fromLatin1(name));
        span.left = std::min<double>(span.left, c.left);
        span.right = std::max<double>(span.right, c.left + c.width);
    }
    return span;
}

} // namespace

StripLayout stripLayout(double clientWidth)
{
    StripLayout layout;
    int row = 0;
    double previousRight = 0; // in the flow, of the group before
    double designRight = 0;   // in the design, of the group before
    bool first = true;
    for (const Group &group : groups()) {
        const Span span = spanOf(group);
        double left = first ? span.left : previousRight + (span.left - designRight);
        if (!first && left + (span.right - span.left) > clientWidth) {
            ++row;
            left = StripFlow::RowLeft;
        }
        for (const char *name : group)
            layout.moves.push_back({QString::fromLatin1(name), left - span.left, row * StripFlow::RowPitch});
        previousRight = left + (span.right - span.left);
        designRight = span.right;
        first = false;
    }
    layout.extraHeight = row * StripFlow::RowPitch;
    return layout;
}

double narrowestStrip()
{
    double widest = 0;
    for (const Group &group : groups()) {
        const Span span = spanOf(group);
        widest = std::max(widest, span.right - span.left);
    }
    return StripFlow::RowLeft + widest;
}

} // namespace quillar
