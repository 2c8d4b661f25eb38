#include "geo/MapRequest.h"

#include "core/SharedHelpers.h"

#include <QStringList>

#include <cmath>
#include <numbers>

int ResolveMapRequest(int32_t &kind, int32_t latitude, int32_t longitude, bool hasText)
{
    const bool position = latitude > 0 && longitude > 0;
    if (kind == 0) {
        if (position)
            return mapShowByPosition;
        if (hasText) {
            kind = 1;
            return mapShowByText;
        }
        return mapNothingByPosition;
    }
    if (hasText)
        return mapShowByText;
    if (position) {
        kind = 0;
        return mapShowByPosition;
    }
    return mapNothingByText;
}

const std::array<QString, mapProgramCount> MapProductNames = {
    QStringLiteral("AtlasMate4/5"),
    QStringLiteral("プロアトラス2002"),
    QStringLiteral("プロアトラスＷ～Ｗ３/SV～SV7"),
    QStringLiteral("デジタル地図帳Ｋ[ki]Ⅱ～５"),
    QStringLiteral("まいにちNAVI"),
    QStringLiteral("MapFanⅣ/Ⅴ"),
    QStringLiteral("MapFan.net"),
    QStringLiteral("MapFan PLANNER1/2"),
    QStringLiteral("スーパーマップル・デジタル Ver.1～13"),
    QStringLiteral("グランマップ東京都全域版"),
};

const std::array<QString, 2> RouteProductNames = {QStringLiteral("駅すぱあと"), QStringLiteral("乗換案内")};

QString MapProgramMissingText(int program)
{
    static const std::array<QString, mapProgramCount> texts = {
        QStringLiteral("AtlasMate4/5のどちらのCD-ROMも見つかりません  "),
        QStringLiteral("プロアトラス2002がインストールされていません  "),
        QStringLiteral("プロアトラスＷ～Ｗ３/SV～SV7のいずれもインストールされていません  "),
        QStringLiteral("デジタル地図帳Ｋ[ki]Ⅱ～５のいずれもインストールされていません  "),
        QStringLiteral("まいにちNAVIがインストールされていません  "),
        QStringLiteral("MapFanⅣ/Ⅴのどちらもインストールされていません  "),
        QStringLiteral("MapFan.netがインストールされていません  "),
        QStringLiteral("MapFan PLANNER1/2がインストールされていません  "),
        QStringLiteral("スーパーマップル・デジタル Ver.1～13のいずれもインストールされていません  "),
        QStringLiteral("グランマップがインストールされていません  "),
    };
    return program >= 0 && program < mapProgramCount ? texts[program] : QString();
}

bool MapProgramShowsWindow(int program)
{
    return program == 0 || program == 1 || program == 2 || program == 5 || program == 8;
}

bool MapProgramMaySavePoint(int program) { return program == 0 || program == 1 || program == 2 || program == 5; }

int32_t ThousandthsFrom256(int32_t value) { return int32_t(RoundHalfAway(int64_t(value) * 1000 / 256.0L)); }

int32_t To256FromThousandths(int32_t value) { return int32_t(RoundHalfAway(int64_t(value) * 256 / 1000.0L)); }

int32_t ThousandthsOf(double degrees) { return int32_t(RoundHalfAway(static_cast<long double>(degrees) * 3600000)); }

QString DegreeMinuteSecondText(int32_t value)
{
    const int32_t v = std::abs(value);
    return QStringLiteral("%1%2度%3分%4.%5秒")
        .arg(value < 0 ? QStringLiteral("-") : QString())
        .arg(v / 3600000)
        .arg((v % 3600000) / 60000, 2, 10, QLatin1Char('0'))
        .arg((v % 60000) / 1000, 2, 10, QLatin1Char('0'))
        .arg(v % 1000, 3, 10, QLatin1Char('0'));
}

QString MapCornerText(int32_t topLatitude, int32_t leftLongitude, int32_t bottomLatitude, int32_t rightLongitude)
{
    return QStringLiteral("左上 北緯 : ") + DegreeMinuteSecondText(topLatitude) + QStringLiteral("  東経 : ")
           + DegreeMinuteSecondText(leftLongitude) + QStringLiteral("\r\n右下 北緯 : ")
           + DegreeMinuteSecondText(bottomLatitude) + QStringLiteral("  東経 : ")
           + DegreeMinuteSecondText(rightLongitude);
}

QString DirectionWord(int direction)
{
    static const QStringList words = {QString(),           QStringLiteral("北"), QStringLiteral("北東"),
                                      QStringLiteral("東"),   QStringLiteral("南東"), QStringLiteral("南"),
                                      QStringLiteral("南西"), QStringLiteral("西"), QStringLiteral("北西")};
    return direction >= 0 && direction < words.size() ? words[direction] : QString();
}

namespace {

// The two differences in the same measure: a second of longitude is cos(latitude) of a second of latitude.
void Differences(int32_t fromLatitude, int32_t fromLongitude, int32_t toLatitude, int32_t toLongitude,
                 double &north, double &east)
{
    const double middle = DegreesOf(fromLatitude / 2 + toLatitude / 2) * std::numbers::pi / 180;
    north = double(toLatitude) - fromLatitude;
    east = (double(toLongitude) - fromLongitude) * std::cos(middle);
}

}  // namespace

int StationDistance(int32_t fromLatitude, int32_t fromLongitude, int32_t toLatitude, int32_t toLongitude)
{
    double north, east;
    Differences(fromLatitude, fromLongitude, toLatitude, toLongitude, north, east);
    // A thousandth of a second of latitude is 1/32.4 metre.
    return int(RoundHalfAway(std::hypot(north / 32.4, east / 32.4)));
}

int StationDirection(int32_t fromLatitude, int32_t fromLongitude, int32_t toLatitude, int32_t toLongitude)
{
    double north, east;
    Differences(fromLatitude, fromLongitude, toLatitude, toLongitude, north, east);
    const double r = std::hypot(north, east);
    if (r == 0)
        return 0;
    const bool eastward = std::asin(east / r) > 0;
    const double b = std::acos(north / r) * 180 / std::numbers::pi;
    if (b <= 22.5)
        return 1;
    if (b <= 67.5)
        return eastward ? 2 : 8;
    if (b <= 112.5)
        return eastward ? 3 : 7;
    if (b <= 157.5)
        return eastward ? 4 : 6;
    return 5;
}
