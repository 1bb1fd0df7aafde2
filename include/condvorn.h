/*
 * condvorn.h - the interface of CONDVorn.dll, the support library for
 * programmable Vorn signal-conditioner channels on one serial line.
 *
 * A host program includes this one file. Every record exchanged with the
 * library begins with its own size in bytes; a record of another size is
 * refused with COND_ERR_BAD_RECORD. The ADC port number (0 to 127) is the
 * conditioner channel number on the serial line.
 *
 * Threads: the library keeps one state per process and has no locks. Make
 * every call from one thread, the thread that runs the message loop of the
 * host window given to DoCondMenu: a control panel runs in that loop, and
 * its handlers use the same state and the same serial line. Calls from two
 * threads at once are not detected: their commands interleave on the line,
 * so a setting can reach the channel that the other call selected and a
 * reply can be taken by the wrong call, and both write the library's tables
 * and the records they were lent. Panel calls from another thread meet a
 * window that thread does not own.
 *
 * The header compiles as C89 and later and as C++98 and later.
 */
#ifndef CONDVORN_H
#define CONDVORN_H

#include <stdint.h>

#include "condvorn_version.h"

#ifdef _WIN32
#include <windows.h>
typedef HWND CondWindow;
#else
/* The device logic also builds natively, where there is no calling convention
 * to choose and no window system. */
#ifndef WINAPI
#define WINAPI
#endif
typedef void *CondWindow;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Error codes (negative statuses returned by the exports) ---- */
#define COND_OK                 0
#define COND_ERR_NO_LINK      (-1) /* serial link not open */
#define COND_ERR_NO_PORTS     (-2) /* no ADC ports in use (control panel) */
#define COND_ERR_COMMS        (-3) /* communications failure while probing */
#define COND_ERR_NO_CHANNEL   (-4) /* channel not installed or not valid; or none found */
#define COND_ERR_BAD_RECORD   (-5) /* a record of the wrong size */
#define COND_ERR_BAD_PORT     (-6) /* port number outside the table */

/* ---- ChanSettings.flags bits ---- */
#define COND_FLAG_AC_COUPLING   0x0001
#define COND_FLAG_NOTCH         0x0002
#define COND_FLAG_TRIGGER_IN2   0x0004 /* clear: trigger from input 1 */
#define COND_FLAG_FALLING_EDGE  0x0008 /* clear: rising edge */

/* ---- CondInfo.want bits: which sections GetCondInfo2 fills ---- */
#define COND_WANT_INPUTS        0x0001
#define COND_WANT_GAINS         0x0002
#define COND_WANT_HIGH_PASS     0x0004
#define COND_WANT_LOW_PASS      0x0008
#define COND_WANT_MAX_OFFSET    0x0010
#define COND_WANT_TYPE_TEXT     0x0020
#define COND_WANT_EXTRAS        0x0040
#define COND_WANT_EXTRA_SLOTS   0x0080 /* with COND_WANT_EXTRAS: each setting's slot in `spare` */

/* ---- DoCondMenu option bits ---- */
#define COND_MENU_DEFERRED_APPLY  0x0001 /* changes wait for Apply or OK */
#define COND_MENU_MODELESS        0x0002 /* returns at once, notifies the host window */
#define COND_MENU_SCALING_LOCKED  0x0004 /* gain and offset controls locked */
#define COND_MENU_CLOSE_LOCKED    0x0008 /* OK and Cancel disabled (modeless) */
#define COND_MENU_CHANNEL_LOCKED  0x0010 /* port choice disabled */

/* Registered window message carrying the panel's notifications:
 * wParam 3 = port changed (lParam port), 2 = panel closed, 1 = close request. */
#define COND_MESSAGE_NAME "ZELCOND_MSG"
#define COND_NOTIFY_CLOSE_REQUEST 1
#define COND_NOTIFY_CLOSED        2
#define COND_NOTIFY_CHANGED       3

#define COND_PORT_COUNT 128

/* One ADC port as the host sees it: its scaling into user units and the
 * conditioner settings wanted on it. A sample's value in host units is
 * code * scale + zero. 160 bytes, natural alignment, no gaps. */
