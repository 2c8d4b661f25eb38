// Kvrail.so: stations near a point, the lines of a station and stations by name or kana, from Dic/Rail.dat.
#include "Kvrail.h"

#include "common/FixedField.h"
#include "common/GeoDic.h"
#include "common/MappedFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr size_t kHeaderSize = 32, kStationSize = 68, kLineSize = 42;
// A metre is 8.2944 units of 1/256 second of latitude (1/32.4 of a thousandth of a second).
constexpr double kUnitsPerMetre = 32.4 * 256 / 1000;
constexpr double kRadius = 10000;  // metres

// Rail.dat of a dictionary folder, checked once per object.
class TRailData {
public:
    explicit TRailData(const char *folder) : file_(std::string(kv::ArgumentText(folder)) + "Rail.dat")
    {
        const unsigned char *d = file_.data();
        if (!d || file_.size() < kHeaderSize || std::memcmp(d, "VMRAILDT", 8) != 0 || kv::le32(d + 8) != 1)
            return;
        stations_ = kv::le32(d + 12);
        lines_ = kv::le32(d + 16);
        links_ = kv::le32(d + 20);
        const size_t need = kHeaderSize + size_t(stations_) * kStationSize + size_t(lines_) * kLineSize + size_t(links_) * 4;
        valid_ = file_.size() == need;
    }
    bool valid() const { return valid_; }
    uint32_t stations() const { return stations_; }
    const unsigned char *station(uint32_t index) const { return file_.data() + kHeaderSize + size_t(index) * kStationSize; }
    std::string_view name(uint32_t index) const { return kv::FieldText(reinterpret_cast<const char *>(station(index)) + 14, 22); }
    std::string_view reading(uint32_t index) const { return kv::FieldText(reinterpret_cast<const char *>(station(index)) + 36, 22); }
    int32_t latitude(uint32_t index) const { return int32_t(kv::le32(station(index))); }
    int32_t longitude(uint32_t index) const { return int32_t(kv::le32(station(index) + 4)); }
    // The names of the station's lines; empty when a link points outside the file.
    bool lineNames(uint32_t index, std::vector<std::string_view> &names) const
    {
        const uint32_t first = kv::le32(station(index) + 60), count = kv::le32(station(index) + 64);
        if (first > links_ || count > links_ - first)
            return false;
        const unsigned char *links = file_.data() + kHeaderSize + size_t(stations_) * kStationSize + size_t(lines_) * kLineSize;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t line = kv::le32(links + size_t(first + i) * 4);
            if (line >= lines_)
                return false;
            names.push_back(kv::FieldText(reinterpret_cast<const char *>(file_.data() + kHeaderSize
                                                                         + size_t(stations_) * kStationSize
                                                                         + size_t(line) * kLineSize),
                                          kLineSize));
        }
        return true;
    }
    // The station's record as the program takes it.
    void fill(uint32_t index, TRailStation &out) const
    {
        std::memset(&out, 0, sizeof out);
        const unsigned char *s = station(index);
        out.Latitude = latitude(index);
        out.Longitude = longitude(index);
        std::memcpy(out.KickCode, s + 8, 6);
        std::memcpy(out.Name, s + 14, 22);
        std::memcpy(out.Reading, s + 36, 22);
        out.StationNo = int32_t(index + 1);
    }

private:
    kv::TMappedFile file_;
    uint32_t stations_ = 0, lines_ = 0, links_ = 0;
    bool valid_ = false;
};

// North and east of the point in metres, a second of longitude counting cos(latitude) of one of latitude.
void Offset(int32_t fromLat, int32_t fromLon, int32_t toLat, int32_t toLon, double &north, double &east)
{
    const double middle = (double(fromLat) + toLat) / 2 / (3600.0 * 256) * M_PI / 180;
    north = (double(toLat) - fromLat) / kUnitsPerMetre;
    east = (double(toLon) - fromLon) * std::cos(middle) / kUnitsPerMetre;
}

// The eight directions by the bearing from north, clockwise in degrees.
int32_t Direction(double north, double east)
{
    if (north == 0 && east == 0)
        return 0;
    double bearing = std::atan2(east, north) * 180 / M_PI;
    if (bearing < 0)
        bearing += 360;
    return int32_t(std::fmod(bearing + 22.5, 360) / 45) + 1;
}

}  // namespace

KV_EXPORT int32_t StationSearchFromPoint(int32_t latitude, int32_t longitude, TRailStation result[4], const char *data)
{
    if (!result)
        return 4;
    std::memset(result, 0, sizeof(TRailStation) * 4);
    const TRailData rail(data);
    if (!rail.valid())
        return kv::kDictionaryError;
    struct Near {
        double distance;
        uint32_t index;
        double north, east;
    };
    std::vector<Near> near;
    for (uint32_t i = 0; i < rail.stations(); ++i) {
        Near n{0, i, 0, 0};
        Offset(latitude, longitude, rail.latitude(i), rail.longitude(i), n.north, n.east);
        n.distance = std::hypot(n.north, n.east);
        if (n.distance <= kRadius)
            near.push_back(n);
    }
    if (near.empty())
        return 8;
    const size_t count = std::min<size_t>(near.size(), 3);
    std::partial_sort(near.begin(), near.begin() + long(count), near.end(),
                      [](const Near &a, const Near &b) { return a.distance < b.distance || (a.distance == b.distance && a.index < b.index); });
    for (size_t i = 0; i < count; ++i) {
        rail.fill(near[i].index, result[i]);
        result[i].Distance = int32_t(std::lround(near[i].distance));
        result[i].Direction = Direction(near[i].north, near[i].east);
    }
    return 0;
}

KV_EXPORT int32_t LineList(int32_t stationNo, int32_t *count, TRailLine *result, const char *data)
{
    if (!count)
        return 4;
    const TRailData rail(data);
    if (!rail.valid())
        return kv::kDictionaryError;
    if (stationNo < 1 || uint32_t(stationNo) > rail.stations()) {
        *count = 0;
        return 8;
    }
    std::vector<std::string_view> names;
    if (!rail.lineNames(uint32_t(stationNo) - 1, names))
        return kv::kDictionaryError;
    std::sort(names.begin(), names.end());
    if (result)
        for (size_t i = 0; i < names.size() && i < size_t(std::max(*count, 0)); ++i)
            kv::PutText(result[i].Name, names[i]);
    *count = int32_t(names.size());
    return names.empty() ? 8 : 0;
}

KV_EXPORT int32_t StationListEx(const char *key, int32_t *count, TRailStation *result, const char *data)
{
    const std::string_view k = kv::ArgumentText(key, 64);
    if (!count || k.empty())
        return 4;
    const TRailData rail(data);
    if (!rail.valid())
        return kv::kDictionaryError;
    const bool kana = k.size() == 1 && static_cast<unsigned char>(k[0]) >= 0xA6 && static_cast<unsigned char>(k[0]) <= 0xDD;
    const int32_t room = result ? *count : 0;
    int32_t found = 0;
    for (uint32_t i = 0; i < rail.stations(); ++i) {
        const std::string_view text = kana ? rail.reading(i) : rail.name(i);
        if (text.substr(0, k.size()) != k)
            continue;
        if (found < room)
            rail.fill(i, result[found]);
        ++found;
    }
    *count = found;
    return found ? 0 : 8;
}
