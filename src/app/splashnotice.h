#pragma once

#include <QDate>
#include <QString>

class QImage;

// The two-line notice at the bottom of the splash picture.
namespace SplashNotice {

// "2006" alone, or "2006-" and the year when `today` lies after 2006; "2006" when the date is
// unknown (invalid).
QString Years(const QDate& today);
// The maker's line with the years, then the program's line.
QString Text(const QDate& today);
// Draws `text` into the bottom band of `picture`: white with a dark shadow, word-wrapped, centred.
void Draw(QImage& picture, const QString& text);

} // namespace SplashNotice
