#pragma once

#include "compose/render/printpage.h"
#include "compose/campaignpage.h"

class CXHTML2Image;

// A campaign's pages from the engine, made as Export makes them: the print page through
// MakePrintPage, the picture through the renderer. base gives what a caller adds to every print
// page (a batch's copy folder and picture folders); its template and request are the campaign's.
// The renderer must outlive what this returns.
CCampaignEngine EngineCampaignPages(CXHTML2Image& renderer, const CXFlyerSource& base = CXFlyerSource());
