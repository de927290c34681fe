#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures of the program, drawn at run time: indicator lamps, window icons and the progress animation.
namespace Pictures {

// The lamp for a colour number (255 red, 65280 green, 65535 yellow); every other number is the black lamp.
QPixmap indicator(qint32 farbe);
// The window icon for a colour number, as the minimised window shows the transfer state.
QIcon stateIcon(qint32 farbe);
// The normal program icon.
QIcon programIcon();
// Frame 0 ... 7 of the progress window's animation.
QPixmap animationFrame(int frame);

} // namespace Pictures
