/* The dialog library BWCC32.DLL as the program's dialog templates use it.

   BWCCRegister(instance) registers, for every module of the process:
   - the dialog class "BORDLG", which behaves as the standard dialog class;
   - the frame control "BorShade", drawn as a shaded frame or rule by its
     style (values below). It paints no background and lets clicks through
     to the controls it frames. */
#ifndef VALDRN_BWCC32_H
#define VALDRN_BWCC32_H

#include <windows.h>

#define BORDLG_CLASS   "BORDLG"
#define BORSHADE_CLASS "BorShade"

/* BorShade styles (the low bits of the window style). */
#define BORSHADE_FRAME_SUNKEN  1   /* recessed frame around a group (also 0) */
#define BORSHADE_RULE_H_SUNKEN 2   /* horizontal recessed rule along the top */
#define BORSHADE_RULE_V_SUNKEN 3   /* vertical recessed rule along the left */
#define BORSHADE_RULE_H_RAISED 4   /* horizontal raised rule */
#define BORSHADE_RULE_V_RAISED 5   /* vertical raised rule */
#define BORSHADE_FRAME_RAISED  6   /* raised frame around a group */
#define BORSHADE_STYLE_MASK    0x000F

#ifndef RC_INVOKED
#ifdef __cplusplus
extern "C"
#endif
BOOL WINAPI BWCCRegister(HINSTANCE instance);
#endif

#endif
