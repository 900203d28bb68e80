#pragma once

#include <QRect>
#include <QSize>

// Shrinks a picture of `picture` size until it fits into `box`, keeping its proportions; a picture
// that already fits keeps its size, nothing is ever enlarged. Sizes are truncated to whole pixels.
QSize ShrinkToFit(QSize picture, QSize box);

// Where a picture file is drawn in a picture box: shrunk into the client area less `margin` on every
// side and centred there. Empty when nothing of it would show.
QRect FitPictureRect(QSize picture, const QRect& client, int margin);

// Where a picture shown from the program's resources is drawn: shrunk to the client area when
// `fit` is set (else at its own size at the left edge), centred horizontally when fitted, and
// placed at the top (0), centre (1) or bottom (2) of the client area.
QRect PlaceResourcePicture(QSize picture, const QRect& client, bool fit, int verticalAlignment);
