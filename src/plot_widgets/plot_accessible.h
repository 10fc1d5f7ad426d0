#pragma once

namespace quillar {

// Gives every plot view, once, an accessibility interface: a chart named as
// the view is, whose description (and value) tells each series' name, latest
// value, minimum and maximum as they stand when a screen reader asks.
void installPlotAccessibility();

} // namespace quillar
