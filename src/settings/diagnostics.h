#pragma once

#include <QByteArray>

#include <cstdio>

// What the program prints besides its own results. In normal use that is only the program's own
// lines (one per problem): the libraries under it (Qt, libpng, libjpeg, fontconfig ...) write
// their own notes to standard error, some through Qt's message handler and some straight to the
// file, and none of them means anything to the user. LISTORA_DEBUG (or LISTORA_RENDER_DEBUG) lets
// them through and turns on the program's own debug categories.
namespace Diagnostics {

bool Enabled();

// Call once, first thing in main(). Without debugging, Qt's messages are dropped and standard
// error is pointed at the null device; the program's own lines then go to the original through
// UserError().
void Install();

// Where the program's own lines for the user go: the original standard error.
FILE* UserError();
void WriteUserError(const QByteArray& bytes);

} // namespace Diagnostics
