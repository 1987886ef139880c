#pragma once
// Detection and grouping of the photograph's segments on a worker thread while the window stays
// responsive: once the work has taken kBusyAfterSeconds, a window-modal progress dialog shows
// how far it is, and its Cancel asks the work to stop (the result is then marked cancelled).

#include "lines/SceneDirections.h"

#include <optional>

class QWidget;

CSceneDirections FindSceneDirectionsWhileResponsive(const CPixelView& photograph, const std::optional<CPixelRegion>& region,
                                                    QWidget* parent);
