#include "geo/MapView.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "geo/ContinualAdrsSearch.h"
#include "geo/KanaAdrsSearch.h"
#include "geo/MatchDll.h"
#include "geo/TelPlace.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

const std::array<QString, mapScaleCount> MapScaleCaptions = {
    QStringLiteral("全国図"),  QStringLiteral("1/320万"),  QStringLiteral("1/160万"), QStringLiteral("1/80万"),
    QStringLiteral("1/40万"),  QStringLiteral("1/20万"),   QStringLiteral("1/10万"),  QStringLiteral("1/50000"),
    QStringLiteral("1/25000"), QStringLiteral("1/12500"), QStringLiteral("1/6250"),  QStringLiteral("詳細図"),
};
const std::array<int, mapScaleCount> MapScaleZooms = {5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18};
const std::array<int, mapScaleCount> MapScaleDenominators = {12800000, 3200000, 1600000, 800000, 400000, 200000,
                                                             100000,   50000,   25000,   12500,  6250,   1562};

const std::array<TMapArea, mapAreaCount> MapAreas = {{
    {QStringLiteral("全国"), -1, 0, 3},
    {QStringLiteral("北海道・東北"), 0, 1, 11},
    {QStringLiteral("関東"), 1, 1, 11},
    {QStringLiteral("中部"), 2, 1, 11},
    {QStringLiteral("近畿"), 3, 1, 11},
    {QStringLiteral("中国・四国"), 4, 1, 11},
    {QStringLiteral("九州・沖縄"), 5, 1, 11},
}};

namespace {

// Every municipality's position with its prefecture's region, read from the dictionaries once they answer.
struct TRegionPlace {
    int32_t Latitude, Longitude;
    int Region;
};
const std::vector<TRegionPlace> &RegionPlaces()
{
    static std::vector<TRegionPlace> places;
    if (!places.empty())
        return places;
    const QString dic = AppFolder + QStringLiteral("Dic/");
    try {
        TKanaAdrsSearch kana(AppFolder, dic);
        const TMatchDllUse match(AppFolder);
        for (int region = 0; region <= TKanaAdrsSearch::lastRegion; ++region) {
            if (kana.SearchPrefectures(region) != 0)
                continue;
            std::vector<TKanaPrefEntry> prefectures;
            for (int i = 0; i < kana.GetPrefectureCount(); ++i)
                prefectures.push_back(kana.GetPrefecture(i));
            for (const TKanaPrefEntry &prefecture : prefectures) {
                if (kana.SearchCities(int(prefecture.Number), prefecture.CityCount) != 0)
                    continue;
                for (int i = 0; i < kana.GetCityCount(); ++i) {
                    TMatchAdrsRecord record;
                    if (MatchAddress(MatchKey(FieldText(kana.GetCity(i).Code), {}), record, dic) == 0)
                        places.push_back({MatchCoordinate(record.Latitude), MatchCoordinate(record.Longitude), region});
                }
            }
        }
    } catch (const EDicSearchError &) {
        // Without the dictionaries no region is known: the whole country's area alone holds a place.
        places.clear();
    }
    return places;
}

}  // namespace

bool TMapArea::Include(int32_t latitude, int32_t longitude) const
{
    const double lat = DegreesOf(latitude), lon = DegreesOf(longitude);
    if (lat < 20.0 || lat > 46.0 || lon < 122.0 || lon > 154.0)
        return false;
    if (Region < 0)
        return true;
    // A place belongs to the region of the municipality nearest to it.
    int nearest = -1, best = 0;
    for (const TRegionPlace &place : RegionPlaces()) {
        const int distance = StationDistance(latitude, longitude, place.Latitude, place.Longitude);
        if (nearest < 0 || distance < best) {
            nearest = place.Region;
            best = distance;
        }
    }
    return nearest == Region;
}

// The glyphs' resource file sits in a static library, which links it in only when it is asked for; the
// request has to come from outside any namespace.
static QIcon glyph(const QString &name)
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(geo);
        return true;
    }();
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/geo/MAPFAN_") + name + QStringLiteral(".svg"));
}

