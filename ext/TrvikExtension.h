/*
 * The contract between the Trovik meter (the host) and an extension module.
 *
 * This header is plain C (C11 or later; it also compiles as C++) and is all a
 * module needs. A module is a shared object that shows the meter's readings
 * somewhere else: on a network display, in a window, on an I/O port.
 *
 * THE MODULE FILE
 *   - A shared object whose file name matches "Trvik*.so" (prefix "Trvik",
 *     suffix ".so", letter case as written), lying in the same directory as
 *     the program file. The host loads modules from that directory only; the
 *     ExtDLL setting names the file alone, without a directory.
 *   - It exports five functions with C linkage under their plain names:
 *     GetLevel, Open, Update, Config, Close (prototypes below).
 *   - It exports two NUL-terminated UTF-8 strings as data, each shorter than
 *     TRVIK_STRING_CAPACITY bytes including the terminating NUL:
 *       TrvikDescription  one line saying what the module does;
 *       TrvikVersion      its version text, e.g. "1.00".
 *     The host reads them right after loading the module, without calling any
 *     of its functions (for the settings page's list), so loading the module
 *     must have no side effects beyond its own static initialisation.
 *   - Build it with hidden visibility (-fvisibility=hidden) and define
 *     TRVIK_MODULE before including this header: the declarations below then
 *     carry the export attribute, so exactly these seven symbols are exported.
 *
 * CALLING ORDER (every host keeps it; every module may rely on it)
 *   1. Listing: load, read TrvikDescription and TrvikVersion, unload. No
 *      function is called.
 *   2. Configuring: load, look up GetLevel and Config, call GetLevel; only if
 *      it returns TRVIK_INTERFACE_LEVEL, call Config(0); unload.
 *   3. Start of the meter: load, look up all five functions, call GetLevel;
 *      only if it returns TRVIK_INTERFACE_LEVEL, call Open(0). Once, before
 *      the meter's first tick.
 *   4. Every meter tick (every 100 ms) while the handle is nonzero:
 *      Update(handle, &reading). While the host's test dialog is open the
 *      readings come from its sliders instead; a module cannot tell.
 *   5. End of the meter: Close(handle), then unload. Only when Open returned
 *      nonzero.
 *   Update is never called before Open succeeded nor after Close. Steps 1 and
 *   2 may happen while the same module is open in step 4: loading it again
 *   yields the same instance, so Config runs beside the open handle. A module
 *   therefore reads its configuration in Open; a change made in Config takes
 *   effect the next time the host opens the module.
 *
 * THREADS AND TIME
 *   All five functions are called on the host's single GUI thread. Config and
 *   a module's message boxes run nested event loops during which the meter
 *   keeps ticking: a module must accept Update while its own dialog or
 *   message box is showing. Update runs inside the 100 ms tick and must not
 *   block (no waiting on the network or on the user).
 *
 * WHERE A MODULE KEEPS ITS FILES
 *   A module that keeps a settings file keeps it in the meter's data
 *   directory ("beside the program"). Before calling Open or Config the host
 *   puts that directory's absolute path into the environment variable named
 *   by TRVIK_DATA_DIR_ENV. A module loaded by a host that does not set it
 *   (or sets a relative path) keeps its file beside the running program's
 *   own file (/proc/self/exe), not beside the module: in the program's
 *   directory when that is writable, else in the per-user data directory,
 *   the rule the meter applies to its own records.
 *
 * FAILURES
 *   Open returning 0 means failure: the module has told the user why, if it
 *   wanted to, and released what it acquired; the host never calls Update or
 *   Close for it. Update and Close report nothing; a module that loses its
 *   output carries on silently.
 */
#ifndef TROVIK_EXT_TRVIKEXTENSION_H
#define TROVIK_EXT_TRVIKEXTENSION_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The interface level of this contract: GetLevel returns it. */
#define TRVIK_INTERFACE_LEVEL 0

/* The file mask of modules in the program's directory. */
#define TRVIK_MODULE_PREFIX "Trvik"
#define TRVIK_MODULE_SUFFIX ".so"

/* The names the host looks up. */
#define TRVIK_SYMBOL_GETLEVEL "GetLevel"
#define TRVIK_SYMBOL_OPEN "Open"
#define TRVIK_SYMBOL_UPDATE "Update"
#define TRVIK_SYMBOL_CONFIG "Config"
#define TRVIK_SYMBOL_CLOSE "Close"
#define TRVIK_SYMBOL_DESCRIPTION "TrvikDescription"
#define TRVIK_SYMBOL_VERSION "TrvikVersion"

/* The host reads each module string into a buffer of this many bytes. */
#define TRVIK_STRING_CAPACITY 256

/* The environment variable holding the data directory (see above). */
#define TRVIK_DATA_DIR_ENV "TROVIK_DATA_DIR"

/* The platform's C calling convention: the caller removes the arguments. On
 * 32-bit x86 it is spelt out so that a module built with another default
 * still matches the host; elsewhere there is only one convention. */
#if defined(__i386__) && (defined(__GNUC__) || defined(__clang__))
#define TRVIK_CALL __attribute__((cdecl))
#else
#define TRVIK_CALL
#endif

