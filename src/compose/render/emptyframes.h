#pragma once

#include "compose/findings.h"

#include <QList>
#include <QString>

class CXHTML2Image;
struct CXFlyerSource;
struct CXPictureBox;

// A theme without a layout for fewer photos than it has frames leaves the frames of the missing
// photos standing, empty. The shipped themes close them; a theme of the user's own may not.

// How many photo frames the laid-out page draws with no photo in them (0 when every frame holds a
// photo or closes up). False, with a sentence in error, when the page could not be laid out.
bool CountEmptyFrames(CXHTML2Image& renderer, const CXFlyerSource& source, int& count, QString* error = nullptr);

// The same count from the pictures of a page already laid out (empty photos still unmarked).
int EmptyFramesIn(const QList<CXPictureBox>& pictures);

