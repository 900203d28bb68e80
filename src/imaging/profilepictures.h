#pragma once

#include <QString>

// The agent's portrait and business logo. The screen copies ("MyPicture.jpg", "Logo.jpg") are
// small, fitted for the window and the screen flyer; on paper they would print soft. So the chosen
// file is kept beside them as it came (a PNG logo with its transparency), and print copies are made
// from it as from a listing's photo originals.

enum class ProfilePicture
{
    Picture,
    Logo
};

// "MyPicture.jpg" or "Logo.jpg".
QString ProfileScreenFileName(ProfilePicture which);
// The kept original in folder ("MyPicture-original.jpg" or ".png", the same for the logo), or an
// empty text when there is none (a profile made by an older version).
QString FindProfileOriginal(const QString& folder, ProfilePicture which);
// The picture print copies and the preflight are made from: the original where there is one, else
// the screen copy.
QString ProfilePrintSource(const QString& folder, ProfilePicture which);

// Takes a chosen file in: its screen copy and its original are written together into folder, so the
// two never belong to different pictures. The original keeps the file's own bytes where it is a JPEG
// that stands upright or a PNG; a JPEG taken on its side is turned losslessly where it can be, anything
// else is stored as PNG. The screen copy is fitted into a box x box square. False, with the reason in
// error, when nothing was written; the previous pictures then stay. The checks of the chooser (sizes,
// orientation) are the caller's.
bool StoreProfilePicture(const QString& source, const QString& folder, ProfilePicture which, int box,
                         QString* stored, QString* error);
