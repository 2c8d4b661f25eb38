// ShowMapForRequest: hands a place to the map program of the settings. Programs that show a map and hand a
// point back are served by the program's own map window (TMapView); the others open the place in the
// desktop's web map (MapLaunch).
#pragma once

#include "geo/MapRequest.h"

#include <functional>

class QWidget;

struct TMapDispatchHooks {
    // Record form only: asked once the map program is found, before its map shows; false means a point
    // picked there is not kept.
    std::function<bool()> KeepPoint;
    // Record form only: AtlasMate asked with neither a telephone number nor a position.
    std::function<void()> NoTelephone;
};

// Returns true when params' Latitude and Longitude hold a point the user could pick on the map and the caller
// may keep (they are unchanged otherwise).
bool ShowMapForRequest(QWidget *caller, int program, TMapSearchParams &params, const TMapDispatchHooks &hooks = {});
