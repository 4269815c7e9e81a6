#pragma once
// Windows wide enough for their captions. A window manager shortens a
// caption that its title bar cannot hold ("Move ... ything"); a window
// marked here never gets narrower than its caption needs, whatever its
// controls need and whatever text the caption is given later.

class QWidget;

// The width a title bar needs for the window's caption: the text in bold
// and room for the window's icon and its buttons.
int CaptionWidth(const QWidget* window);

// Keeps window at least CaptionWidth wide from now on (its layout keeps
// deciding everything else). Marking a window twice does nothing more.
void KeepCaptionWhole(QWidget* window);
