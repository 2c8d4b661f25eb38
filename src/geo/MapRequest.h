// The place handed to a map window or launcher (TMapSearchParams), the rules every map program follows with
// it, the ten map programs as the settings number them, and the texts and measures of positions that the map
// and route windows share.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>

// Positions are 1/1000 second of arc (one degree = 3,600,000) unless a name says 1/256.
struct TMapSearchParams {
    int32_t Kind = 0;  // 0 by coordinates, 1 by text
    int32_t Latitude = 0;
    int32_t Longitude = 0;
    QByteArray Tel;      // single-byte digits
    QByteArray Address;  // Shift-JIS
    QByteArray Reserved;
    int32_t WatchExit = 0;
    int32_t MapClass = 0;
    int32_t Zoom = 0;
    QRect CallerBounds;
};

// Answers of SetMapRequest.
inline constexpr int mapShowByPosition = 0;
inline constexpr int mapShowByText = 1;
inline constexpr int mapNothingByPosition = 2;  // asked by coordinates, neither position nor text
inline constexpr int mapNothingByText = 3;      // asked by text, neither text nor position

// The rule that decides how a request is shown: kind may change to the way actually used. A position is
// present when both coordinates are greater than 0.
int ResolveMapRequest(int32_t &kind, int32_t latitude, int32_t longitude, bool hasText);

// The map programs of [COOPERATE] Map, and the route programs of [COOPERATE] Root.
inline constexpr int mapProgramCount = 10;
extern const std::array<QString, mapProgramCount> MapProductNames;
extern const std::array<QString, 2> RouteProductNames;
// What the user is told when the chosen map program is not there.
QString MapProgramMissingText(int program);
// Programs shown in the program's own map window, which hands a picked point back (0, 1, 2, 5, 8); the others
// are only started.
bool MapProgramShowsWindow(int program);
// Programs whose picked point a stored record may take, after asking (0, 1, 2, 5).
bool MapProgramMaySavePoint(int program);
// AtlasMate looks a place up by the telephone number, every other program by the address.
inline bool MapProgramSearchesByTel(int program) { return program == 0; }

// Conversions between the units, multiplying first and rounding halves away from zero.
int32_t ThousandthsFrom256(int32_t value);
int32_t To256FromThousandths(int32_t value);
inline double DegreesOf(int32_t thousandths) { return thousandths / 3600000.0; }
int32_t ThousandthsOf(double degrees);

// A value as degrees, minutes, seconds and thousandths: D "度" MM "分" SS.ttt "秒" (minutes and seconds two
// digits, thousandths three).
QString DegreeMinuteSecondText(int32_t value);
// The corner text that goes with a copied map: "左上 北緯 : … 東経 : …\r\n右下 北緯 : … 東経 : …".
QString MapCornerText(int32_t topLatitude, int32_t leftLongitude, int32_t bottomLatitude, int32_t rightLongitude);

// Compass directions numbered 1 北 to 8 北西, 0 none.
QString DirectionWord(int direction);
// From a place to a station, both in 1/1000 second: the distance in metres (rounded halves away from zero)
// and the direction. East-west differences count for cos(latitude) of their north-south size.
int StationDistance(int32_t fromLatitude, int32_t fromLongitude, int32_t toLatitude, int32_t toLongitude);
int StationDirection(int32_t fromLatitude, int32_t fromLongitude, int32_t toLatitude, int32_t toLongitude);
