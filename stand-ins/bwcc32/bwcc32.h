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

/* BorShade styles (the low bits of the window style). A rule runs along the
   longer side of its control: horizontal in a control wider than it is
   tall, vertical otherwise. */
#define BORSHADE_FRAME_SUNKEN 1   /* recessed frame around a group (also 0) */
#define BORSHADE_RULE_SUNKEN  2   /* recessed rule (also 3) */
#define BORSHADE_RULE_RAISED  4   /* raised rule (also 5) */
#define BORSHADE_FRAME_RAISED 6   /* raised frame around a group */
#define BORSHADE_STYLE_MASK   0x000F

#ifndef RC_INVOKED
#ifdef __cplusplus
extern "C"
#endif
BOOL WINAPI BWCCRegister(HINSTANCE instance);
#endif

#endif
