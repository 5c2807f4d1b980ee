/* A module built from the contract header alone, in C, in several variants
 * chosen by macros: the level it reports, the handle Open returns, and which
 * exports are left out. It records every call it receives, and the data
 * directory it was given, in a log that tests read through an extra export. */
#define TRVIK_MODULE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ext/TrvikExtension.h"

#ifndef TEST_LEVEL
#define TEST_LEVEL 0
#endif
#ifndef TEST_HANDLE
#define TEST_HANDLE ((ExtHandle)0x1234u)
#endif
#ifndef TEST_DESCRIPTION
#define TEST_DESCRIPTION "A test module."
#endif

static char calls[8192];
static size_t used;

static void Record(const char* text) {
    const size_t n = strlen(text);
    if (used + n < sizeof calls) {
        memcpy(calls + used, text, n + 1);
        used += n;
    }
}

static const char* DataDir(void) {
    const char* dir = getenv(TRVIK_DATA_DIR_ENV);
    return dir != NULL ? dir : "-";
}

const char TrvikDescription[] = TEST_DESCRIPTION;
const char TrvikVersion[] = "9.87";

#ifndef TEST_NO_GETLEVEL
int32_t TRVIK_CALL GetLevel(void) {
    Record("GetLevel;");
    return TEST_LEVEL;
}
#endif

ExtHandle TRVIK_CALL Open(uintptr_t reserved) {
    char text[600];
    snprintf(text, sizeof text, "Open(%lu,%s);", (unsigned long)reserved, DataDir());
    Record(text);
    return TEST_HANDLE;
}

void TRVIK_CALL Update(ExtHandle handle, const ExtReading* reading) {
    char text[200];
    snprintf(text, sizeof text, "Update(%llx,%lu,%lu,%lu,%lu,%llu,%llu);",
             (unsigned long long)handle, (unsigned long)reading->RateTx,
             (unsigned long)reading->RateRx, (unsigned long)reading->PercentTx,
             (unsigned long)reading->PercentRx, (unsigned long long)reading->TotalTx,
             (unsigned long long)reading->TotalRx);
    Record(text);
}

#ifndef TEST_NO_CONFIG
int32_t TRVIK_CALL Config(uintptr_t reserved) {
    char text[600];
    snprintf(text, sizeof text, "Config(%lu,%s);", (unsigned long)reserved, DataDir());
    Record(text);
    return 1;
}
#endif

#ifndef TEST_NO_CLOSE
void TRVIK_CALL Close(ExtHandle handle) {
    char text[64];
    snprintf(text, sizeof text, "Close(%llx);", (unsigned long long)handle);
    Record(text);
}
#endif

/* Not part of the contract: the calls so far, for the tests. */
TRVIK_EXPORT const char* TrvikTestCalls(void);
const char* TrvikTestCalls(void) {
    return calls;
}
