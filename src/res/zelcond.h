/* Identifiers of the library's resources: the control panel's dialog and
 * controls, its context menu and their commands. Shared by the resource
 * script and the panel's code. */
#ifndef ZELCOND_H
#define ZELCOND_H

/* Resources */
#define IDD_CONDMENU            100  /* the control panel dialog, "Vorn controls" */
#define IDR_PANEL_MENU          108  /* the panel's context menu */

/* Controls of the panel */
#define IDC_GAIN                101
#define IDC_OFFSET              102
#define IDC_LOWPASS_CUTOFF      103
#define IDC_HIGHPASS_CUTOFF     104
#define IDC_NOTCH               105
#define IDC_INPUT               106
#define IDC_EXTRA1              107
#define IDC_EXTRA2              108
#define IDC_UNITS               109
#define IDC_DISPLAY             110
#define IDC_TOP_VALUE           111
#define IDC_BOTTOM_VALUE        112
#define IDC_PORT                113
#define IDC_OFFSET_SCROLL       114
#define IDC_GAIN_SCROLL         115
#define IDC_EXTRA3              116
#define IDC_EXTRA4              117
#define IDC_AVERAGE             1000
#define IDC_VOLTS               1014
#define IDC_FILTERS             1016
#define IDC_DISPLAY_EDGE        1017
#define IDC_HELP_BUTTON         1018
#define IDC_AC_COUPLE           1019
#define IDC_TRIGGER1            1021
#define IDC_RESET_CALIBRATION   1022
#define IDC_APPLY               1023
#define IDC_TRIGGER2            1024
#define IDC_LOWPASS_TYPE        1025
#define IDC_HIGHPASS_TYPE       1026
#define IDC_EXTRA1_LABEL        1027
#define IDC_EXTRA2_LABEL        1028
#define IDC_EXTRA3_LABEL        1029
#define IDC_EXTRA4_LABEL        1030
#define IDC_RELOAD              1031
#define IDC_TRIGGER_LABEL       1032
#define IDC_FALLING_EDGE        1033

/* Commands of the context menu */
#define ID_RESET_CALIBRATION    1034
#define ID_RELOAD               1035

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif

#endif /* ZELCOND_H */
