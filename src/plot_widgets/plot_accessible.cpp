#include "plot_accessible.h"

#include "plot_view.h"
#include "platform_widgets/accessible_factory.h"

#include <QAccessibleWidget>

namespace quillar {

namespace {

class PlotAccessible : public QAccessibleWidget
{
public:
    explicit PlotAccessible(PlotView *view) : QAccessibleWidget(view, QAccessible::Chart) { }

    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description || t == QAccessible::Value)
            return static_cast<const PlotView *>(widget())->summary();
        return QAccessibleWidget::text(t);
    }
};

} // namespace

void installPlotAccessibility()
{
    quillar::installAccessibleFactory<PlotView, PlotAccessible>();
}

} // namespace quillar
