#include "widgets/CheckListMoves.h"

// The glyphs' resource file sits in a static library, which links it in only when it is asked for; the request
// has to come from outside any namespace.
static void initGlyphResources() { Q_INIT_RESOURCE(CheckListMoves); }

QIcon CheckList::Glyph(const char *name)
{
    static const bool registered = [] {
        initGlyphResources();
        return true;
    }();
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/glyphs/") + QLatin1String(name) + QStringLiteral(".svg"));
}
