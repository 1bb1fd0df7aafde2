/*
 * host.c - a small acquisition host of CONDVorn, as a teaching example.
 *
 * It walks through the library's life as a host sees it:
 *   1. InitCond opens the serial port and finds the conditioner channels.
 *   2. CondOnChan and GetCondInfo2 list the channels and what they offer.
 *   3. CondGainTo sets a gain. The library rewrites the host's scaling in the
 *      same record, and the host keeps that record: its readings stay true.
 *   4. DoCondMenu opens the control panel, modeless, when the library has
 *      one (on Windows); the host then handles the panel's ZELCOND_MSG
 *      notifications.
 *   5. KillCond closes the port.
 *
 * Build it on Windows with the import library of the package:
 *   GNU:       x86_64-w64-mingw32-gcc host.c -Iinclude -Llib -lCONDVorn -luser32 -o host.exe
 *   Microsoft: cl host.c /Iinclude lib\CONDVorn.lib user32.lib
 * and run it beside CONDVorn.dll:  host [seconds]
 * With a panel, it closes the panel after that many seconds (default: when
 * the user closes it).
 * On Linux, against the installed libcondvorn.so:
 *   cc host.c $(pkg-config --cflags --libs condvorn) -o host
 *   or with CMake: cmake -S examples -B build/example && cmake --build build/example
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include "condvorn.h"

#define ADC_RANGE_VOLTS 5.0f /* the ADC spans -5 V to +5 V over codes -32768..32767 */
#define CLOSE_TIMER 1

/* The host's record of each ADC port; the port number is the channel number. */
static ChanSettings ports[COND_PORT_COUNT];
/* A capability record is large (about 25 KB): keep it off the stack. */
static CondInfo info;

/* A record in volts: code * scale + zero is the signal at the ADC, which at
 * gain 1 is the signal at the conditioner's input. */
static void InitRecord(ChanSettings *record) {
    memset(record, 0, sizeof *record);
    record->size = sizeof *record;
    record->scale = ADC_RANGE_VOLTS / 32768.0f;
    record->gain = 1.0f;
    strcpy(record->units, " Volt");
}

/* Prints what a channel offers. GetCondInfo2 fills only the sections asked for. */
static void ShowChannel(int32_t port) {
    memset(&info, 0, sizeof info);
    info.size = sizeof info;
    info.settings = &ports[port];
    info.want = COND_WANT_INPUTS | COND_WANT_GAINS | COND_WANT_MAX_OFFSET | COND_WANT_TYPE_TEXT;
    if (GetCondInfo2(port, &info) != COND_OK) return;
    printf("channel %d: %s, %d inputs, gains %g to %g, offset up to %g V\n", (int)port, info.typeText,
           (int)info.inputCount, info.gainCount > 0 ? info.gains[0] : 0.0,
           info.gainCount > 0 ? info.gains[info.gainCount - 1] : 0.0, info.maxOffset);
}

#ifdef _WIN32
static UINT zelcondMsg;

/* The host window receives the panel's notifications. */
static LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == zelcondMsg && wParam == COND_NOTIFY_CHANGED) {
        /* The user changed a port in the panel: fetch its record, scaling included. */
        int32_t port = (int32_t)lParam;
        if (port >= 0 && port < COND_PORT_COUNT && GetCondChan(port, &ports[port]) == COND_OK)
            printf("panel changed channel %d: gain %g\n", (int)port, ports[port].gain);
        return 0;
    }
    if (message == zelcondMsg && wParam == COND_NOTIFY_CLOSED) {
        puts("control panel closed");
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER && wParam == CLOSE_TIMER) {
        KillTimer(window, CLOSE_TIMER);
        KillCondMenu(0); /* closes the panel as OK would; it then posts COND_NOTIFY_CLOSED */
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

/* Opens the panel on the ports in use and runs the host's message loop until
 * it closes. A library without a panel opens nothing, and says so only by
 * having no panel to answer SetMenuScaling. */
static void RunPanel(int32_t portCount, unsigned closeAfterSeconds) {
    WNDCLASSA windowClass;
    HWND window;
    MSG message;

    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "CondExampleHost";
    RegisterClassA(&windowClass);
    window = CreateWindowA("CondExampleHost", "Example host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           320, 200, NULL, NULL, windowClass.hInstance, NULL);
    zelcondMsg = RegisterWindowMessageA(COND_MESSAGE_NAME);

    DoCondMenu(ports, portCount, NULL, COND_MENU_MODELESS, window); /* modeless: returns at once */
    /* Unlocking the scaling of an unlocked panel changes nothing; it answers 1
     * only when a panel is open. */
    if (SetMenuScaling(1) != 1) {
        puts("no control panel in this build of the library");
    } else {
        puts("control panel open");
        if (closeAfterSeconds > 0) SetTimer(window, CLOSE_TIMER, closeAfterSeconds * 1000, NULL);
        while (GetMessageA(&message, NULL, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    DestroyWindow(window);
}
#else
/* The Linux library has no control panel. */
static void RunPanel(int32_t portCount, unsigned closeAfterSeconds) {
    (void)portCount;
    (void)closeAfterSeconds;
    puts("no control panel in this build of the library");
}
#endif

int main(int argc, char **argv) {
    unsigned closeAfterSeconds = argc > 1 ? (unsigned)atoi(argv[1]) : 0;
    int32_t port, found = 0, lastFound = -1, status;

    /* 1. Open the configured port (Windows: the registry or zelcond.ini; Linux:
     * the CONDVORN_* variables or condvorn/zelcond.ini) and probe. */
    status = InitCond(1);
    if (status != COND_OK) {
        printf("InitCond failed with %d: %s\n", (int)status,
               status == COND_ERR_NO_LINK ? "no serial port configured, or it cannot be opened"
                                          : "no conditioner channel answered");
        return 1;
    }
    SetADCRange(ADC_RANGE_VOLTS);

    /* 2. The ports with a usable conditioner. */
    for (port = 0; port < COND_PORT_COUNT; ++port) {
        InitRecord(&ports[port]);
        if (CondOnChan(port, 0)) {
            ports[port].inUse = 1;
            lastFound = port;
            ++found;
        }
    }
    printf("CONDVorn: %d channels found\n", (int)found);
    for (port = 0; port <= lastFound; ++port)
        if (ports[port].inUse) ShowChannel(port);

    if (found > 0) {
        /* 3. Give the whole record once, then set the gain. CondGainTo snaps
         * it to a gain the channel offers and rewrites scale (and zero, through
         * the offset) in the record, which the host keeps from now on. */
        port = lastFound;
        SetCondChan(port, &ports[port]);
        if (CondGainTo(10.0f, port, &ports[port]) == COND_OK)
            printf("channel %d at gain %g: a code reads as code * %g + %g V\n", (int)port, ports[port].gain,
                   ports[port].scale, ports[port].zero);

        /* 4. The control panel, for the ports up to the last in use. */
        RunPanel(lastFound + 1, closeAfterSeconds);
    }

    /* 5. Close the port. */
    KillCond();
    return 0;
}