typedef struct ChanSettings {
    uint32_t size;            /* always 160 */
    float    scale;           /* host units per ADC code */
    float    zero;            /* host units at ADC code 0 */
    char     units[8];        /* NUL-terminated unit name, default " Volt" */
    float    gain;            /* conditioner gain */
    float    offset;          /* conditioner offset, host units */
    uint16_t flags;           /* COND_FLAG_* */
    int16_t  input;           /* 0-based input index */
    float    lowPassCutoff;   /* Hz; 0 = off */
    float    highPassCutoff;  /* Hz; 0 = off; negative = mode code */
    uint16_t inUse;           /* non-zero when the host uses this port */
    uint16_t changed;         /* non-zero when the panel changed the record */
    int16_t  lowPassType;     /* 0-based low-pass characteristic */
    int16_t  highPassType;    /* 0-based high-pass characteristic */
    float    extraValues[8];  /* extra settings, by slot */
    uint8_t  reserved[80];    /* zero; never read */
} ChanSettings;

/* One filter characteristic as reported by GetCondInfo2. 528 bytes. */
typedef struct InfoFilterType {
    char     name[20];
    uint8_t  kind;            /* 1 stepped list, 0 continuous range */
    double   minimum;         /* Hz */
    double   maximum;         /* Hz */
    int32_t  cutoffCount;
    double   cutoffs[60];     /* only the first cutoffCount are written */
} InfoFilterType;

/* One device-defined extra setting as reported by GetCondInfo2. 456 bytes.
 * With COND_WANT_EXTRA_SLOTS, `spare` receives the setting's slot in
 * ChanSettings.extraValues (0 to 7, where the channel keeps its value);
 * without it, `spare` keeps whatever the caller put there. */
typedef struct InfoExtraSetting {
    char     name[20];
    uint8_t  kind;            /* 1 list of choices, 0 numeric range */
    int32_t  spare;           /* the slot (COND_WANT_EXTRA_SLOTS), else untouched */
    double   minimum;         /* numeric range only */
    double   maximum;         /* numeric range only */
    int32_t  choiceCount;     /* 0 for a range */
    char     choices[20][20]; /* choice list only */
} InfoExtraSetting;

/* A channel's capabilities, filled by GetCondInfo2 section by section as
 * the want bits choose. 25320 bytes on 32-bit Windows, 25328 on 64-bit. */
typedef struct CondInfo {
    int32_t          size;              /* set by the host: sizeof(CondInfo) */
    ChanSettings    *settings;          /* set by the host: its record for the port */
    uint32_t         want;              /* set by the host: COND_WANT_* */
    int32_t          inputCount;        /* COND_WANT_INPUTS */
    char             inputNames[20][20];
    int32_t          gainCount;         /* COND_WANT_GAINS */
    float            gains[20];
    int32_t          highPassTypeCount; /* COND_WANT_HIGH_PASS */
    InfoFilterType   highPassTypes[20];
    int32_t          lowPassTypeCount;  /* COND_WANT_LOW_PASS */
    InfoFilterType   lowPassTypes[20];
    float            maxOffset;         /* COND_WANT_MAX_OFFSET, host units */
    char             typeText[32];      /* COND_WANT_TYPE_TEXT */
    int32_t          extraSettingCount; /* COND_WANT_EXTRAS */
    InfoExtraSetting extraSettings[8];
} CondInfo;

/* The host's sampling routine for the panel's live display: fills up to
 * maxCount ADC codes of the channel and returns how many it wrote. */
typedef int32_t (WINAPI *CondSampleProc)(int16_t *codes, int32_t maxCount, int32_t channel);

/* The host's data-acquisition routine given to SetPellProc (not used). */
typedef void (WINAPI *CondPellProc)(void);

/* ---- Lifecycle ---- */
int32_t WINAPI InitCond(int32_t reset);
void    WINAPI KillCond(void);
int32_t WINAPI GetCondType(void);
/* The ADC's full scale in volts (+/-), 5 at load; offsets are converted with
 * it. A range that is not finite and positive is refused: the previous one
 * stays in force. */
void    WINAPI SetADCRange(double volts);
int32_t WINAPI SetPellProc(CondPellProc proc);

