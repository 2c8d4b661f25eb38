#include "geo/WebLinks.h"

#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "geo/MapRequest.h"
#include "platform/MemIniFile.h"

#include <QDesktopServices>
#include <QRegularExpression>

const std::array<QString, 7> RouteConditionKeys = {
    QStringLiteral("FirstTrainSt"), QStringLiteral("LeavingStRide"), QStringLiteral("Transfers"),
    QStringLiteral("WalkingAmongSt"), QStringLiteral("JRRailway"),   QStringLiteral("LimitedExpress"),
    QStringLiteral("Airway"),
};

namespace {

const QString QRMapSection = QStringLiteral("QRMAP");
const QString WebSearchSection = QStringLiteral("WEB SEARCH");
const QString WebMapSection = QStringLiteral("WEB MAP");
const QString RouteSection = QStringLiteral("ROUTE");

const QString ConditionsField = QStringLiteral("{conditions}");

// {Name:text0,text1,text2} of one condition; the texts are captured.
QRegularExpression ConditionChoice(const QString &name)
{
    return QRegularExpression(QStringLiteral("\\{") + name + QStringLiteral(":([^{}]*)\\}"));
}

TUrlOpener &Opener()
{
    static TUrlOpener opener;
    return opener;
}

bool Kept(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' || c == '-'
           || c == '.' || c == '@' || c == '_';
}

}  // namespace

QByteArray PercentEncodeBytes(const QByteArray &bytes, bool formEncoding)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        if (formEncoding && c == ' ') {
            out += '+';
        } else if (formEncoding && Kept(c)) {
            out += c;
        } else {
            const auto b = static_cast<unsigned char>(c);
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

QString QRMapLinkTemplate(const TMemIniFile &ini)
{
    return ini.ReadString(QRMapSection, QStringLiteral("Link"),
                          QStringLiteral("http://i.mapfan.com/link.cgi?W=D&ZM=11&ADDR=%s"));
}

QByteArray QRMapLink(const QString &linkTemplate, const QString &address)
{
    QByteArray link = linkTemplate.toUtf8();
    link.replace("%s", PercentEncodeBytes(Sjis::encode(address), true));
    return link;
}

std::array<TWebSearchEngine, webSearchEngineCount> WebSearchEngines(const TMemIniFile &ini)
{
    std::array<TWebSearchEngine, webSearchEngineCount> engines = {{
        {QStringLiteral("goo"), QStringLiteral("https://search.goo.ne.jp/web.jsp?IE=UTF-8&MT=")},
        {QStringLiteral("Yahoo! JAPAN"), QStringLiteral("https://search.yahoo.co.jp/search?ei=UTF-8&p=")},
        {QStringLiteral("Excite"), QStringLiteral("https://websearch.excite.co.jp/?q=")},
        {QStringLiteral("インフォシーク"), QStringLiteral("https://websearch.rakuten.co.jp/Web?qt="), false, true},
        {QStringLiteral("フレッシュアイ"), QStringLiteral("https://www.fresheye.com/?kw=")},
    }};
    for (int i = 0; i < webSearchEngineCount; ++i) {
        TWebSearchEngine &e = engines[i];
        e.Prefix = TrimBlanks(ini.ReadString(WebSearchSection, QStringLiteral("Url%1").arg(i), e.Prefix));
        const QString encoding = ini.ReadString(WebSearchSection, QStringLiteral("Encoding%1").arg(i), {});
        e.ShiftJis = encoding.compare(QStringLiteral("Shift_JIS"), Qt::CaseInsensitive) == 0;
    }
    return engines;
}

QByteArray WebSearchUrl(const TWebSearchEngine &engine, const QString &word, QString *unmappable)
{
    const QString trimmed = TrimBlanks(word);
    QString lacking;
    const QByteArray bytes = engine.ShiftJis ? Sjis::encode(trimmed, &lacking) : trimmed.toUtf8();
    if (unmappable)
        *unmappable = lacking;
    if (!lacking.isEmpty())
        return {};
    return engine.Prefix.toUtf8() + PercentEncodeBytes(bytes, !engine.EveryByte);
}

QUrl FillUrlTemplate(const QString &urlTemplate, const TUrlFields &fields)
{
    const auto component = [](const QString &text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); };
    const QString date = fields.Date;
    QString url = urlTemplate;
    url.replace(QStringLiteral("{lat}"), QString::number(DegreesOf(fields.Latitude), 'f', 6))
        .replace(QStringLiteral("{lon}"), QString::number(DegreesOf(fields.Longitude), 'f', 6))
        .replace(QStringLiteral("{zoom}"), QString::number(fields.Zoom))
        .replace(QStringLiteral("{address}"), component(fields.Address))
        .replace(QStringLiteral("{from}"), component(fields.From))
        .replace(QStringLiteral("{to}"), component(fields.To))
        .replace(QStringLiteral("{date}"), component(date))
        .replace(ConditionsField, component(fields.Conditions))
        .replace(QStringLiteral("{yyyy}"), component(date.left(4)))
        .replace(QStringLiteral("{mm}"), component(date.mid(4, 2)))
        .replace(QStringLiteral("{dd}"), component(date.mid(6, 2)));
    for (size_t i = 0; i < RouteConditionKeys.size(); ++i) {
        const int value = qsizetype(i) < fields.Conditions.size() ? fields.Conditions[i].digitValue() : 0;
        const QRegularExpression choice = ConditionChoice(RouteConditionKeys[i]);
        for (auto m = choice.match(url); m.hasMatch(); m = choice.match(url, m.capturedStart()))
            url.replace(m.capturedStart(), m.capturedLength(),
                        m.captured(1).split(QLatin1Char(',')).value(std::max(value, 0)));
    }
    return QUrl(url, QUrl::StrictMode);
}

bool UrlTemplateCarries(const QString &urlTemplate, size_t condition)
{
    return urlTemplate.contains(ConditionsField)
           || (condition < RouteConditionKeys.size() && urlTemplate.contains(ConditionChoice(RouteConditionKeys[condition])));
}

QString WebMapPositionTemplate(const TMemIniFile &ini)
{
    return TrimBlanks(ini.ReadString(WebMapSection, QStringLiteral("PositionUrl"),
                                     QStringLiteral("https://maps.gsi.go.jp/#{zoom}/{lat}/{lon}/")));
}

QString WebMapAddressTemplate(const TMemIniFile &ini)
{
    return TrimBlanks(ini.ReadString(WebMapSection, QStringLiteral("AddressUrl"),
                                     QStringLiteral("https://www.openstreetmap.org/search?query={address}")));
}

QString RoutePlannerTemplate(const TMemIniFile &ini)
{
    return TrimBlanks(ini.ReadString(
        RouteSection, QStringLiteral("Url"),
        // The planner sorts by fewest transfers (s=2), and takes or leaves limited expresses with the
        // shinkansen (ex, shin) and flights (al); the other conditions have no counterpart there.
        QStringLiteral("https://transit.yahoo.co.jp/search/result?from={from}&to={to}&y={yyyy}&m={mm}&d={dd}"
                       "&s={Transfers:0,0,2}&ex={LimitedExpress:1,1,0}&shin={LimitedExpress:1,1,0}"
                       "&al={Airway:1,1,0}")));
}

bool OpenWebUrl(const QUrl &url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    if (Opener())
        return Opener()(url);
    return QDesktopServices::openUrl(url);
}

TUrlOpener SetUrlOpener(TUrlOpener opener)
{
    TUrlOpener previous = std::move(Opener());
    Opener() = std::move(opener);
    return previous;
}
