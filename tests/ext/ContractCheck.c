/* The contract header compiled as C11 on its own: its compile-time checks of
 * the reading's layout run here too, and the declarations a module sees with
 * TRVIK_MODULE must be usable from C. */
#define TRVIK_MODULE
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "ext/TrvikExtension.h"

int main(void) {
    /* The record filled through its fields reads back as the documented
     * little-endian image, byte for byte. */
    ExtReading reading;
    unsigned char image[32];
    static const unsigned char expected[32] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                               0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10,
                                               0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18,
                                               0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x20};
    TrvikGetLevelFn getLevel = NULL;
    TrvikOpenFn open = NULL;
    TrvikUpdateFn update = NULL;
    TrvikConfigFn config = NULL;
    TrvikCloseFn close = NULL;
    int failures = 0;

    reading.RateTx = 0x04030201u;
    reading.RateRx = 0x08070605u;
    reading.PercentTx = 0x0C0B0A09u;
    reading.PercentRx = 0x100F0E0Du;
    reading.TotalTx = 0x1817161514131211ull;
    reading.TotalRx = 0x201F1E1D1C1B1A19ull;
    memcpy(image, &reading, sizeof image);
    if (memcmp(image, expected, sizeof image) != 0) {
        fputs("ExtReading image differs\n", stderr);
        ++failures;
    }
    if (sizeof(ExtHandle) != sizeof(void*) || TRVIK_INTERFACE_LEVEL != 0 ||
        TRVIK_STRING_CAPACITY != 256) {
        fputs("handle size, level or string capacity differs\n", stderr);
        ++failures;
    }
    (void)getLevel;
    (void)open;
    (void)update;
    (void)config;
    (void)close;
    return failures == 0 ? 0 : 1;
}
