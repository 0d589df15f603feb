#pragma once

#include <QIcon>

// The animation panel's transport buttons: go to start, play, pause and go to end. Drawn here
// at whatever size and scale a button asks for, in the palette's button text colour (dimmed
// when disabled), so they follow the light or dark palette. The style's standard icons would
// first search the desktop's icon theme and load Qt's image plugins, about a tenth of the time
// a document window takes to make.
namespace ODTransportIcons {

enum class Kind { GoToStart, Play, Pause, GoToEnd };

QIcon icon(Kind kind);

}  // namespace ODTransportIcons