/* ---- Channel settings ----
 *
 * Ports: a port outside 0 to 127 gives COND_ERR_BAD_PORT from SetCondChan,
 * the gain and offset exports and GetCondInfo2, without a message box;
 * CondOnChan gives 0 for it.
 *
 * Values: no export writes NaN or an infinity into scale, zero, gain,
 * offset, the cut-offs or the extra values of a record that came in with
 * finite ones. A gain of 0, or one that a float cannot hold, is never
 * chosen; a change whose results a float cannot hold (a scale rescaled
 * beyond float's range, an offset or a zero moved beyond it) is not sent,
 * and the record keeps its values. When SetCondChan folds the conditioner
 * out of a record whose port has none, a product beyond float's range
 * leaves the record as it is.
 *
 * Requests that are no number: a gain that is NaN or infinite is equally
 * far from every gain, and the channel's first gain is taken; an offset
 * that is NaN is set as 0, and an infinite one as the end of that sign of
 * the channel's largest offset range.
 *
 * Extra settings: a value v of a choice-kind setting is sent as the choice
 * floor(v + 0.5) and stored so, whether or not the channel lists that
 * choice; a value that does not round to a 32-bit integer (NaN included),
 * or a numeric value that a float cannot hold, is not sent and the record
 * keeps its value.
 *
 * GetCondInfo2 asks the channel whatever discovery found of it (a silent
 * channel costs the queries' time-outs). While the serial port is closed
 * (before InitCond, after KillCond) it does not touch the port: it answers
 * from what the library already knows of the channel, where a count of 0 or
 * less means nothing is known. */
int32_t WINAPI SetCondChan(int32_t port, ChanSettings *settings);
int32_t WINAPI GetCondChan(int32_t port, ChanSettings *settings);
int32_t WINAPI CondOnChan(int32_t port, int32_t report);
int32_t WINAPI CondGainTo(float gain, int32_t port, ChanSettings *settings);
int32_t WINAPI CondGainChange(int32_t up, int32_t port, ChanSettings *settings);
int32_t WINAPI CondOffsTo(float offset, int32_t port, ChanSettings *settings);
int32_t WINAPI CondOffsChange(int32_t up, int32_t port, ChanSettings *settings);
int32_t WINAPI GetCondInfo2(int32_t port, CondInfo *info);

/* ---- Control panel ----
 *
 * DoCondMenu reads only the lower 16 bits of `count` (a signed count); a
 * count above 128 is limited to 128. A null array is refused like a record
 * of the wrong size (message box, result 0). While a panel is open, another
 * DoCondMenu brings that panel to the front and returns 0. A build of the
 * library without a window system makes the same checks, opens no panel and
 * returns 0; so does a panel that cannot be made (no memory, no window),
 * which leaves nothing open. */
int32_t WINAPI DoCondMenu(ChanSettings *settings, int32_t count, CondSampleProc sampler,
                          int32_t options, CondWindow hostWindow);
void    WINAPI KillCondMenu(int32_t post);
int32_t WINAPI SetMenuScaling(int32_t enable);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* The record layouts are part of the binary interface: check them here so
 * that every host and the library itself agree. Compilers older than C11
 * and C++11 have no static assertion; there a wrong layout gives an array of
 * negative size. */
#if defined(__cplusplus) && (__cplusplus >= 201103L || (defined(_MSC_VER) && _MSC_VER >= 1600))
#define CONDVORN_CHECK_LAYOUT(name, cond) static_assert(cond, #name " has the wrong size")
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define CONDVORN_CHECK_LAYOUT(name, cond) _Static_assert(cond, #name " has the wrong size")
#else
#define CONDVORN_CHECK_LAYOUT(name, cond) typedef char condvorn_layout_of_##name[(cond) ? 1 : -1]
#endif
CONDVORN_CHECK_LAYOUT(ChanSettings, sizeof(ChanSettings) == 160);
CONDVORN_CHECK_LAYOUT(InfoFilterType, sizeof(InfoFilterType) == 528);
CONDVORN_CHECK_LAYOUT(InfoExtraSetting, sizeof(InfoExtraSetting) == 456);
/* 25320 bytes on 32-bit Windows, 25328 on 64-bit targets. */
CONDVORN_CHECK_LAYOUT(CondInfo, sizeof(CondInfo) == (sizeof(void *) == 4 ? 25320 : 25328));

#endif /* CONDVORN_H */
