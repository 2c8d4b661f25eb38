// The addresses the program hands to the desktop's browser (web searches, the QR map link, web maps, route
// planners), their encodings and their templates in "Mirvale18.ini", and the one way they are opened.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <array>
#include <cstdint>
#include <functional>

class TMemIniFile;

// Every byte as "%" and two upper-case hexadecimal digits, or, with formEncoding, a blank as "+" and the
// letters, digits, "*", "-", ".", "@", "_" kept.
QByteArray PercentEncodeBytes(const QByteArray &bytes, bool formEncoding);

// The QR map link: [QRMAP] Link with "%s" standing for the address, Shift-JIS and form-encoded.
QString QRMapLinkTemplate(const TMemIniFile &ini);
QByteArray QRMapLink(const QString &linkTemplate, const QString &address);

// One web-search engine: its label (fixed), the address before the word and the word's encoding.
struct TWebSearchEngine {
    QString Label;
    QString Prefix;
    bool ShiftJis = false;  // else UTF-8
    bool EveryByte = false;  // every byte of the word percent-encoded, blanks included
};
inline constexpr int webSearchEngineCount = 5;
// The five engines, their addresses and encodings from [WEB SEARCH] UrlN and EncodingN ("UTF-8" or
// "Shift_JIS") when set.
std::array<TWebSearchEngine, webSearchEngineCount> WebSearchEngines(const TMemIniFile &ini);
// The address of a search for the word, trimmed; empty when it cannot be encoded, the characters the engine's
// encoding lacks then in unmappable.
QByteArray WebSearchUrl(const TWebSearchEngine &engine, const QString &word, QString *unmappable = nullptr);

// The route search conditions by name, in the order of their digits in {conditions}.
extern const std::array<QString, 7> RouteConditionKeys;

// Web maps and route planners: templates with {lat} and {lon} (degrees, six decimals), {zoom}, {address},
// {from}, {to}, {date} (yyyymmdd), {yyyy}, {mm}, {dd}, {conditions} (the route search conditions as digits);
// each value percent-encoded as a URL component, so that nothing in an address can change the address's
// structure. A planner that takes a condition in words of its own gets it from {Name:text0,text1,text2},
// Name one of RouteConditionKeys: the text for the condition's value (for the first without conditions).
struct TUrlFields {
    int32_t Latitude = 0, Longitude = 0;  // 1/1000 second of arc
    int Zoom = 16;
    QString Address, From, To, Date, Conditions;
};
QUrl FillUrlTemplate(const QString &urlTemplate, const TUrlFields &fields);
// Whether the template hands the condition (an index into RouteConditionKeys) to its planner.
bool UrlTemplateCarries(const QString &urlTemplate, size_t condition);
// [WEB MAP] PositionUrl and AddressUrl; an empty value means the web map is not available for that way.
QString WebMapPositionTemplate(const TMemIniFile &ini);
QString WebMapAddressTemplate(const TMemIniFile &ini);
// [ROUTE] Url: the route planner.
QString RoutePlannerTemplate(const TMemIniFile &ini);

// Hands url to the desktop (QDesktopServices); true when it took it. Tests replace the opener.
bool OpenWebUrl(const QUrl &url);
using TUrlOpener = std::function<bool(const QUrl &)>;
TUrlOpener SetUrlOpener(TUrlOpener opener);
