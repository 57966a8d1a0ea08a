#include "views/OneLineText.h"

namespace varnic {
namespace {

constexpr char16_t firstStrongIsolate = 0x2068;
constexpr char16_t popDirectionalIsolate = 0x2069;
constexpr char16_t lineBreakSymbol = 0x23CE;

bool isLineBreak(char16_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Embeddings and overrides reorder what follows them, even inside an isolate.
bool isBidiFormat(char16_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

QString oneLineText(const QString& text) {
    QString shown;
    shown.reserve(text.size() + 2);
    shown += QChar(firstStrongIsolate);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool crBeforeLf = c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
        if (crBeforeLf || isBidiFormat(c)) continue;
        if (isLineBreak(c)) {
            shown += QChar(lineBreakSymbol);
        } else if (isControl(c)) {
            shown += u' ';
        } else {
            shown += text[i];
        }
    }
    shown += QChar(popDirectionalIsolate);
    return shown;
}

}  // namespace varnic