namespace {

const QString BaseMapFile = QStringLiteral("Dic/BaseMap.dat");
// The middle of the country, where a request with no place opens.
constexpr int32_t CountryLatitude = 36 * 3600000, CountryLongitude = 138 * 3600000;
// 1/10万, where a municipality fills the map.
constexpr int municipalityScale = 6;

TMapView::TPrinterSetup &PrinterSetup()
{
    static TMapView::TPrinterSetup setup = [](QWidget *owner, QPrinter &printer) {
        QPrintDialog dialog(&printer, owner);
        dialog.setObjectName(QStringLiteral("PrinterSetupDialog"));
        PlaceBelowOwnerCorner(&dialog, owner);
        return ExecDialog(dialog) == QDialog::Accepted;
    };
    return setup;
}

}  // namespace

// The map itself: paints what TMapView renders and hands the mouse to it.
class TMapCanvas : public QWidget {
public:
    explicit TMapCanvas(TMapView *view) : QWidget(view), view_(view)
    {
        setObjectName(QStringLiteral("MapControl"));
        setAccessibleName(QStringLiteral("地図"));
        setMouseTracking(true);
        setMinimumSize(ScaleByDpi(320, true), ScaleByDpi(240, true));
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        view_->Render(painter, rect(), true);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        const QPoint at = event->position().toPoint();
        if (view_->sbtnClip->isChecked()) {
            view_->clip_ = QRect(at, at);
            view_->clipping_ = true;
            view_->clipShown_ = true;
        } else {
            view_->RemoveClip();
            view_->panning_ = true;
            view_->dragFrom_ = at;
            setCursor(Qt::ClosedHandCursor);
        }
        update();
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        const QPoint at = event->position().toPoint();
        view_->mouse_ = at;
        if (view_->clipping_) {
            view_->clip_.setBottomRight(QPoint(std::clamp(at.x(), 0, width() - 1), std::clamp(at.y(), 0, height() - 1)));
            update();
        } else if (view_->panning_) {
            view_->centre_ -= QPointF(at - view_->dragFrom_);
            view_->dragFrom_ = at;
            update();
        }
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        if (view_->clipping_) {
            view_->clipping_ = false;
            view_->clip_ = view_->clip_.normalized();
            if (view_->clip_.topLeft() == view_->clip_.bottomRight())
                view_->clipShown_ = false;
            view_->sbtnClip->setChecked(false);
        }
        view_->panning_ = false;
        unsetCursor();
        update();
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            view_->PickAt(event->position().toPoint());
    }
    void wheelEvent(QWheelEvent *event) override
    {
        const int step = event->angleDelta().y() > 0 ? 1 : event->angleDelta().y() < 0 ? -1 : 0;
        for (int i = view_->scale_ + step; step && i >= 0 && i < mapScaleCount; i += step)
            if (view_->ScaleOffered(i)) {
                view_->SetScale(i);
                break;
            }
    }
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        view_->mouse_ = event->pos();
        for (int i = 0; i < mapScaleCount; ++i)
            view_->pmiScale[i]->setEnabled(view_->ScaleOffered(i));
        view_->pmMapFan->popup(event->globalPos());
    }

private:
    TMapView *view_;
};

