// The frame of a fixed-size window on Wayland.
//
// There the window system draws no frame: Qt's own decoration (the bradient
// plugin of qtwayland 6.4) does, with minimise and maximise buttons whatever
// the window's flags say. And a compositor may put any window into the
// maximised state, in which the protocol wants the surface to take exactly
// the compositor's size, which a fixed-size window cannot; a surface that
// keeps its size there ends the connection with a protocol error.
#pragma once

class QWidget;

namespace kavrel {

// On Wayland: gives `window`, whose fixed size is already set, a title bar
// of its own (the icon, which opens the system menu, the title and the
// close box) above what it shows, instead of Qt's decoration, and keeps the
// window out of the maximised state. Elsewhere it changes nothing.
void FixedFrameOnWayland(QWidget* window);

}  // namespace kavrel
