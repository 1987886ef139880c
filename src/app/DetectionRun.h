#pragma once
// Detection and grouping of the photograph's segments on a worker thread while the window stays
// responsive: once the work has taken kBusyAfterSeconds, a window-modal progress dialog shows
// how far it is, and its Cancel asks the work to stop (the result is then marked cancelled).

#include "lines/SceneDirections.h"

#include <functional>
#include <optional>

class QWidget;

// How the worker finds the segments and their directions; tests put a slowed finder in its place.
using CDirectionsFinder = std::function<CSceneDirections(const CPixelView& photograph, const std::optional<CPixelRegion>& region,
                                                         const CProgressCallback& progress)>;
void SetDirectionsFinder(CDirectionsFinder finder);  // an empty one restores FindSceneDirections

CSceneDirections FindSceneDirectionsWhileResponsive(const CPixelView& photograph, const std::optional<CPixelRegion>& region,
                                                    QWidget* parent);
