#pragma once

#include <QString>

namespace varnic {

// Text from another program (an application name, a window title) as a label
// shows it on one line: each line break (LF, CR LF, CR, VT, FF, U+0085,
// U+2028, U+2029) becomes a visible "⏎", other control characters a space,
// bidi embeddings, overrides and isolates are dropped, and the whole is
// isolated (U+2068 … U+2069) so that neither it nor the panel reorders the other.
QString oneLineText(const QString& text);

}  // namespace varnic