#if defined(__GNUC__) || defined(__clang__)
#define TRVIK_EXPORT __attribute__((visibility("default")))
#else
#define TRVIK_EXPORT
#endif

/* The handle Open returns: opaque, pointer-sized, 0 for "no handle". A module
 * may return any nonzero value, a pointer or not; the host only passes it
 * back to Update and Close. */
typedef uintptr_t ExtHandle;

/* What the host hands over on every tick. 32 bytes, no gaps, native
 * (little-endian on every supported machine) byte order. The record lives in
 * the caller's frame for the duration of one Update call only; copy what you
 * want to keep. */
typedef struct ExtReading {
    /* Offset 0: the send rate in bytes per second, exactly the value the
     * meter shows on its send bar in this tick (the moving average over the
     * span, or the average since the reset when the meter is set to show
     * that). */
    uint32_t RateTx;
    /* Offset 4: the receive rate, chosen the same way. */
    uint32_t RateRx;
    /* Offset 8: RateTx * 100 / (send full scale), truncated and NOT capped:
     * above 100 when the rate exceeds the full scale. */
    uint32_t PercentTx;
    /* Offset 12: RateRx * 100 / (receive full scale), the same way. */
    uint32_t PercentRx;
    /* Offset 16: bytes sent since the meter's last reset (its start or
     * "clear data"), 64-bit, counter wraps included. */
    uint64_t TotalTx;
    /* Offset 24: bytes received since the last reset, the same way. */
    uint64_t TotalRx;
} ExtReading;

#ifdef __cplusplus
#define TRVIK_STATIC_ASSERT(condition, message) static_assert(condition, message)
#else
#define TRVIK_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif
TRVIK_STATIC_ASSERT(sizeof(ExtReading) == 32, "ExtReading is 32 bytes");
TRVIK_STATIC_ASSERT(offsetof(ExtReading, RateTx) == 0, "RateTx at offset 0");
TRVIK_STATIC_ASSERT(offsetof(ExtReading, RateRx) == 4, "RateRx at offset 4");
TRVIK_STATIC_ASSERT(offsetof(ExtReading, PercentTx) == 8, "PercentTx at offset 8");
TRVIK_STATIC_ASSERT(offsetof(ExtReading, PercentRx) == 12, "PercentRx at offset 12");
TRVIK_STATIC_ASSERT(offsetof(ExtReading, TotalTx) == 16, "TotalTx at offset 16");
TRVIK_STATIC_ASSERT(offsetof(ExtReading, TotalRx) == 24, "TotalRx at offset 24");
TRVIK_STATIC_ASSERT(sizeof(ExtHandle) == sizeof(void*), "ExtHandle is pointer-sized");
#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__)
TRVIK_STATIC_ASSERT(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "ExtReading is little-endian");
#endif

/* The five functions, as the host sees them.
 *
 * GetLevel: returns the interface level; TRVIK_INTERFACE_LEVEL for this
 *   contract. Any other value makes the host refuse the module.
 * Open(reserved): reserved is always 0. Acquires what the module needs
 *   (socket, window, ...) and reads its configuration. Returns a nonzero
 *   handle when ready to take readings, 0 on failure (after showing its own
 *   message, if it wants to, and releasing everything).
 * Update(handle, reading): shows the reading and returns promptly. Ignores a
 *   zero handle.
 * Config(reserved): reserved is always 0. Shows the module's own modal
 *   configuration dialog (or a message that there is nothing to configure)
 *   and stores the result in the module's own storage. Returns 1 when the
 *   user confirmed with OK, else 0; the host ignores the result. Works without
 *   a preceding Open and while the module is open.
 * Close(handle): releases everything Open acquired; may still show final
 *   output. Ignores a zero handle.
 */
typedef int32_t(TRVIK_CALL* TrvikGetLevelFn)(void);
typedef ExtHandle(TRVIK_CALL* TrvikOpenFn)(uintptr_t reserved);
typedef void(TRVIK_CALL* TrvikUpdateFn)(ExtHandle handle, const ExtReading* reading);
typedef int32_t(TRVIK_CALL* TrvikConfigFn)(uintptr_t reserved);
typedef void(TRVIK_CALL* TrvikCloseFn)(ExtHandle handle);

#ifdef TRVIK_MODULE
/* A module defines these (define TRVIK_MODULE before including). */
TRVIK_EXPORT int32_t TRVIK_CALL GetLevel(void);
TRVIK_EXPORT ExtHandle TRVIK_CALL Open(uintptr_t reserved);
TRVIK_EXPORT void TRVIK_CALL Update(ExtHandle handle, const ExtReading* reading);
TRVIK_EXPORT int32_t TRVIK_CALL Config(uintptr_t reserved);
TRVIK_EXPORT void TRVIK_CALL Close(ExtHandle handle);
TRVIK_EXPORT extern const char TrvikDescription[];
TRVIK_EXPORT extern const char TrvikVersion[];
#endif

#ifdef __cplusplus
}
#endif

#endif /* TROVIK_EXT_TRVIKEXTENSION_H */
