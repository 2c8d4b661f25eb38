#include "geo/MapLaunch.h"

#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "core/Globals.h"
#include "geo/WebLinks.h"
#include "platform/MemIniFile.h"

#include <QFile>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cerrno>
#include <QXmlStreamWriter>

namespace {

enum class TWay { Position, Address };

bool Both(const TMapSearchParams &p) { return p.Latitude > 0 && p.Longitude > 0; }
bool NoneZero(const TMapSearchParams &p) { return p.Latitude != 0 && p.Longitude != 0; }

int Open(const TMapSearchParams &params, TWay way)
{
    const QString address = Sjis::decode(TrimBlanks(params.Address));
    if (way == TWay::Position ? !Both(params) : address.isEmpty())
        return launchNothing;
    const TMemIniFile ini(DataFolder + SettingsFileName);
    const QString urlTemplate = way == TWay::Position ? WebMapPositionTemplate(ini) : WebMapAddressTemplate(ini);
    if (urlTemplate.isEmpty())
        return launchMissing;
    TUrlFields fields;
    fields.Latitude = params.Latitude;
    fields.Longitude = params.Longitude;
    fields.Address = address;
    return OpenWebUrl(FillUrlTemplate(urlTemplate, fields)) ? launchStarted : launchRefused;
}

bool HasAddress(const TMapSearchParams &p) { return !TrimBlanks(p.Address).isEmpty(); }

}  // namespace

int OpenMapInKi(const TMapSearchParams &params)
{
    int kind = params.Kind;
    if (kind == 1 && !HasAddress(params) && NoneZero(params))
        kind = 0;
    else if (kind == 0 && !NoneZero(params) && HasAddress(params))
        kind = 1;
    return Open(params, kind == 0 ? TWay::Position : TWay::Address);
}

int OpenMapInMainichiNavi(const TMapSearchParams &params)
{
    TWay way;
    if (params.Kind == 0)
        way = !NoneZero(params) && HasAddress(params) ? TWay::Address : TWay::Position;
    else if (params.Kind == 1)
        way = !HasAddress(params) && Both(params) ? TWay::Position : TWay::Address;
    else
        return launchNothing;
    return Open(params, way);
}

int OpenMapInGrandMap(const TMapSearchParams &params)
{
    int kind = params.Kind;
    if (kind == 1 && !HasAddress(params) && Both(params))
        kind = 0;
    else if (kind == 0 && !Both(params) && HasAddress(params))
        kind = 1;
    return Open(params, kind == 0 ? TWay::Position : TWay::Address);
}

int OpenMapInWebMap(const TMapSearchParams &params)
{
    const bool position = NoneZero(params), address = HasAddress(params);
    if (params.Kind == 1)
        return Open(params, address || !position ? TWay::Address : TWay::Position);
    return Open(params, position || !address ? TWay::Position : TWay::Address);
}

namespace {

// Puts waypoint in place of the file's closing tag, or starts the file with it when the file is empty. 0, or
// the errno of the call that failed (WriteInPlace).
int putWaypoint(QFile &file, const QByteArray &waypoint)
{
    errno = 0;
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return errno != 0 ? errno : EIO;
    const qint64 size = file.size();
    qint64 at = 0;
    QByteArray head;
    if (size > 0) {
        const qint64 tail = std::min<qint64>(size, 256);
        file.seek(size - tail);
        const qsizetype end = file.read(tail).lastIndexOf("</gpx>");
        if (end < 0)
            return EINVAL;
        at = size - tail + end;
    } else {
        head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<gpx version=\"1.1\" creator=\"Velmora\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    }
    return WriteInPlace(file, at, head + waypoint + "\n</gpx>\n");
}

}  // namespace

bool SaveMarkRecord(const QString &markFile, int32_t latitude, int32_t longitude, const QByteArray &name)
{
    if (latitude <= 0 || longitude <= 0) {
        errno = EINVAL;
        return false;
    }
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartElement(QStringLiteral("wpt"));
    xml.writeAttribute(QStringLiteral("lat"), QString::number(DegreesOf(latitude), 'f', 7));
    xml.writeAttribute(QStringLiteral("lon"), QString::number(DegreesOf(longitude), 'f', 7));
    xml.writeTextElement(QStringLiteral("name"), Sjis::decode(Sjis::cutToBytes(name, 511)));
    xml.writeEndElement();
    // The new waypoint takes the place of the closing tag, so the waypoints already in the file stay, in their
    // order, before it, and a mark export of many records costs one short write per mark. The reason is kept
    // apart from the closing of the file, which may change errno.
    int error = 0;
    {
        QFile file(markFile);
        error = putWaypoint(file, out.trimmed());
    }
    errno = error;
    return error == 0;
}
