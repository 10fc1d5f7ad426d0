#include "display_view.h"

#include "display_buffer.h"

namespace quillar {

// Placeholder until the view lands: constructs, paints nothing.
DisplayView::DisplayView(DisplayBuffer &buffer, QWidget *parent)
    : QAbstractScrollArea(parent), m_buffer(buffer)
{
}

} // namespace quillar
