/* Menu command identifiers of the main window's menu "Menu".
   Included by the core and by the resource script, so plain defines only. */
#ifndef VALDRN_MENU_IDS_H
#define VALDRN_MENU_IDS_H

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
