// Whole-word search in an extension string (see extension_search.h).
#include "app/extension_search.h"

#include <cstring>

// A prefix match is not enough: "WGL_ARB_multisample" must not be found
// inside "WGL_ARB_multisample_ext" or "XWGL_ARB_multisample".
bool ContainsWholeWord(const char* text, const char* word)
{
    const size_t length = strlen(word);
    if (length == 0)
        return false;
    for (const char* match = strstr(text, word); match; match = strstr(match + 1, word)) {
        const bool startsWord = match == text || match[-1] == ' ';
        const char after = match[length];
        const bool endsWord = after == '\0' || after == ' ';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}