TMapView::TMapView(QWidget *owner, int program) : QDialog(owner), program_(program)
{
    setObjectName(QStringLiteral("MapView"));
    setWindowTitle(MapProductNames[std::clamp(program, 0, mapProgramCount - 1)]);
    setProperty("HelpContext", 64);
    const TMemIniFile ini(DataFolder + SettingsFileName);
    tileSettings_ = ReadTileSettings(ini);
    tiles_ = new TTileCache(tileSettings_, this);
    baseMap_.Load(AppFolder + BaseMapFile);

    auto *top = new QHBoxLayout;
    // A list with the caption beside it, which names it for a screen reader too.
    auto list = [this, top](const char *name, const QString &caption) {
        auto *label = new QLabel(caption, this);
        auto *combo = Named<QComboBox>(name, this);
        combo->setAccessibleName(caption);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        label->setBuddy(combo);
        top->addWidget(label);
        top->addWidget(combo);
        return combo;
    };
    if (MapsByArea()) {
        cbxArea = list("cbxArea", QStringLiteral("地域"));
        for (const TMapArea &area : MapAreas)
            cbxArea->addItem(area.Title);
        top->addSpacing(ScaleByDpi(8, true));
        cbxLayer = list("cbxLayer", QStringLiteral("地図階層"));
    } else {
        cbxScale = list("cbxScale", QStringLiteral("地図縮尺"));
        for (const QString &caption : MapScaleCaptions)
            cbxScale->addItem(caption);
        cbxScale->setCurrentIndex(-1);
    }
    top->addSpacing(ScaleByDpi(12, true));
    // Speed buttons: a glyph each; the text is what tooltips and screen readers give.
    auto tool = [this, top](const char *name, const QString &glyphName, const QString &text) {
        auto *b = Named<QToolButton>(name, this);
        b->setIcon(glyph(glyphName));
        b->setIconSize(QSize(ScaleByDpi(16, true), ScaleByDpi(16, true)));
        b->setAutoRaise(true);
        b->setText(text);
        b->setToolTip(text);
        b->setAccessibleName(text);
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        // Tab reaches them; a click leaves the focus on the map.
        b->setFocusPolicy(Qt::TabFocus);
        top->addWidget(b);
        return b;
    };
    sbtnClip = tool("sbtnClip", QStringLiteral("CLIP"), QStringLiteral("範囲指定"));
    sbtnClip->setCheckable(true);
    sbtnCopy = tool("sbtnCopy", QStringLiteral("COPY"), QStringLiteral("コピー"));
    sbtnPrint = tool("sbtnPrint", QStringLiteral("PRINT"), QStringLiteral("印刷"));
    sbtnExit = tool("sbtnExit", QStringLiteral("EXIT"), QStringLiteral("閉じる"));
    top->addStretch();
    actCopy = new QAction(sbtnCopy->icon(), QStringLiteral("コピー"), this);
    actCopy->setObjectName(QStringLiteral("actCopy"));
    actCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    addAction(actCopy);
    sbtnCopy->setDefaultAction(actCopy);

    MapControl = new TMapCanvas(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnlTop"));
    panel->setLayout(top);
    top->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(panel);
    layout->addWidget(MapControl, 1);

    pmMapFan = Named<QMenu>("pmMapFan", this);
    pmiCentering = pmMapFan->addAction(QStringLiteral("中心を選択位置にする"));
    pmiCentering->setObjectName(QStringLiteral("pmiCentering"));
    pmMapFan->addSeparator();
    pmiMousePosCenter = pmMapFan->addAction(QStringLiteral("マウス位置を中心にする"));
    pmiMousePosCenter->setObjectName(QStringLiteral("pmiMousePosCenter"));
    pmMapFan->addSeparator();
    for (int i = 0; i < mapScaleCount; ++i) {
        pmiScale[i] = pmMapFan->addAction(MapScaleCaptions[i]);
        pmiScale[i]->setCheckable(true);
        connect(pmiScale[i], &QAction::triggered, this, [this, i] { SetScale(i); });
    }

    if (cbxScale)
        connect(cbxScale, &QComboBox::activated, this, &TMapView::cbxScaleChange);
    if (cbxArea) {
        connect(cbxArea, &QComboBox::activated, this, &TMapView::cbxAreaChange);
        connect(cbxLayer, &QComboBox::activated, this, &TMapView::cbxLayerChange);
    }
    connect(sbtnClip, &QToolButton::clicked, this, &TMapView::sbtnClipClick);
    connect(actCopy, &QAction::triggered, this, &TMapView::actCopyExecute);
    connect(sbtnPrint, &QToolButton::clicked, this, &TMapView::sbtnPrintClick);
    // Esc ends the window through its close button, as a click on it would.
    connect(sbtnExit, &QToolButton::clicked, this, &QDialog::reject);
    connect(pmiCentering, &QAction::triggered, this, &TMapView::pmiCenteringClick);
    connect(pmiMousePosCenter, &QAction::triggered, this, &TMapView::pmiMousePosCenterClick);
    connect(tiles_, &TTileCache::TileArrived, MapControl, qOverload<>(&QWidget::update));
    resize(ScaleByDpi(640, true), ScaleByDpi(520, true));
}

TMapView::~TMapView() = default;

bool TMapView::BaseMapAvailable(const QString &appFolder)
{
    TBaseMap map;
    return map.Load(appFolder + BaseMapFile);
}

TMapView::TPrinterSetup TMapView::SetPrinterSetup(TPrinterSetup setup)
{
    TPrinterSetup previous = PrinterSetup();
    PrinterSetup() = std::move(setup);
    return previous;
}

int TMapView::SetMapRequest(const TMapSearchParams &params)
{
    kind_ = params.Kind;
    requestLatitude_ = params.Latitude;
    requestLongitude_ = params.Longitude;
    address_ = params.Address;
    tel_ = params.Tel;
    pickedLatitude_ = params.Latitude;
    pickedLongitude_ = params.Longitude;
    const bool text = MapProgramSearchesByTel(program_) ? !params.Tel.isEmpty() : !params.Address.isEmpty();
    return ResolveMapRequest(kind_, requestLatitude_, requestLongitude_, text);
}

void TMapView::GetMapPosition(int32_t &latitude, int32_t &longitude) const
{
    latitude = pickedLatitude_;
    longitude = pickedLongitude_;
}

bool TMapView::LookUpAddress(int32_t &latitude, int32_t &longitude) const
{
    if (address_.trimmed().isEmpty())
        return false;
    try {
        TContinualAdrsSearch search(AppFolder, AppFolder + QStringLiteral("Dic/"));
        const int code = search.Search(address_);
        if (code != 0 && code != 1)
            return false;
        const TContinualAdrsResult &result = search.GetResult(true);
        if (result.Latitude <= 0 || result.Longitude <= 0)
            return false;
        latitude = result.Latitude;
        longitude = result.Longitude;
        return true;
    } catch (const EDicSearchError &) {
        // Without the address libraries the map shows the request's own position, if any.
        return false;
    }
}

void TMapView::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

int TMapView::exec()
{
    if (MapProgramSearchesByTel(program_) && kind_ == 1 && !tel_.isEmpty() && !LocateTelephone()) {
        setResult(QDialog::Accepted);
        return QDialog::Accepted;
    }
    return QDialog::exec();
}

bool TMapView::LocateTelephone()
{
    QWidget *owner = parentWidget();
    int code = telPlaceNoData;
    try {
        code = FindTelPlace(tel_, telLatitude_, telLongitude_);
    } catch (const EDicSearchError &e) {
        ShowMessageBoxAt(owner, e.Message, AppTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    switch (code) {
    case telPlaceFound:
        break;
    case telPlaceNearBy:
        ShowMessageBoxAt(owner, QStringLiteral("電話番号で該当する座標が求められませんでした\r\n付近の地図を表示します"),
                         AppTitle, MB_OK | MB_ICONINFORMATION);
        telNearBy_ = true;
        break;
    case telPlaceWrongDisc:
        ShowMessageBoxAt(owner, QStringLiteral("CD-ROMが違います"), AppTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    case telPlaceInvalid:
        ShowMessageBoxAt(owner, QStringLiteral("電話番号に誤りがあります"), AppTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    default:
        ShowMessageBoxAt(owner, QStringLiteral("該当するデータが見つかりません"), AppTitle, MB_OK | MB_ICONWARNING);
        return false;
    }
    telFound_ = true;
    return true;
}

void TMapView::FormShow()
{
    if (MapsByArea())
        return ShowByArea();
    const bool position = requestLatitude_ > 0 && requestLongitude_ > 0;
    int32_t lat = 0, lon = 0;
    bool found = false;
    if (MapProgramSearchesByTel(program_) && kind_ == 1) {
        found = telFound_;
        lat = telLatitude_;
        lon = telLongitude_;
    } else if (kind_ == 1) {
        found = LookUpAddress(lat, lon);
        if (!found && position) {
            lat = requestLatitude_;
            lon = requestLongitude_;
            found = true;
        }
    } else if (position) {
        lat = requestLatitude_;
        lon = requestLongitude_;
        found = true;
    } else {
        found = LookUpAddress(lat, lon);
    }
    if (found) {
        pickedLatitude_ = lat;
        pickedLongitude_ = lon;
        // Only the municipality is known near by: a scale that shows it whole.
        int best = -1;
        for (int i = telNearBy_ ? municipalityScale : mapScaleCount - 1; i >= 0 && best < 0; --i)
            if (ScaleOffered(i))
                best = i;
        scale_ = -1;
        SetScale(best >= 0 ? best : 0);
        CentreOn(lat, lon);
    } else {
        // Nothing to show: the whole country, and the request stays the answer.
        SetScale(0);
        CentreOn(CountryLatitude, CountryLongitude);
    }
}

void TMapView::ShowByArea()
{
    // Where the request lies, per area: the area's most detailed scale there; the most detailed of all areas
    // wins, and on equal scales the earlier area.
    struct TCandidate {
        int area = -1, scale = 0;
        int32_t latitude = 0, longitude = 0;
    } byAddress, byPosition;
    const bool position = requestLatitude_ > 0 && requestLongitude_ > 0;
    int32_t addressLatitude = 0, addressLongitude = 0;
    const bool address = LookUpAddress(addressLatitude, addressLongitude);
    for (int i = 0; i < mapAreaCount; ++i) {
        const int detail = AreaDetail(i);
        const auto consider = [&](TCandidate &candidate, int32_t lat, int32_t lon) {
            if (detail >= 0 && MapAreas[i].Include(lat, lon)
                && (candidate.area < 0 || MapScaleDenominators[detail] < candidate.scale))
                candidate = {i, MapScaleDenominators[detail], lat, lon};
        };
        if (address)
            consider(byAddress, addressLatitude, addressLongitude);
        if (position)
            consider(byPosition, requestLatitude_, requestLongitude_);
    }
    const TCandidate &preferred = kind_ == 1 ? byAddress : byPosition;
    const TCandidate &chosen = preferred.area >= 0 ? preferred : kind_ == 1 ? byPosition : byAddress;
    if (chosen.area >= 0) {
        SelectArea(chosen.area);
        SetScale(AreaDetail(chosen.area));
        pickedLatitude_ = chosen.latitude;
        pickedLongitude_ = chosen.longitude;
        CentreOn(chosen.latitude, chosen.longitude);
    } else {
        // The first area's whole view, whose centre becomes the point.
        SelectArea(0);
        SetScale(MapAreas[0].FirstScale);
        CentreOn(CountryLatitude, CountryLongitude);
        Centre(pickedLatitude_, pickedLongitude_);
    }
    FillLayers();
}

int TMapView::AreaDetail(int area) const
{
    for (int i = MapAreas[area].LastScale; i >= MapAreas[area].FirstScale; --i)
        if (ScaleServed(i))
            return i;
    return -1;
}

void TMapView::SelectArea(int area)
{
    area_ = area;
    cbxArea->setCurrentIndex(area);
}

void TMapView::FillLayers()
{
    cbxLayer->clear();
    layerScales_.clear();
    layerIds_.clear();
    const TMapArea &area = MapAreas[area_];
    for (int i = area.FirstScale; i <= area.LastScale; ++i)
        if (ScaleServed(i)) {
            cbxLayer->addItem(MapScaleCaptions[i]);
            layerScales_.push_back(MapScaleDenominators[i]);
            layerIds_.push_back(MapScaleZooms[i]);
        }
    int entry = LayerOfScale(scale_);
    if (entry < 0 && !layerScales_.empty()) {
        entry = 0;
        SetScale(ScaleOfLayer(0));
    }
    cbxLayer->setCurrentIndex(entry);
}

int TMapView::LayerOfScale(int index) const
{
    for (int j = 0; j < int(layerScales_.size()) && index >= 0; ++j)
        if (layerScales_[j] == MapScaleDenominators[index] && layerIds_[j] == MapScaleZooms[index])
            return j;
    return -1;
}

int TMapView::ScaleOfLayer(int entry) const
{
    if (entry < 0 || entry >= int(layerIds_.size()))
        return -1;
    for (int i = 0; i < mapScaleCount; ++i)
        if (MapScaleZooms[i] == layerIds_[entry] && MapScaleDenominators[i] == layerScales_[entry])
            return i;
    return -1;
}

bool TMapView::ScaleServed(int index) const
{
    // The base map serves every scale; the tile server's detail ends at its highest zoom.
    return index >= 0 && index < mapScaleCount
           && (MapScaleZooms[index] <= tileSettings_.MaxZoom || tileSettings_.UrlTemplate.isEmpty());
}

bool TMapView::ScaleOffered(int index) const
{
    if (!ScaleServed(index))
        return false;
    return !MapsByArea() || area_ < 0 || (index >= MapAreas[area_].FirstScale && index <= MapAreas[area_].LastScale);
}

void TMapView::SetScale(int index)
{
    if (index < 0 || index >= mapScaleCount || index == scale_)
        return;
    int32_t lat = CountryLatitude, lon = CountryLongitude;
    const bool hadScale = scale_ >= 0;
    if (hadScale) {
        Centre(lat, lon);
        pmiScale[scale_]->setChecked(false);
    }
    pmiScale[index]->setChecked(true);
    scale_ = index;
    if (cbxScale)
        cbxScale->setCurrentIndex(index);
    if (cbxLayer)
        cbxLayer->setCurrentIndex(LayerOfScale(index));
    RemoveClip();
    CentreOn(lat, lon);
}

void TMapView::CentreOn(int32_t latitude, int32_t longitude)
{
    centre_ = WorldPixel(latitude, longitude, MapScaleZooms[std::max(scale_, 0)]);
    MapControl->update();
}

void TMapView::Centre(int32_t &latitude, int32_t &longitude) const
{
    PositionOfWorldPixel(centre_, MapScaleZooms[std::max(scale_, 0)], latitude, longitude);
}

QPointF TMapView::PixelOf(int32_t latitude, int32_t longitude) const
{
    const QPointF origin = centre_ - QPointF(MapControl->width() / 2, MapControl->height() / 2);
    return WorldPixel(latitude, longitude, MapScaleZooms[std::max(scale_, 0)]) - origin;
}

void TMapView::PositionAt(const QPointF &pixel, int32_t &latitude, int32_t &longitude) const
{
    const QPointF origin = centre_ - QPointF(MapControl->width() / 2, MapControl->height() / 2);
    PositionOfWorldPixel(origin + pixel, MapScaleZooms[std::max(scale_, 0)], latitude, longitude);
}

void TMapView::PickAt(const QPoint &pixel)
{
    PositionAt(pixel, pickedLatitude_, pickedLongitude_);
    MapControl->update();
}

void TMapView::RemoveClip()
{
    if (!clipShown_)
        return;
    clipShown_ = false;
    MapControl->update();
}

void TMapView::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    RemoveClip();
}

void TMapView::cbxScaleChange() { SetScale(cbxScale->currentIndex()); }

void TMapView::cbxAreaChange()
{
    if (cbxArea->currentIndex() < 0)
        return;
    SelectArea(cbxArea->currentIndex());
    RemoveClip();
    if (pickedLatitude_ > 0 && pickedLongitude_ > 0)
        CentreOn(pickedLatitude_, pickedLongitude_);
    FillLayers();
}

void TMapView::cbxLayerChange() { SetScale(ScaleOfLayer(cbxLayer->currentIndex())); }

void TMapView::sbtnClipClick()
{
    if (sbtnClip->isChecked()) {
        MapControl->setCursor(Qt::CrossCursor);
    } else {
        MapControl->unsetCursor();
    }
    RemoveClip();
}

void TMapView::pmiCenteringClick()
{
    if (pickedLatitude_ > 0 && pickedLongitude_ > 0)
        CentreOn(pickedLatitude_, pickedLongitude_);
}

void TMapView::pmiMousePosCenterClick()
{
    int32_t lat, lon;
    PositionAt(mouse_, lat, lon);
    RemoveClip();
    CentreOn(lat, lon);
    if (MapsByArea()) {
        pickedLatitude_ = lat;
        pickedLongitude_ = lon;
    }
}

void TMapView::Render(QPainter &painter, const QRect &region, bool overlays) const
{
    const int zoom = MapScaleZooms[std::max(scale_, 0)];
    const QSize size = MapControl->size();
    const QPointF origin = centre_ - QPointF(size.width() / 2, size.height() / 2) + region.topLeft();
    painter.save();
    painter.setClipRect(QRect(QPoint(0, 0), region.size()));
    baseMap_.Draw(painter, region.size(), origin, zoom);
    const int tiles = 1 << zoom;
    const int x0 = int(std::floor(origin.x() / mapTileSize)), y0 = int(std::floor(origin.y() / mapTileSize));
    const int x1 = int(std::floor((origin.x() + region.width()) / mapTileSize));
    const int y1 = int(std::floor((origin.y() + region.height()) / mapTileSize));
    bool anyTile = false;
    for (int y = std::max(y0, 0); y <= std::min(y1, tiles - 1); ++y)
        for (int x = x0; x <= x1; ++x) {
            const QImage tile = tiles_->Tile(zoom, ((x % tiles) + tiles) % tiles, y);
            if (tile.isNull())
                continue;
            anyTile = true;
            painter.drawImage(QRectF(QPointF(x * mapTileSize, y * mapTileSize) - origin,
                                     QSizeF(mapTileSize, mapTileSize)),
                              tile);
        }
    // The sources' notices, as their terms ask, at the bottom right of every picture of the map.
    const QString notice = anyTile ? tileSettings_.Attribution
                                   : QStringLiteral("海岸線・都道府県境：Natural Earth　市区町村：© OpenStreetMap contributors");
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    const QRect box = painter.fontMetrics().boundingRect(notice).adjusted(-4, -2, 4, 2);
    const QRect at(QPoint(region.width() - box.width(), region.height() - box.height()), box.size());
    painter.fillRect(at, QColor(255, 255, 255, 200));
    painter.setPen(Qt::black);
    painter.drawText(at, Qt::AlignCenter, notice);
    if (overlays) {
        if (pickedLatitude_ > 0 && pickedLongitude_ > 0) {
            const QPointF p = PixelOf(pickedLatitude_, pickedLongitude_) - region.topLeft();
            painter.setPen(QPen(Qt::red, 3));
            painter.drawLine(p - QPointF(5, 0), p + QPointF(5, 0));
            painter.drawLine(p - QPointF(0, 5), p + QPointF(0, 5));
        }
        if (clipShown_) {
            painter.setPen(QPen(Qt::blue, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(clip_.normalized().translated(-region.topLeft()).adjusted(1, 1, -1, -1));
        }
    }
    painter.restore();
}

QRect TMapView::Region() const
{
    return clipShown_ ? clip_.normalized() : MapControl->rect();
}

QImage TMapView::RegionImage() const
{
    const QRect region = Region();
    QImage image(region.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    Render(painter, region, false);
    return image;
}

QString TMapView::RegionCornerText() const
{
    const QRect region = Region();
    int32_t top, left, bottom, right;
    PositionAt(region.topLeft(), top, left);
    PositionAt(region.bottomRight(), bottom, right);
    return MapCornerText(top, left, bottom, right);
}

void TMapView::actCopyExecute()
{
    if (isMinimized())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto *data = new QMimeData;
    data->setImageData(RegionImage());
    data->setText(RegionCornerText());
    QApplication::clipboard()->setMimeData(data);
    QApplication::restoreOverrideCursor();
}

bool TMapView::PrintMap(QPrinter &printer)
{
    const QImage image = RegionImage();
    printer.setDocName(program_ == 1 ? QStringLiteral("プロアトラス地図") : QStringLiteral("MapFan 地図"));
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const int screenX = MapControl->logicalDpiX(), screenY = MapControl->logicalDpiY();
    const QSize size(image.width() * printer.resolution() / screenX, image.height() * printer.resolution() / screenY);
    painter.drawImage(QRect(QPoint(0, 0), size), image);
    return painter.end();
}

void TMapView::sbtnPrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!PrinterSetup()(this, printer))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool printed = PrintMap(printer);
    QApplication::restoreOverrideCursor();
    if (printed)
        ShowMessageBoxAt(this, QStringLiteral("印刷しました"), AppTitle, MB_ICONINFORMATION);
    else
        ShowMessageBoxAt(this, QStringLiteral("印刷できませんでした"), AppTitle, MB_ICONERROR);
}
