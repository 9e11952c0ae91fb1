#include "orxstarterlang/OrxStarterLang.h"

#include "standins/orxstarterlang/EnglishTexts.h"

#include <cstring>

// English is the only language of this library, so there is nothing to choose.
BOOL StarterLang_Init(void) { return TRUE; }

BOOL StarterLang_GetMBCSStrFromId(UINT id, char* buffer, UINT size) {
    if (buffer == nullptr || size == 0) return FALSE;
    buffer[0] = '\0';
    const char* text = EnglishText(id);
    if (text == nullptr) return FALSE;
    const size_t length = std::strlen(text);
    // A cut text could end inside a placeholder: refuse rather than cut.
    if (length >= size) return FALSE;
    std::memcpy(buffer, text, length + 1);
    return TRUE;
}
