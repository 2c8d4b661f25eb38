// The map programs that are only started: the place opens in the desktop's web map through the URL
// templates of "Mirvale18.ini" [WEB MAP] (an empty template: the program is not there). And the map marks,
// written as GPX waypoints.
#pragma once

#include "geo/MapRequest.h"

#include <QString>

class QWidget;

// Answers of the launchers.
inline constexpr int launchStarted = 0;
inline constexpr int launchMissing = 1;      // no template for the way the place is shown
inline constexpr int launchNothing = 2;      // neither a position nor an address
inline constexpr int launchRefused = 3;      // the desktop did not take the address

// The way each program chooses (by its rules) and the start. OpenMapInWebMap serves MapFan.net and MapFan
// PLANNER, which show a position first and an address when there is none.
int OpenMapInKi(const TMapSearchParams &params);
int OpenMapInMainichiNavi(const TMapSearchParams &params);
int OpenMapInGrandMap(const TMapSearchParams &params);
int OpenMapInWebMap(const TMapSearchParams &params);

// Appends a waypoint to the GPX file markFile (creating it): the point in 1/1000 second and the name
// (Shift-JIS, cut to 511 bytes on a character boundary). False, with nothing written, without a position or
// when the file cannot be written; errno then says why (ENOSPC for a write the disk took only part of).
bool SaveMarkRecord(const QString &markFile, int32_t latitude, int32_t longitude, const QByteArray &name);
