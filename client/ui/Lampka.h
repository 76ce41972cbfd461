#pragma once
// The favourite buttons' lamps: a green one (the station is offered by its server) and a
// red one (it is not), 16 x 16 logical pixels, drawn rather than loaded so that they are
// sharp at any device pixel ratio. GUI thread only (QPixmap).
#include <QIcon>

enum class KolorLampki { Zielona, Czerwona };

// The lamp as an icon with pixmaps for device pixel ratios 1, 2 and 3.
QIcon Lampka(KolorLampki k);
