/* Control, menu and timer identifiers of the driver's windows: the panel
   "MAINDIALOG", the About box "ABOUT" and the main window's menu "Menu".
   Included by the core and by the resource scripts, so plain defines only. */
#ifndef VALDRN_UI_IDS_H
#define VALDRN_UI_IDS_H

#define IDC_POLL_DEST     211    /* destination about to be polled, "%04d" */
#define IDC_HIDDEN_IND    210    /* indicator beyond the right edge, never written */
#define IDC_SOURCE_LIST   1001
#define IDC_DEST_LIST     1002
#define IDC_TAKE          1003
#define IDC_LOCK          1004
#define IDC_KEYBOARD_IND  1005
#define IDC_INTERFACE_IND 1007
#define IDC_TX_COUNT      1101
#define IDC_RX_COUNT      1102
#define IDC_LEVEL_LABEL   1501
#define IDC_POLL_ROUTER   1701
#define IDC_STATUS_IND    1801
#define IDC_DRIVER_IND    1802
#define IDC_ABOUT_VERSION 1998
#define IDC_ABOUT_BUILD   1999
#define IDC_LEVEL_DEVICE  5001   /* + level index */
#define IDC_LEVEL_SOURCES 5101   /* + level index */
#define IDC_LEVEL_DESTS   5201   /* + level index */

#define PANEL_TIMER_POLL  1
#define PANEL_TIMER_SAVE  2

/* The main window's menu. */
#define IDM_EXIT        901
#define IDM_LOCK        902
#define IDM_ABOUT       904
#define IDM_DESTBOX     905
#define IDM_SOURCEBOX   906
#define IDM_TAKE        907
#define IDM_KEYBOARD    908
#define IDM_LEVEL_FIRST 910   /* level index n is IDM_LEVEL_FIRST + n */
#define IDM_LEVEL_LAST  935

#define MENU_POS_LEVEL  2     /* the "&Level" popup, greyed by position */

#endif
