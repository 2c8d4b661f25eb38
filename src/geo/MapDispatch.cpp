#include "geo/MapDispatch.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "geo/MapLaunch.h"
#include "geo/MapView.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QWidget>

namespace {

void Tell(QWidget *caller, const QString &text)
{
    ShowMessageBoxAt(caller, text, AppTitle, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

bool ShowMapForRequest(QWidget *caller, int program, TMapSearchParams &params, const TMapDispatchHooks &hooks)
{
    if (program < 0 || program >= mapProgramCount)
        return false;
    if (!MapProgramShowsWindow(program)) {
        int (*launch)(const TMapSearchParams &) = program == 3   ? OpenMapInKi
                                                  : program == 4 ? OpenMapInMainichiNavi
                                                  : program == 9 ? OpenMapInGrandMap
                                                                 : OpenMapInWebMap;
        const int started = launch(params);
        if (started == launchMissing)
            Tell(caller, MapProgramMissingText(program));
        else if (started == launchNothing)
            Tell(caller, QStringLiteral("地図に表示する住所または座標がありません  "));
        else if (started == launchRefused)
            Tell(caller, MapProductNames[program] + QStringLiteral("が起動できませんでした  "));
        return false;
    }
    // The map window stands in for the program: it is there when its base map is.
    if (!TMapView::BaseMapAvailable(AppFolder)) {
        Tell(caller, MapProgramMissingText(program));
        return false;
    }
    if (program == 2)
        params.WatchExit = 1;
    if (program == 8) {
        params.MapClass = -1;
        params.Zoom = 300;
        params.CallerBounds = caller ? caller->frameGeometry() : QRect();
    }
    TMapView view(caller, program);
    CenterFormOnOwner(&view, caller);
    const int resolution = view.SetMapRequest(params);
    if (program == 0 && hooks.NoTelephone && (resolution == mapNothingByPosition || resolution == mapNothingByText)) {
        Tell(caller, QStringLiteral("電話番号を入力してください  "));
        hooks.NoTelephone();
        return false;
    }
    const bool keep = !hooks.KeepPoint || hooks.KeepPoint();
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    ExecDialog(view);
    QApplication::restoreOverrideCursor();
    if (!keep)
        return false;
    view.GetMapPosition(params.Latitude, params.Longitude);
    return true;
}
