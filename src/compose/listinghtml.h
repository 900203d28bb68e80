#pragma once

#include <QString>

// A listing text goes into the page as HTML, so that bold, line breaks and lists typed into it show.
// Each text is read on its own as a fragment and written back whole: the inline and list markup of
// the allow-list below is kept (with its few harmless attributes, the tags balanced: what is still
// open at the end is closed, a closer with nothing to close is dropped), and every other "<" becomes
// "&lt;", so that a comment, a style or title element, "</body>" or any other markup in one field
// is shown as text and can never reach into another field or the rest of the page.
//
// Kept: b, strong, i, em, u, s, sub, sup, small, br, p, div, span, font, ul, ol, li. Attributes:
// color, face and size of font; align of p and div; style of span, p and div, reduced to colours,
// weight, style, decoration, alignment and font family. Character references ("&amp;", "&#8226;")
// and a bare "&" are left as written. A text with no "<" comes back unchanged, and so does one
// that is already clean.
//
// Lists, paragraphs and divisions belong in the description; in a text that the themes show on
// one or two lines they would push the text out of its box, so there they are left out (their
// text stays), and a feature line, which shares its line with the other three, keeps no line
// break either.
enum class ListingHtml
{
    Paragraphs, // the description and the disclaimer
    Lines,      // caption, MLS number, price, address, city line, the lines of the agent block
    OneLine,    // a feature line
};
QString CleanListingHtml(const QString& text, ListingHtml kind = ListingHtml::Paragraphs);
