// TMapView: the map window that stands in for every map program that shows a map and hands a picked point
// back. It centres on the request (by position, by address through Kvjis and Kvmatch, or, for the program
// that asks by telephone number, by the number's place), offers the twelve scales, takes a point picked by a
// double click, cuts out a rectangle, copies it with the text of its corners, prints it, and closes with Esc.
// For プロアトラス2002 the map comes in areas: the window offers the area list and the chosen area's layers in
// place of the scale list, finds the request's area, and its pop-up's mouse-position centring also picks.
#pragma once

#include "geo/MapRequest.h"
#include "geo/MapTiles.h"

#include <QDialog>
#include <QImage>
#include <QPointF>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QMenu;
class QPrinter;
class QToolButton;
class TMapCanvas;

// The twelve scales, from the whole country to the detailed map, and the tile zoom level of each.
inline constexpr int mapScaleCount = 12;
extern const std::array<QString, mapScaleCount> MapScaleCaptions;
extern const std::array<int, mapScaleCount> MapScaleZooms;
// The scale of each, as the denominator of its ratio (the smaller, the more detailed).
extern const std::array<int, mapScaleCount> MapScaleDenominators;

// The areas of プロアトラス2002: the whole country's wide map, then the regions' detailed maps (the regions as the
// dictionaries group the prefectures, 0 to 5), each with the scales FirstScale to LastScale.
struct TMapArea {
    QString Title;
    int Region;  // -1 the whole country
    int FirstScale, LastScale;
    // Within Japan, and for a region nearer to one of its municipalities than to any other.
    bool Include(int32_t latitude, int32_t longitude) const;
};
inline constexpr int mapAreaCount = 7;
extern const std::array<TMapArea, mapAreaCount> MapAreas;

class TMapView : public QDialog {
    friend class TMapCanvas;

public:
    // program: the map program of the settings the window serves (its caption and print title).
    TMapView(QWidget *owner, int program);
    ~TMapView() override;

    QComboBox *cbxScale = nullptr;            // the scale list, but for プロアトラス2002
    QComboBox *cbxArea = nullptr, *cbxLayer = nullptr;  // プロアトラス2002's area and layer lists
    QToolButton *sbtnClip, *sbtnCopy, *sbtnPrint, *sbtnExit;
    QAction *actCopy;
    QMenu *pmMapFan;
    QAction *pmiCentering, *pmiMousePosCenter;
    std::array<QAction *, mapScaleCount> pmiScale{};
    QWidget *MapControl;  // the map itself

    // False when the offline base map is missing: the map program then counts as not installed.
    static bool BaseMapAvailable(const QString &appFolder);

    int SetMapRequest(const TMapSearchParams &params);
    // A request by telephone number first finds the number's place (FindTelPlace); when there is none to
    // show, the user is told why and the window ends at once with the result Accepted, never shown.
    int exec() override;
    // The picked point, 1/1000 second of arc (the request's position until one is picked).
    void GetMapPosition(int32_t &latitude, int32_t &longitude) const;

    // The view.
    int ScaleIndex() const { return scale_; }
    void SetScale(int index);
    // Offered: served by the tiles and, in areas, a layer of the current area.
    bool ScaleOffered(int index) const;
    bool MapsByArea() const { return program_ == 1; }
    int AreaIndex() const { return area_; }
    void CentreOn(int32_t latitude, int32_t longitude);
    void Centre(int32_t &latitude, int32_t &longitude) const;
    QPointF PixelOf(int32_t latitude, int32_t longitude) const;  // in MapControl
    void PositionAt(const QPointF &pixel, int32_t &latitude, int32_t &longitude) const;
    // A double click: the point becomes the picked one.
    void PickAt(const QPoint &pixel);
    // The clip rectangle (empty when none is shown).
    QRect ClipRect() const { return clipShown_ ? clip_ : QRect(); }
    // The part copied and printed: the clip rectangle when shown, else the whole map.
    QRect Region() const;
    QImage RegionImage() const;
    QString RegionCornerText() const;
    TTileCache &Tiles() { return *tiles_; }

    // Handlers.
    void cbxScaleChange();
    void cbxAreaChange();
    void cbxLayerChange();
    void sbtnClipClick();
    void actCopyExecute();
    void sbtnPrintClick();
    void pmiCenteringClick();
    void pmiMousePosCenterClick();
    // Prints the region on a printer that is already set up; false when it cannot be printed on.
    bool PrintMap(QPrinter &printer);

    // How the printer is chosen (the printer set-up dialog); tests replace it.
    using TPrinterSetup = std::function<bool(QWidget *owner, QPrinter &printer)>;
    static TPrinterSetup SetPrinterSetup(TPrinterSetup setup);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormShow();
    void ShowByArea();
    bool LookUpAddress(int32_t &latitude, int32_t &longitude) const;
    bool LocateTelephone();
    bool ScaleServed(int index) const;
    // The most detailed scale an area serves.
    int AreaDetail(int area) const;
    void SelectArea(int area);
    void FillLayers();
    int ScaleOfLayer(int entry) const;
    int LayerOfScale(int index) const;
    void RemoveClip();
    void Render(QPainter &painter, const QRect &region, bool overlays) const;

    int program_;
    int32_t kind_ = 0, requestLatitude_ = 0, requestLongitude_ = 0;
    QByteArray address_, tel_;
    // The telephone number's place, once found.
    bool telFound_ = false, telNearBy_ = false;
    int32_t telLatitude_ = 0, telLongitude_ = 0;
    int32_t pickedLatitude_ = 0, pickedLongitude_ = 0;
    bool shown_ = false;
    int scale_ = -1;
    int area_ = -1;
    std::vector<int> layerScales_, layerIds_;  // parallel to cbxLayer
    QPointF centre_;  // world pixel at the current zoom
    QPoint mouse_;    // last mouse position over the map, for the pop-up menu
    QRect clip_;
    bool clipShown_ = false, clipping_ = false, panning_ = false;
    QPoint dragFrom_;
    TTileSettings tileSettings_;
    TTileCache *tiles_;
    TBaseMap baseMap_;
};
